#pragma once

#include "platform/RegistryStore.h"

namespace texkit2::platform {

// The Windows registry itself, through the ANSI registry API. Keys are opened, never created.
class Win32RegistryStore final : public RegistryStore {
 public:
  RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) override;
  RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override;
  RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult closeKey(RegKeyHandle key) override;
};

} // namespace texkit2::platform
