#include "platform/HostRegistry.h"

#ifdef _WIN32
#include "platform/Win32RegistryStore.h"
#else
#include "platform/WineRegistryStore.h"
#endif

namespace texkit2::platform {

std::string HostRegistry::editorFolder(const std::filesystem::path& folder) const {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) {
    absolute = folder;
  }
  std::string text;
#ifdef _WIN32
  text = absolute.string();
#else
  if (auto* wine = dynamic_cast<WineRegistryStore*>(store.get())) {
    text = wine->windowsPathFor(absolute);
  } else {
    text = absolute.string();
  }
#endif
  if (text.empty() || (text.back() != '\\' && text.back() != '/')) {
    text += text.find('\\') != std::string::npos || text.empty() ? '\\' : '/';
  }
  return text;
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
