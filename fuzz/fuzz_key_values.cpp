// Valve's text KeyValues (libraryfolders.vdf, appmanifest_*.acf) of arbitrary bytes: nothing may
// crash, and the tree read stays within the reader's limits.
#include "fuzz/FuzzCheck.h"
#include "locate/KeyValues.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace texkit2::locate;

namespace {

std::size_t depthOf(const std::vector<KeyValue>& nodes) {
  std::size_t deepest = 0;
  for (const auto& node : nodes) {
    const std::size_t depth = node.block ? 1 + depthOf(node.children) : 0;
    deepest = depth > deepest ? depth : deepest;
  }
  return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  KeyValuesLimits limits;
  limits.maxDepth = 8;
  const KeyValuesResult read = readKeyValues(text, limits);
  TEXKIT2_FUZZ_CHECK(depthOf(read.roots) <= limits.maxDepth);
  // What the game-library lookups ask of a manifest.
  if (const KeyValue* state = read.find("AppState")) {
    (void)state->valueOf("installdir");
  }
  return 0;
}
