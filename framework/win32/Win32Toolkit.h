#pragma once

// The Win32 backend's services: the message pump every modal loop and long operation shares,
// the stack of running modal dialogs, the held-off input of a wait-cursor capture, and the hidden
// window that carries calls posted from worker threads.

#include "framework/Toolkit.h"
#include "framework/win32/Win32Api.h"

#include <exception>
#include <vector>

namespace texkit2::framework::win32 {

class Win32Dialog;

class Win32Toolkit final : public Toolkit {
 public:
  Win32Toolkit();
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  static Win32Toolkit& instance();

  std::unique_ptr<DialogPeer> createDialog(CDialog& dialog) override;
  std::unique_ptr<ImageListPeer> createImageList(int bitmapId, int imageWidth,
                                                 std::uint32_t maskRgb) override;
  std::unique_ptr<CapturePeer> captureWithWaitCursor(CDialog& owner) override;
  void runLongOperation(const std::function<void()>& work) override;
  void callOnGuiThread(std::function<void()> fn, bool wait) override;
  void messageBox(CDialog* owner, const std::string& text, const std::string& caption,
                  BoxIcon icon) override;
  std::optional<std::string> loadString(int id) override;
  std::optional<std::string> chooseFileToOpen(CDialog* owner, const std::string& title,
                                              const std::string& filterName,
                                              const std::string& patterns) override;
  std::optional<std::string> chooseFolder(CDialog* owner, const std::string& title) override;

  // The module whose resources (dialogs, strings, icons, bitmaps, clips) the program uses.
  HINSTANCE module() const { return m_module; }

  // Waits for one message and handles it; false once WM_QUIT came, which ends every loop of
  // the toolkit (and is posted again when the outermost one has ended).
  bool pumpOne();
  // Handles every message waiting (after WM_QUIT too); false once WM_QUIT came.
  bool pumpPending();
  // Handles one message as every loop of the program does: held-off input dropped, dialog
  // keys (Tab, Enter, Escape) through the dialog manager.
  void dispatch(MSG& msg);

  // The running modal dialogs, innermost last; the innermost owns new dialogs and boxes that
  // name no owner.
  void pushModal(Win32Dialog* dialog) { m_modal.push_back(dialog); }
  void popModal(Win32Dialog* dialog);
  bool quitting() const { return m_quit; }
  HWND topModalWindow() const;

  // Whether a wait-cursor capture holds off the input of `window`'s top-level window.
  bool inputHeldOff(HWND window) const;
  void holdInput(HWND window) { m_heldOff.push_back(window); }
  void releaseInput(HWND window);

  // An exception thrown by a handler inside a window procedure travels to the loop that
  // dispatched the message, which throws it again there (C++ exceptions cannot cross the
  // system's frames).
  void keepException(std::exception_ptr error);
  void rethrowKept();

 private:
  HINSTANCE m_module = nullptr;
  DWORD m_guiThread = 0;
  HWND m_callWindow = nullptr;
  std::vector<Win32Dialog*> m_modal;
  std::vector<HWND> m_heldOff;
  std::exception_ptr m_kept;
  int m_longOperations = 0;
  bool m_quit = false;
  int m_quitCode = 0;
};

} // namespace texkit2::framework::win32
