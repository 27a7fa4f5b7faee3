#include "cli/TrenchBroomSetup.h"

#include "cli/Json.h"

#include <cstdlib>

namespace texkit2::cli {
namespace {

using Kind = extract::TrenchBroomOutcome::Kind;

const char* outcomeName(Kind kind) {
  switch (kind) {
  case Kind::Written:
    return "written";
  case Kind::AlreadySet:
    return "already set";
  case Kind::OtherFolderSet:
    return "other folder set";
  case Kind::Locked:
    return "locked";
  case Kind::Refused:
    return "refused";
  case Kind::Failed:
    return "failed";
  }
  return "failed";
}

std::string textOrNull(const std::string& text) {
  return text.empty() ? "null" : jsonText(text);
}

} // namespace

std::optional<std::string> hostTrenchBroomPreferences(std::string& whyNot) {
  return extract::TrenchBroomPreferencesFile([](const char* name) { return std::getenv(name); },
                                             whyNot);
}

TrenchBroomStep setUpTrenchBroom(extract::GameKind game, const std::string& dataFolder,
                                 const std::string& wadName, bool force, CliContext& context) {
  TrenchBroomStep step;
  std::string whyNot;
  const auto file = context.trenchBroomPreferences(whyNot);
  if (!file) {
    step.outcome.kind = Kind::Failed;
    step.outcome.key = extract::TrenchBroomPathKey(game);
    step.outcome.value = extract::InstallationFolder(dataFolder);
    step.outcome.message = "TrenchBroom not set up: " + whyNot;
  } else {
    step.outcome = extract::SetTrenchBroomGamePath(context.files, *file, game,
                                                   extract::InstallationFolder(dataFolder), force);
  }
  context.err << "texkit2-cli: " << step.outcome.message
              << (step.outcome.kind == Kind::OtherFolderSet ? "; --force replaces it" : "") << '\n';
  if (step.outcome.succeeded()) {
    step.wadValue = extract::TrenchBroomWadValue(dataFolder, wadName);
    step.wadPath = dataFolder + wadName;
  }
  return step;
}

void printWadValues(const TrenchBroomStep& step, std::ostream& out) {
  if (!step.outcome.succeeded()) {
    return;
  }
  out << extract::DescribeWadValues(step.wadValue, step.wadPath);
}

std::string toJson(const TrenchBroomStep& step) {
  const auto& outcome = step.outcome;
  return jsonObject({{"set", outcome.succeeded() ? "true" : "false"},
                     {"outcome", jsonText(outcomeName(outcome.kind))},
                     {"message", jsonText(outcome.message)},
                     {"file", outcome.file.empty() ? "null" : jsonPath(outcome.file)},
                     {"key", jsonText(outcome.key)},
                     {"value", jsonPath(outcome.value)},
                     {"previous", textOrNull(outcome.previous)},
                     {"wad", textOrNull(step.wadValue)},
                     {"wadPath", step.wadPath.empty() ? "null" : jsonPath(step.wadPath)}});
}

} // namespace texkit2::cli
