#include "platform/MemoryRegistryStore.h"

#include "platform/AsciiCase.h"

#include <cstring>

namespace texkit2::platform {
namespace {

constexpr RegResult kRegNoAccess = 998; // ERROR_NOACCESS: data missing for a non-zero size

// Registry paths ignore repeated and trailing backslashes, as Wine's path tokenizer does.
std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c != '\\') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(std::move(part));
      part.clear();
    }
  }
  if (!part.empty()) {
    parts.push_back(std::move(part));
  }
  return parts;
}

std::string joinFolded(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) {
      out += '\\';
    }
    out += lowerAscii(part);
  }
  return out;
}

std::string foldPath(const std::string& path) {
  return joinFolded(splitPath(path));
}

} // namespace

MemoryRegistryStore::Key& MemoryRegistryStore::ensureKey(const std::string& path) {
  const auto parts = splitPath(path);
  std::vector<std::string> prefix;
  Key* key = &m_keys[""];
  for (const auto& part : parts) {
    prefix.push_back(part);
    key = &m_keys[joinFolded(prefix)];
  }
  return *key;
}

const MemoryRegistryStore::Key* MemoryRegistryStore::findKey(const std::string& folded) const {
  const auto it = m_keys.find(folded);
  return it == m_keys.end() ? nullptr : &it->second;
}

MemoryRegistryStore::NamedValue* MemoryRegistryStore::findValue(Key& key, const std::string& name) {
  const std::string folded = lowerAscii(name);
  for (auto& named : key.values) {
    if (lowerAscii(named.first) == folded) {
      return &named;
    }
  }
  return nullptr;
}

void MemoryRegistryStore::createKey(const std::string& path) {
  ensureKey(path);
}

void MemoryRegistryStore::setString(const std::string& path, const std::string& name,
                                    const std::string& value) {
  std::vector<std::uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  setRaw(path, name, kRegString, std::move(bytes));
}

void MemoryRegistryStore::setDword(const std::string& path, const std::string& name,
                                   std::uint32_t value) {
  std::vector<std::uint8_t> bytes(sizeof(value));
  std::memcpy(bytes.data(), &value, sizeof(value));
  setRaw(path, name, kRegDword, std::move(bytes));
}

void MemoryRegistryStore::setRaw(const std::string& path, const std::string& name,
                                 std::uint32_t type, std::vector<std::uint8_t> bytes) {
  Key& key = ensureKey(path);
  if (NamedValue* existing = findValue(key, name)) {
    existing->second = Value{type, std::move(bytes)};
  } else {
    key.values.emplace_back(name, Value{type, std::move(bytes)});
  }
}

bool MemoryRegistryStore::hasKey(const std::string& path) const {
  return findKey(foldPath(path)) != nullptr;
}

std::map<std::string, MemoryRegistryStore::Value>
MemoryRegistryStore::values(const std::string& path) const {
  std::map<std::string, Value> out;
  if (const Key* key = findKey(foldPath(path))) {
    for (const auto& [name, value] : key->values) {
      out.emplace(name, value);
    }
  }
  return out;
}

void MemoryRegistryStore::failOpen(const std::string& path, RegResult code) {
  if (code == kRegSuccess) {
    m_openFailures.erase(foldPath(path));
  } else {
    m_openFailures[foldPath(path)] = code;
  }
}

bool MemoryRegistryStore::resolve(RegKeyHandle handle, std::string& folded) const {
  if (handle == m_root) {
    folded.clear();
    return true;
  }
  const auto it = m_handles.find(handle);
  if (it == m_handles.end()) {
    return false;
  }
  folded = it->second;
  return true;
}

RegResult MemoryRegistryStore::openKey(RegKeyHandle root, const std::string& subKey,
                                       RegKeyHandle& key) {
  if ((root == kRegLocalMachine || root == kRegCurrentUser) && root != m_root) {
    return kRegFileNotFound; // only one root's keys are modelled
  }
  std::string base;
  if (!resolve(root, base)) {
    return kRegInvalidHandle;
  }
  const std::string relative = foldPath(subKey);
  std::string folded = base;
  if (!relative.empty()) {
    folded += folded.empty() ? relative : "\\" + relative;
  }
  if (const auto failure = m_openFailures.find(folded); failure != m_openFailures.end()) {
    return failure->second;
  }
  if (findKey(folded) == nullptr) {
    return kRegFileNotFound;
  }
  key = m_nextHandle;
  m_nextHandle += 4;
  m_handles.emplace(key, folded);
  return kRegSuccess;
}

RegResult MemoryRegistryStore::queryValue(RegKeyHandle key, const std::string& name,
                                          std::uint32_t& type, std::uint8_t* data,
                                          std::uint32_t& size) {
  std::string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  const auto it = m_keys.find(folded);
  if (it == m_keys.end()) {
    return kRegFileNotFound;
  }
  const NamedValue* named = findValue(it->second, name);
  if (named == nullptr) {
    return kRegFileNotFound;
  }
  return deliverValue(named->second.type, named->second.data, type, data, size);
}

RegResult MemoryRegistryStore::setValue(RegKeyHandle key, const std::string& name,
                                        std::uint32_t type, const std::uint8_t* data,
                                        std::uint32_t size) {
  std::string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  if (m_setFailure != kRegSuccess) {
    return m_setFailure;
  }
  const auto it = m_keys.find(folded);
  if (it == m_keys.end()) {
    return kRegFileNotFound;
  }
  std::vector<std::uint8_t> bytes;
  if (size > 0) {
    if (data == nullptr) {
      return kRegNoAccess;
    }
    bytes.assign(data, data + size);
  }
  if (NamedValue* existing = findValue(it->second, name)) {
    existing->second = Value{type, std::move(bytes)};
  } else {
    it->second.values.emplace_back(name, Value{type, std::move(bytes)});
  }
  return kRegSuccess;
}

RegResult MemoryRegistryStore::closeKey(RegKeyHandle key) {
  if (key == kRegCurrentUser || key == kRegLocalMachine) {
    return kRegSuccess; // closing a predefined root is allowed and does nothing
  }
  return m_handles.erase(key) == 1 ? kRegSuccess : kRegInvalidHandle;
}

RegResult MemoryRegistryStore::enumSubKey(RegKeyHandle key, std::uint32_t index,
                                          std::string& name) {
  name.clear();
  std::string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  const std::string prefix = folded.empty() ? folded : folded + "\\";
  std::uint32_t seen = 0;
  for (const auto& [path, unused] : m_keys) {
    // Direct children only: the map holds every ancestor, so grandchildren add nothing new.
    if (path.size() > prefix.size() && path.starts_with(prefix) &&
        path.find('\\', prefix.size()) == std::string::npos) {
      if (seen++ == index) {
        name = path.substr(prefix.size());
        return kRegSuccess;
      }
    }
  }
  return kRegNoMoreItems;
}

} // namespace texkit2::platform
