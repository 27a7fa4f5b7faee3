#include "platform/HostRegistry.h"

#ifdef _WIN32
#include "platform/Win32RegistryStore.h"
#else
#include "platform/WineRegistryStore.h"
#endif

namespace texkit2::platform {

std::string HostRegistry::editorFolder(const std::filesystem::path& folder,
                                       std::string& whyNot) const {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) {
    absolute = folder;
  }
  if (!std::filesystem::is_directory(absolute, ec)) {
    const bool exists = std::filesystem::exists(absolute, ec);
    const auto named = absolute.filename().empty() ? absolute.parent_path() : absolute;
    whyNot = named.string() + (exists ? " is not a folder" : " does not exist");
    return {};
  }
  std::string text;
#ifdef _WIN32
  text = absolute.string();
#else
  if (auto* wine = dynamic_cast<WineRegistryStore*>(store.get())) {
    const auto windows = wine->windowsPathFor(absolute, whyNot);
    if (!windows) {
      return {};
    }
    text = *windows;
  } else {
    text = absolute.string();
  }
#endif
  if (text.empty() || (text.back() != '\\' && text.back() != '/')) {
    text += text.find('\\') != std::string::npos || text.empty() ? '\\' : '/';
  }
  return text;
}

std::string HostRegistry::editorFolder(const std::filesystem::path& folder) const {
  std::string whyNot;
  return editorFolder(folder, whyNot);
}

HostRegistry openHostRegistry(const std::optional<std::filesystem::path>& winePrefix) {
  HostRegistry host;
#ifdef _WIN32
  (void)winePrefix;
  host.store = std::make_unique<Win32RegistryStore>();
  host.location = "HKEY_CURRENT_USER";
#else
  const auto prefix = winePrefix ? *winePrefix : WineRegistryStore::defaultPrefix();
  auto wine = std::make_unique<WineRegistryStore>(prefix);
  host.unavailableReason = wine->unavailableReason();
  host.location = "Wine prefix " + prefix.string();
  host.winePrefix = prefix;
  host.store = std::move(wine);
#endif
  return host;
}

} // namespace texkit2::platform
