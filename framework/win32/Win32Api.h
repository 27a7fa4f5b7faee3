#pragma once

// <windows.h> and the common controls for the backend and its tests, without the macros that
// would rename or break the framework's own names: CDialog::IDOK and CDialog::SC_CLOSE (constants
// there), CDialog::SetDlgItemText and framework::LoadString (A/W switches here).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The common controls need windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#undef IDOK
#undef IDCANCEL
#undef SC_MOVE
#undef SC_CLOSE
#undef LoadString
#undef SetDlgItemText
#undef GetDlgItemText

namespace texkit2::framework::win32 {

// A resource named by number, as MAKEINTRESOURCEA spells it.
inline LPCSTR resourceName(int id) {
  return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}

} // namespace texkit2::framework::win32
