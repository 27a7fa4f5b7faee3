// Epic's launcher manifests (.item JSON) of arbitrary bytes: nothing may crash, and a manifest
// is accepted only with both fields.
#include "fuzz/FuzzCheck.h"
#include "locate/GameLibraries.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto manifest = texkit2::locate::readEpicManifest(bytes, error);
  TEXKIT2_FUZZ_CHECK(manifest.has_value() == error.empty());
  return 0;
}
