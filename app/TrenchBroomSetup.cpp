#include "app/TrenchBroomSetup.h"

#include "extract/TrenchBroomPreferences.h"

namespace texkit2::app {
namespace {

constexpr const char* kCaption = "Set up TrenchBroom";

} // namespace

std::string TrenchBroomQuestion(const std::string& preferencesFile, extract::GameKind game,
                                const std::string& installFolder) {
  return "Set TrenchBroom's " + extract::TrenchBroomGameName(game) + " game path?\n\n" +
         preferencesFile + "\n\"" + extract::TrenchBroomPathKey(game) + "\" becomes " +
         installFolder + "\n\nTrenchBroom must be closed.";
}

void SetUpTrenchBroom(const AppServices& services, framework::CDialog& owner,
                      extract::GameKind game, const std::string& dataFolder,
                      const std::string& wadName) {
  std::string whyNot;
  const auto file =
      services.trenchBroomPreferences ? services.trenchBroomPreferences(whyNot) : std::nullopt;
  if (!file) {
    services.messages.show(&owner, "TrenchBroom not set up: " + whyNot, kCaption,
                           framework::BoxIcon::Warning);
    return;
  }
  const std::string installFolder = extract::InstallationFolder(dataFolder);
  if (!services.confirm ||
      !services.confirm(owner, TrenchBroomQuestion(*file, game, installFolder), kCaption)) {
    return;
  }
  const auto outcome =
      extract::SetTrenchBroomGamePath(services.files, *file, game, installFolder, false);
  std::string text = outcome.message;
  if (outcome.succeeded()) {
    text += "\n\n" + extract::DescribeWadValues(extract::TrenchBroomWadValue(dataFolder, wadName),
                                                dataFolder + wadName);
  }
  services.messages.show(&owner, text, kCaption,
                         outcome.succeeded() ? framework::BoxIcon::None
                                             : framework::BoxIcon::Warning);
}

} // namespace texkit2::app
