#pragma once

// Shared by the Windows GUI tests: the test layouts of TestResources.rc, a message loop that
// waits for a condition, and actions run inside a modal loop.

#include "framework/Dialog.h"
#include "framework/win32/Win32Dialog.h"
#include "framework/win32/Win32Toolkit.h"

#include <functional>
#include <string>

namespace texkit2::tests {

constexpr int kControlsLayout = 200;
constexpr int kTreeLayout = 201;
constexpr int kTexturesLayout = 202;
constexpr int kIcon = 128;
constexpr int kTreeBitmap = 134;
constexpr int kClip = 129;

inline framework::win32::Win32Toolkit& kit() {
  return framework::win32::Win32Toolkit::instance();
}

// Handles messages until `done` holds; false when it still does not after `milliseconds`.
inline bool pumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (!done()) {
    if (::GetTickCount64() >= end) {
      return false;
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    kit().pumpPending();
  }
  return true;
}

// Handles messages for `milliseconds`.
inline void pumpFor(int milliseconds) {
  pumpUntil([] { return false; }, milliseconds);
}

// Runs `action` with the innermost modal dialog once it is on screen. A dialog still running
// 5 s later is cancelled, so that a test that fails does not hang.
struct ModalAction {
  static inline std::function<void(HWND)> pending;
  static inline ULONGLONG deadline = 0;

  static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND top = kit().topModalWindow();
    if (pending && top != nullptr && ::IsWindowVisible(top)) {
      auto run = std::move(pending);
      pending = nullptr;
      run(top);
    } else if (top != nullptr && ::GetTickCount64() > deadline) {
      ::PostMessageA(top, WM_COMMAND, framework::CDialog::IDCANCEL, 0);
    } else if (top == nullptr && !pending) {
      ::KillTimer(nullptr, timer);
    }
  }
};

inline void whenModal(std::function<void(HWND)> action) {
  ModalAction::pending = std::move(action);
  ModalAction::deadline = ::GetTickCount64() + 5000;
  ::SetTimer(nullptr, 0, 10, &ModalAction::tick);
}

// Tells `dialog` it is now on a monitor of `dpi`, as Windows does when it is moved there: the
// suggested frame is its own, scaled from the DPI it has, from the same corner.
inline void moveToDpi(HWND dialog, int dpi, int fromDpi) {
  RECT frame{};
  ::GetWindowRect(dialog, &frame);
  RECT suggested{frame.left, frame.top,
                 frame.left + ::MulDiv(frame.right - frame.left, dpi, fromDpi),
                 frame.top + ::MulDiv(frame.bottom - frame.top, dpi, fromDpi)};
  ::SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

inline std::string windowText(HWND window) {
  char text[512] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

inline std::string itemText(HWND dialog, int controlId) {
  char text[512] = {};
  ::GetDlgItemTextA(dialog, controlId, text, sizeof text);
  return text;
}

} // namespace texkit2::tests
