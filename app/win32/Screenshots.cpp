#include "app/win32/Screenshots.h"

#include "framework/Dialog.h"
#include "framework/win32/Win32CommonControls.h"
#include "framework/win32/Win32Dialog.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Screenshot.h"
#include "framework/win32/Win32Toolkit.h"

namespace texkit2::app {
namespace {

using framework::win32::Win32Toolkit;

// Lets the window system deliver what is waiting (paints, the animation's frames) for a while.
void settle(int milliseconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    Win32Toolkit::instance().pumpPending();
  }
}

std::string save(HWND window, const std::string& folder, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  settle(150);
  const std::string path = folder + "\\" + name + ".bmp";
  return framework::win32::saveWindowBitmap(window, path) ? path : std::string();
}

// The pending modal picture: a timer looks for the dialog while the run goes on.
struct PendingModal {
  static inline std::string folder;
  static inline std::string name;
  static inline std::string written;
  static inline bool done = false;

  static void CALLBACK look(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND top = Win32Toolkit::instance().topModalWindow();
    if (done || top == nullptr || !IsWindowVisible(top)) {
      return;
    }
    done = true;
    KillTimer(nullptr, timer);
    written = save(top, folder, name);
    PostMessageA(top, WM_COMMAND, framework::CDialog::IDOK, 0);
  }
};

} // namespace

std::string drawnWith() {
  return framework::win32::describe(framework::win32::commonControlsVersion()) + ", at " +
         std::to_string(framework::win32::dpiOf(nullptr)) + " DPI";
}

std::string Win32ScreenshotCamera::take(framework::CDialog& dialog, const std::string& folder,
                                        const std::string& name) {
  HWND window = framework::win32::windowOf(&dialog);
  if (window == nullptr) {
    return {};
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return save(window, folder, name);
}

void Win32ScreenshotCamera::hide(framework::CDialog& dialog) {
  if (HWND window = framework::win32::windowOf(&dialog)) {
    ShowWindow(window, SW_HIDE);
  }
}

std::string Win32ScreenshotCamera::takeModal(int /*templateId*/, const std::string& folder,
                                             const std::string& name,
                                             const std::function<void()>& run) {
  // Messages of a screenshot run are printed, so the only modal dialog the run opens is the one
  // asked for.
  PendingModal::folder = folder;
  PendingModal::name = name;
  PendingModal::written.clear();
  PendingModal::done = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &PendingModal::look);
  run();
  if (!PendingModal::done) {
    KillTimer(nullptr, timer);
  }
  return PendingModal::written;
}

} // namespace texkit2::app
