// Long operations, calls from the worker, the wait-cursor capture and message boxes of the
// Win32 backend: the dialogs' thread keeps handling timers and animations while a worker runs.
#include "framework/LongOperation.h"
#include "framework/win32/Win32Screenshot.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace texkit2::tests {
namespace {

using framework::CDialog;
using framework::win32::windowOf;

class TickingDialog : public CDialog {
 public:
  TickingDialog() : CDialog(kControlsLayout) {}
  void OnTimer(int id) override {
    ++ticks;
    if (onTick) {
      onTick(id);
    }
  }
  void OnCommand(int controlId) override { commands.push_back(controlId); }
  HWND hwnd() const { return windowOf(this); }
  int ticks = 0;
  std::function<void(int)> onTick;
  std::vector<int> commands;
};

TEST(Win32LongOperationTest, TimersTickWhileTheWorkerRuns) {
  TickingDialog dialog;
  dialog.Create();
  dialog.SetTimer(1, 20);
  DWORD workerThread = 0;
  framework::runLongOperation([&] {
    workerThread = ::GetCurrentThreadId();
    ::Sleep(400);
  });
  EXPECT_NE(workerThread, ::GetCurrentThreadId());
  EXPECT_GE(dialog.ticks, 5);
}

TEST(Win32LongOperationTest, CallsFromTheWorkerRunOnTheDialogsThread) {
  const DWORD gui = ::GetCurrentThreadId();
  std::vector<DWORD> threads;
  int waited = 0;
  framework::runLongOperation([&] {
    framework::callOnGuiThread([&] { threads.push_back(::GetCurrentThreadId()); }, false);
    framework::callOnGuiThread(
        [&] {
          threads.push_back(::GetCurrentThreadId());
          waited = 1;
        },
        true);
    EXPECT_EQ(waited, 1); // the call had finished when callOnGuiThread returned
    // Posted just before the worker ends: still run before runLongOperation returns.
    framework::callOnGuiThread([&] { threads.push_back(::GetCurrentThreadId()); }, false);
  });
  EXPECT_EQ(threads, (std::vector<DWORD>{gui, gui, gui}));
  // On the dialogs' thread, a call runs at once.
  framework::callOnGuiThread([&] { threads.push_back(0); }, false);
  EXPECT_EQ(threads.size(), 4u);
}

TEST(Win32LongOperationTest, ExceptionsReachTheCaller) {
  EXPECT_THROW(framework::runLongOperation([] { throw std::runtime_error("worker"); }),
               std::runtime_error);
  EXPECT_THROW(framework::runLongOperation(
                   [] { framework::callOnGuiThread([] { throw std::logic_error("gui"); }, true); }),
               std::logic_error);
}

TEST(Win32LongOperationTest, TheCaptureHoldsOffTheOwnersInputOnly) {
  TickingDialog owner;
  owner.Create();
  TickingDialog other;
  other.Create();
  const auto click = [](HWND button) {
    ::PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  };
  {
    framework::WaitCursorCapture capture(owner);
    EXPECT_EQ(::GetCapture(), owner.hwnd());
    // The wait cursor stays over the dialog when the window system asks for one.
    ::SetCursor(nullptr);
    ::SendMessageA(owner.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(owner.hwnd()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, framework::win32::resourceName(32514)));
    framework::runLongOperation([&] {
      framework::callOnGuiThread(
          [&] {
            click(::GetDlgItem(owner.hwnd(), 1004));
            click(::GetDlgItem(other.hwnd(), 1004));
          },
          true);
      ::Sleep(200);
    });
    EXPECT_TRUE(owner.commands.empty());
    EXPECT_EQ(other.commands, std::vector<int>{1004});
  }
  EXPECT_EQ(::GetCapture(), nullptr);
  click(::GetDlgItem(owner.hwnd(), 1004));
  EXPECT_TRUE(pumpUntil([&] { return !owner.commands.empty(); }, 2000));
}

// Answers the next message box, from a thread timer that its own modal loop dispatches.
struct BoxAnswer {
  static inline std::string text;
  static inline HWND owner = nullptr;
  static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = ::FindWindowA("#32770", "Texkit2 test");
    if (box == nullptr) {
      return;
    }
    ::KillTimer(nullptr, timer);
    text = itemText(box, 0xFFFF);
    owner = ::GetWindow(box, GW_OWNER);
    ::PostMessageA(box, WM_COMMAND, IDOK_BUTTON, 0);
  }
  static constexpr int IDOK_BUTTON = 1;
};

TEST(Win32LongOperationTest, AMessageBoxFromTheWorkerIsOwnedByTheDialog) {
  TickingDialog dialog;
  dialog.Create();
  ::ShowWindow(dialog.hwnd(), SW_SHOWNA);
  ::SetTimer(nullptr, 0, 20, &BoxAnswer::tick);
  framework::runLongOperation([&] {
    framework::toolkit().messageBox(&dialog, "No pak0.pak here", "Texkit2 test",
                                    framework::BoxIcon::Warning);
  });
  EXPECT_EQ(BoxAnswer::text, "No pak0.pak here");
  EXPECT_EQ(BoxAnswer::owner, dialog.hwnd());
}

TEST(Win32LongOperationTest, TheAnimationMovesWhileTheWorkerRuns) {
  TickingDialog dialog;
  dialog.Create();
  ::ShowWindow(dialog.hwnd(), SW_SHOWNA);
  ASSERT_TRUE(dialog.AnimateOpen(1005, kClip));
  ASSERT_TRUE(dialog.AnimatePlay(1005, 0, -1, -1));
  std::set<std::vector<std::uint32_t>> frames;
  dialog.onTick = [&](int) {
    frames.insert(framework::win32::captureWindow(::GetDlgItem(dialog.hwnd(), 1005)).rgb);
  };
  dialog.SetTimer(1, 45);
  framework::runLongOperation([] { ::Sleep(800); });
  dialog.AnimateStop(1005);
  // 6 frames of 100 ms in 800 ms, sampled every 45 ms.
  EXPECT_GE(frames.size(), 4u);
}

} // namespace
} // namespace texkit2::tests
