#pragma once

// Reading and making registry keys the way the level editor and other programs would, for the
// tests of the Win32 registry store; the product itself never creates a key.
#include "extract/TexturePack.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::testing {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};

inline bool keyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

inline bool createKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

inline std::optional<RawValue> readValue(const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawValue value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.resize(size);
    status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

inline std::vector<std::uint8_t> stringBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// The level editor's own settings key, made for the test and removed after it. Where the editor
// is installed its settings are real: the tests that need them skip rather than touch them.
class EditorSettings {
 public:
  static constexpr const char* kEditorKey = "Software\\Corvanne";

  EditorSettings() : m_preexisting(keyExists(kEditorKey)) {}
  ~EditorSettings() {
    if (!m_preexisting) {
      RegDeleteTreeA(HKEY_CURRENT_USER, kEditorKey);
      RegDeleteKeyA(HKEY_CURRENT_USER, kEditorKey);
    }
  }
  EditorSettings(const EditorSettings&) = delete;
  EditorSettings& operator=(const EditorSettings&) = delete;

  bool preexisting() const { return m_preexisting; }

  static std::string slot(int number) { return extract::kTexturePackBase + std::to_string(number); }

 private:
  bool m_preexisting;
};

} // namespace texkit2::testing
