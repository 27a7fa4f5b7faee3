#pragma once

#include "app/AppServices.h"

namespace texkit2::app {

// Fills in the Manual Locate and Search commands where they are built.
void installLocateCommands(AppServices& services);

} // namespace texkit2::app
