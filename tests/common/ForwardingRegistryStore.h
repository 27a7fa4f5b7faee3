#pragma once

#include "platform/HostRegistry.h"
#include "platform/RegistryStore.h"

#include <memory>

namespace texkit2::testing {

// Hands every call to a store the test owns, so that each registration can get a registry of
// its own while the test keeps reading the one store.
class ForwardingRegistryStore final : public platform::RegistryStore {
 public:
  explicit ForwardingRegistryStore(platform::RegistryStore& target) : m_target(target) {}
  platform::RegResult openKey(platform::RegKeyHandle root, const std::string& subKey,
                              platform::RegKeyHandle& key) override {
    return m_target.openKey(root, subKey, key);
  }
  platform::RegResult queryValue(platform::RegKeyHandle key, const std::string& name,
                                 std::uint32_t& type, std::uint8_t* data,
                                 std::uint32_t& size) override {
    return m_target.queryValue(key, name, type, data, size);
  }
  platform::RegResult setValue(platform::RegKeyHandle key, const std::string& name,
                               std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t size) override {
    return m_target.setValue(key, name, type, data, size);
  }
  platform::RegResult closeKey(platform::RegKeyHandle key) override {
    return m_target.closeKey(key);
  }

 private:
  platform::RegistryStore& m_target;
};

// A registry over `store` for AppServices::openRegistry.
inline platform::HostRegistry forwardingRegistry(platform::RegistryStore& store) {
  platform::HostRegistry registry;
  registry.store = std::make_unique<ForwardingRegistryStore>(store);
  return registry;
}

} // namespace texkit2::testing
