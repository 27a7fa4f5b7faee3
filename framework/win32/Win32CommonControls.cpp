#include "framework/win32/Win32CommonControls.h"

#include "framework/win32/Win32Api.h"

#include <cstring>
#include <shlwapi.h>

namespace texkit2::framework::win32 {
namespace {

// The window class redirection data of an activation context: the versioned class name
// ("6.0.2600.2982!SysListView32") at an offset from the start of the record.
struct ClassRedirection {
  ULONG size;
  DWORD reserved;
  ULONG nameLength; // bytes
  ULONG nameOffset;
  ULONG moduleLength;
  ULONG moduleOffset;
};

std::string redirectedVersion() {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof data;
  if (!::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION,
                                  WC_LISTVIEWW, &data) ||
      data.lpData == nullptr || data.ulLength < sizeof(ClassRedirection)) {
    return {};
  }
  ClassRedirection record{};
  std::memcpy(&record, data.lpData, sizeof record);
  if (static_cast<std::size_t>(record.nameOffset) + record.nameLength > data.ulLength) {
    return {};
  }
  std::wstring name(record.nameLength / sizeof(wchar_t), L'\0');
  std::memcpy(name.data(), static_cast<const char*>(data.lpData) + record.nameOffset,
              name.size() * sizeof(wchar_t));
  const auto bang = name.find(L'!');
  std::string version;
  for (const wchar_t c : name.substr(0, bang == std::wstring::npos ? 0 : bang)) {
    version += static_cast<char>(c);
  }
  return version;
}

} // namespace

CommonControlsVersion commonControlsVersion() {
  CommonControlsVersion result;
  HMODULE controls = ::GetModuleHandleA("comctl32.dll");
  FARPROC found = controls != nullptr ? ::GetProcAddress(controls, "DllGetVersion") : nullptr;
  DLLGETVERSIONPROC getVersion = nullptr;
  std::memcpy(&getVersion, &found, sizeof getVersion);
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (getVersion != nullptr && getVersion(&info) == S_OK) {
    result.major = info.dwMajorVersion;
    result.minor = info.dwMinorVersion;
  }
  result.classes = redirectedVersion();
  return result;
}

std::string describe(const CommonControlsVersion& version) {
  return "Common controls " + std::to_string(version.major) + "." + std::to_string(version.minor) +
         ", window classes of " +
         (version.classes.empty() ? std::string("the system") : version.classes);
}

} // namespace texkit2::framework::win32
