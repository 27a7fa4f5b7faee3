#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

namespace texkit2::platform {

// Result codes are the platform's error numbers: 0 is success.
using RegResult = std::int32_t;
inline constexpr RegResult kRegSuccess = 0;
inline constexpr RegResult kRegFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
inline constexpr RegResult kRegAccessDenied = 5;  // ERROR_ACCESS_DENIED
inline constexpr RegResult kRegInvalidHandle = 6; // ERROR_INVALID_HANDLE
inline constexpr RegResult kRegMoreData = 234;    // ERROR_MORE_DATA
inline constexpr RegResult kRegNoMoreItems = 259; // ERROR_NO_MORE_ITEMS
inline constexpr RegResult kRegWriteFault = 29;   // ERROR_WRITE_FAULT

// Opaque key handles; the two roots have the platform's predefined values.
using RegKeyHandle = std::uintptr_t;
inline constexpr RegKeyHandle kRegCurrentUser = 0x80000001u;
inline constexpr RegKeyHandle kRegLocalMachine = 0x80000002u;

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegString = 1; // REG_SZ
inline constexpr std::uint32_t kRegDword = 4;  // REG_DWORD

// Just what texture-pack registration and the game-library lookups need of a registry: no key
// is ever created.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  // Opens an existing key below `root` with write access; `subKey` uses backslashes.
  virtual RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) = 0;
  // As RegQueryValueExA: `size` offers the buffer's size and returns the value's size (also
  // with kRegMoreData when the buffer is too small, and then nothing is copied).
  virtual RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) = 0;
  // As RegSetValueExA: strings come with their terminating NUL counted in `size`.
  virtual RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) = 0;
  virtual RegResult closeKey(RegKeyHandle key) = 0;
  // As RegEnumKeyExA: the name of the `index`th sub-key of `key`, kRegNoMoreItems past the last.
  // Stores that cannot list keys have none to list.
  virtual RegResult enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) {
    (void)key;
    (void)index;
    name.clear();
    return kRegNoMoreItems;
  }
};

// Hands a stored value to a RegQueryValueExA-style caller: the size alone when `data` is null,
// kRegMoreData and the size needed when the buffer is too small (nothing copied), else the bytes.
inline RegResult deliverValue(std::uint32_t storedType, std::span<const std::uint8_t> bytes,
                              std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
  const auto needed = static_cast<std::uint32_t>(bytes.size());
  type = storedType;
  if (data == nullptr) {
    size = needed;
    return kRegSuccess;
  }
  if (size < needed) {
    size = needed;
    return kRegMoreData;
  }
  std::copy(bytes.begin(), bytes.end(), data);
  size = needed;
  return kRegSuccess;
}

} // namespace texkit2::platform
