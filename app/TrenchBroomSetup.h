#pragma once

#include "app/AppServices.h"
#include "extract/GameKind.h"
#include "framework/Dialog.h"

#include <string>

namespace texkit2::app {

// The question the window asks before it changes TrenchBroom's preferences: the file, the
// preference and its new value.
std::string TrenchBroomQuestion(const std::string& preferencesFile, extract::GameKind game,
                                const std::string& installFolder);

// Shows what setting TrenchBroom up will change, does it on OK, and reports the outcome in the
// command line's words. `dataFolder` ends in its separator; `wadName` is the WAD file in it.
void SetUpTrenchBroom(const AppServices& services, framework::CDialog& owner,
                      extract::GameKind game, const std::string& dataFolder,
                      const std::string& wadName);

} // namespace texkit2::app
