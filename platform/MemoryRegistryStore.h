#pragma once

#include "platform/RegistryStore.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace texkit2::platform {

// A registry held in memory, for tests. One root holds keys (the current user's unless told
// otherwise), and keys exist only when the test API made them: openKey never creates one, as the
// real stores never do.
class MemoryRegistryStore final : public RegistryStore {
 public:
  explicit MemoryRegistryStore(RegKeyHandle root = kRegCurrentUser) : m_root(root) {}

  struct Value {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    bool operator==(const Value&) const = default;
  };

  // Test API. Paths are below the store's root, with backslashes; parent keys are made too.
  void createKey(const std::string& path);
  // Stores the bytes as RegSetValueExA would receive them: the string and its terminating NUL.
  void setString(const std::string& path, const std::string& name, const std::string& value);
  void setDword(const std::string& path, const std::string& name, std::uint32_t value);
  void setRaw(const std::string& path, const std::string& name, std::uint32_t type,
              std::vector<std::uint8_t> bytes);
  bool hasKey(const std::string& path) const;
  // The key's values under the names they were first stored with; empty for a missing key.
  std::map<std::string, Value> values(const std::string& path) const;
  std::size_t openHandleCount() const { return m_handles.size(); }

  // Fault injection: openKey of `path` (any case) fails with `code`; kRegSuccess clears it.
  void failOpen(const std::string& path, RegResult code);
  // Every setValue fails with `code` and stores nothing; kRegSuccess clears it.
  void failSets(RegResult code) { m_setFailure = code; }

  RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) override;
  RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override;
  RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult closeKey(RegKeyHandle key) override;
  // Sub-key names come back in lower case, in byte order.
  RegResult enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) override;

 private:
  using NamedValue = std::pair<std::string, Value>;
  struct Key {
    std::vector<NamedValue> values; // in the order first stored
  };

  Key& ensureKey(const std::string& path);
  const Key* findKey(const std::string& folded) const;
  bool resolve(RegKeyHandle handle, std::string& folded) const;
  static NamedValue* findValue(Key& key, const std::string& name);

  std::map<std::string, Key> m_keys;             // by case-folded, normalised path
  std::map<RegKeyHandle, std::string> m_handles; // open handle -> folded path
  std::map<std::string, RegResult> m_openFailures;
  RegResult m_setFailure = kRegSuccess;
  RegKeyHandle m_root;
  RegKeyHandle m_nextHandle = 0x1000;
};

} // namespace texkit2::platform
