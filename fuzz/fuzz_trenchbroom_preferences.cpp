// TrenchBroom's Preferences.json of arbitrary bytes, updated with a game path: the document
// becomes an updated one or is refused, never half of either. An update must hold the new
// path, keep every other key and value in its order, and be taken again as already set.
#include "extract/TrenchBroomPreferences.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

using namespace texkit2;
using Json = nlohmann::ordered_json;
using Kind = extract::PreferencesEdit::Kind;

namespace {

const std::string kKey = "Games/Quake/Path";
const std::string kValue = "/games/quake";

bool sameText(const std::string& a, const std::string& b) {
  return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string document(reinterpret_cast<const char*>(data), size);
  // The last byte chooses --force and whether the folder set before still exists.
  const std::uint8_t flags = size > 0 ? data[size - 1] : 0;
  const bool force = (flags & 1) != 0;
  const bool previousExists = (flags & 2) != 0;
  const auto edit =
      extract::EditTrenchBroomPreferences(document, true, kKey, kValue, force, sameText,
                                          [&](const std::string&) { return previousExists; });

  if (edit.kind != Kind::Updated) {
    TEXKIT2_FUZZ_CHECK(edit.document.empty());
    TEXKIT2_FUZZ_CHECK(edit.kind != Kind::Refused || !edit.reason.empty());
    return 0;
  }
  std::string whyNot;
  const auto path = extract::TrenchBroomGamePathIn(edit.document, kKey, whyNot);
  TEXKIT2_FUZZ_CHECK(path && *path == kValue);

  // Accepted input is an object of bounded depth, so parsing it here cannot recurse too far.
  Json before = Json::parse(document);
  Json after = Json::parse(edit.document);
  TEXKIT2_FUZZ_CHECK(before.is_object() && after.is_object());
  before.erase(kKey);
  after.erase(kKey);
  TEXKIT2_FUZZ_CHECK(before == after);
  TEXKIT2_FUZZ_CHECK(before.dump() == after.dump()); // the same order

  const auto again = extract::EditTrenchBroomPreferences(
      edit.document, true, kKey, kValue, false, sameText, [](const std::string&) { return true; });
  TEXKIT2_FUZZ_CHECK(again.kind == Kind::AlreadySet);
  return 0;
}
