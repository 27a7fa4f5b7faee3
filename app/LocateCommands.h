#pragma once

#include "app/AppServices.h"
#include "locate/LibrarySearch.h"
#include "platform/Drives.h"

namespace texkit2::app {

// Fills in the Manual Locate and Search commands where they are built. `libraries` answers for
// the Search dialog's Game Libraries box.
void installLocateCommands(AppServices& services, platform::Drives& drives,
                           locate::LibraryLookup libraries = locate::hostLibraryLookup());

} // namespace texkit2::app
