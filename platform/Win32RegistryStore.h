#pragma once

#include "platform/RegistryStore.h"

namespace texkit2::platform {

// The Windows registry itself, through the ANSI registry API. Keys are opened, never created.
class Win32RegistryStore final : public RegistryStore {
 public:
  // A read-only store opens keys for reading only, as a user without administrator's rights
  // may open HKEY_LOCAL_MACHINE's; its setValue fails.
  explicit Win32RegistryStore(bool readOnly = false) : m_readOnly(readOnly) {}

  RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) override;
  RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override;
  RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult closeKey(RegKeyHandle key) override;
  RegResult enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) override;

 private:
  bool m_readOnly;
};

} // namespace texkit2::platform
