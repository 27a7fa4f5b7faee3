#pragma once

#include "app/AppServices.h"
#include "platform/Drives.h"

namespace texkit2::app {

// Fills in the Manual Locate and Search commands where they are built.
void installLocateCommands(AppServices& services, platform::Drives& drives);

} // namespace texkit2::app
