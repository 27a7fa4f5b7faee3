#pragma once

#include "platform/RegistryStore.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace texkit2::platform {

// The registry the level editor reads on this machine: Windows' own, or on Linux the one of the
// Wine prefix the editor runs in.
struct HostRegistry {
  std::unique_ptr<RegistryStore> store;
  // Empty when the store can be written; else why not (the CLI tells the user).
  std::string unavailableReason;
  // Where the registry lives, for messages.
  std::string location;

  // A folder as the editor sees it, ending in its separator: C:\Games\Quake\id1\ on Windows,
  // Z:\home\me\quake\id1\ under Wine. Empty, with the reason in `whyNot`, when the folder does
  // not exist or the editor could not open it by any name.
  std::string editorFolder(const std::filesystem::path& folder, std::string& whyNot) const;
  // The same, for callers that stay silent.
  std::string editorFolder(const std::filesystem::path& folder) const;

  std::optional<std::filesystem::path> winePrefix; // the prefix, under Wine
};

// `winePrefix` overrides $WINEPREFIX and ~/.wine; ignored on Windows.
HostRegistry openHostRegistry(const std::optional<std::filesystem::path>& winePrefix = {});

} // namespace texkit2::platform
