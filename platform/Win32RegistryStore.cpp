#include "platform/Win32RegistryStore.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::platform {
namespace {

// Our handles carry HKEY values. The predefined roots are mapped by name: HKEY_CURRENT_USER is
// sign-extended on 64-bit Windows, so it is not the plain 0x80000001 of kRegCurrentUser.
HKEY toHkey(RegKeyHandle handle) {
  if (handle == kRegCurrentUser) {
    return HKEY_CURRENT_USER;
  }
  if (handle == kRegLocalMachine) {
    return HKEY_LOCAL_MACHINE;
  }
  return reinterpret_cast<HKEY>(handle);
}

} // namespace

RegResult Win32RegistryStore::openKey(RegKeyHandle root, const std::string& subKey,
                                      RegKeyHandle& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExA(toHkey(root), subKey.c_str(), 0,
                                       m_readOnly ? KEY_READ : KEY_ALL_ACCESS, &opened);
  if (status == ERROR_SUCCESS) {
    key = reinterpret_cast<RegKeyHandle>(opened);
  }
  return static_cast<RegResult>(status);
}

RegResult Win32RegistryStore::queryValue(RegKeyHandle key, const std::string& name,
                                         std::uint32_t& type, std::uint8_t* data,
                                         std::uint32_t& size) {
  DWORD valueType = REG_NONE;
  DWORD valueSize = size;
  const LSTATUS status =
      RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &valueType, data, &valueSize);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    type = valueType;
    size = valueSize;
  }
  return static_cast<RegResult>(status);
}

RegResult Win32RegistryStore::setValue(RegKeyHandle key, const std::string& name,
                                       std::uint32_t type, const std::uint8_t* data,
                                       std::uint32_t size) {
  return static_cast<RegResult>(RegSetValueExA(toHkey(key), name.c_str(), 0, type, data, size));
}

RegResult Win32RegistryStore::closeKey(RegKeyHandle key) {
  return static_cast<RegResult>(RegCloseKey(toHkey(key)));
}

RegResult Win32RegistryStore::enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) {
  char buffer[256]; // a key name holds at most 255 characters
  DWORD length = sizeof buffer;
  const LSTATUS status =
      RegEnumKeyExA(toHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  name = status == ERROR_SUCCESS ? std::string(buffer, length) : std::string();
  return static_cast<RegResult>(status);
}

} // namespace texkit2::platform
