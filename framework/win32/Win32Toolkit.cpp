#include "framework/win32/Win32Toolkit.h"

#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/win32/Win32Dialog.h"
#include "framework/win32/Win32Tree.h"

#include <algorithm>
#include <commdlg.h>
#include <objbase.h>
#include <process.h>
#include <shlobj.h>

namespace texkit2::framework {
namespace win32 {
namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr const char* kCallWindowClass = "Texkit2GuiThreadCalls";
constexpr ATOM kDialogClass = 0x8002; // WC_DIALOG, "#32770"

LPCSTR waitCursor() {
  return resourceName(32514); // IDC_WAIT
}

// A function for the GUI thread. Posted calls (wParam 1) are deleted there; a sent one
// carries its exception back to the thread that waits for it.
struct GuiCall {
  std::function<void()> fn;
  std::exception_ptr error;
};

LRESULT CALLBACK callWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kCallMessage) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  auto* call = reinterpret_cast<GuiCall*>(lParam);
  const bool posted = wParam != 0;
  try {
    call->fn();
  } catch (...) {
    if (posted) {
      Win32Toolkit::instance().keepException(std::current_exception());
    } else {
      call->error = std::current_exception();
    }
  }
  if (posted) {
    delete call;
  }
  return 0;
}

bool isUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         message == WM_SYSCOMMAND; // the window manager's close box arrives posted
}

class Win32Capture final : public CapturePeer {
 public:
  explicit Win32Capture(HWND window) : m_window(window) {
    if (m_window != nullptr) {
      Win32Toolkit::instance().holdInput(m_window);
      ::SetCapture(m_window);
    }
    m_previous = ::SetCursor(::LoadCursorA(nullptr, waitCursor()));
  }

  ~Win32Capture() override {
    if (m_window != nullptr) {
      Win32Toolkit& kit = Win32Toolkit::instance();
      kit.releaseInput(m_window);
      if (!kit.inputHeldOff(m_window) && ::GetCapture() == m_window) {
        ::ReleaseCapture();
      }
    }
    ::SetCursor(m_previous != nullptr ? m_previous : ::LoadCursorA(nullptr, resourceName(32512)));
    // The window under the pointer chooses its cursor again.
    POINT pointer{};
    if (::GetCursorPos(&pointer)) {
      ::SetCursorPos(pointer.x, pointer.y);
    }
  }

  Win32Capture(const Win32Capture&) = delete;
  Win32Capture& operator=(const Win32Capture&) = delete;

 private:
  HWND m_window;
  HCURSOR m_previous = nullptr;
};

struct LongOperation {
  const std::function<void()>* work;
  std::exception_ptr error;
};

unsigned __stdcall runWork(void* argument) {
  auto* operation = static_cast<LongOperation*>(argument);
  try {
    (*operation->work)();
  } catch (...) {
    operation->error = std::current_exception();
  }
  return 0;
}

} // namespace

Win32Toolkit::Win32Toolkit()
    : m_module(::GetModuleHandleA(nullptr)), m_guiThread(::GetCurrentThreadId()) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC =
      ICC_WIN95_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS;
  ::InitCommonControlsEx(&controls);

  WNDCLASSA calls{};
  calls.lpfnWndProc = &callWindowProc;
  calls.hInstance = m_module;
  calls.lpszClassName = kCallWindowClass;
  ::RegisterClassA(&calls);
  // A message-only window: it is never shown and takes part in no enumeration.
  HWND const messageOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)); // HWND_MESSAGE
  m_callWindow = ::CreateWindowExA(0, kCallWindowClass, "", 0, 0, 0, 0, 0, messageOnly, nullptr,
                                   m_module, nullptr);
}

Win32Toolkit::~Win32Toolkit() {
  if (m_callWindow != nullptr && ::IsWindow(m_callWindow)) {
    ::DestroyWindow(m_callWindow);
  }
}

Win32Toolkit& Win32Toolkit::instance() {
  // Made by the first use, which is the thread of the dialogs.
  static Win32Toolkit toolkit;
  return toolkit;
}

std::unique_ptr<DialogPeer> Win32Toolkit::createDialog(CDialog& dialog) {
  return std::make_unique<Win32Dialog>(dialog);
}

std::unique_ptr<ImageListPeer> Win32Toolkit::createImageList(int bitmapId, int imageWidth,
                                                             std::uint32_t maskRgb) {
  return Win32ImageList::load(m_module, bitmapId, imageWidth, maskRgb);
}

std::unique_ptr<CapturePeer> Win32Toolkit::captureWithWaitCursor(CDialog& owner) {
  return std::make_unique<Win32Capture>(windowOf(&owner));
}

bool Win32Toolkit::pumpOne() {
  if (m_quit) {
    return false;
  }
  MSG msg{};
  const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
  if (got == 0) {
    m_quit = true;
    m_quitCode = static_cast<int>(msg.wParam);
    return false;
  }
  if (got != -1) {
    dispatch(msg);
  }
  return true;
}

bool Win32Toolkit::pumpPending() {
  // After a quit request too: a worker may still wait for a call it sent.
  MSG msg{};
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      m_quit = true;
      m_quitCode = static_cast<int>(msg.wParam);
      continue;
    }
    dispatch(msg);
  }
  return !m_quit;
}

void Win32Toolkit::dispatch(MSG& msg) {
  if (isUserInput(msg.message) && msg.hwnd != nullptr && inputHeldOff(msg.hwnd)) {
    return;
  }
  HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  const bool dialog = root != nullptr && ::GetClassLongPtrA(root, GCW_ATOM) == kDialogClass;
  if (!dialog || !::IsDialogMessageA(root, &msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  rethrowKept();
}

void Win32Toolkit::popModal(Win32Dialog* dialog) {
  const auto found = std::find(m_modal.rbegin(), m_modal.rend(), dialog);
  if (found != m_modal.rend()) {
    m_modal.erase(std::next(found).base());
  }
  // The outermost loop has ended: the program's own loop gets the quit request.
  if (m_modal.empty() && m_longOperations == 0 && m_quit) {
    m_quit = false;
    ::PostQuitMessage(m_quitCode);
  }
}

HWND Win32Toolkit::topModalWindow() const {
  return m_modal.empty() ? nullptr : m_modal.back()->hwnd();
}

bool Win32Toolkit::inputHeldOff(HWND window) const {
  if (m_heldOff.empty() || window == nullptr) {
    return false;
  }
  HWND root = ::GetAncestor(window, GA_ROOT);
  return std::find(m_heldOff.begin(), m_heldOff.end(), root) != m_heldOff.end();
}

void Win32Toolkit::releaseInput(HWND window) {
  const auto found = std::find(m_heldOff.begin(), m_heldOff.end(), window);
  if (found != m_heldOff.end()) {
    m_heldOff.erase(found);
  }
}

void Win32Toolkit::keepException(std::exception_ptr error) {
  if (!m_kept) {
    m_kept = std::move(error);
  }
}

void Win32Toolkit::rethrowKept() {
  if (m_kept) {
    std::exception_ptr error = std::move(m_kept);
    m_kept = nullptr;
    std::rethrow_exception(error);
  }
}

void Win32Toolkit::runLongOperation(const std::function<void()>& work) {
  if (::GetCurrentThreadId() != m_guiThread) {
    work(); // already off the dialogs' thread
    return;
  }
  LongOperation operation{&work, nullptr};
  // _beginthreadex, not CreateThread: the C runtime's per-thread state is set up for the work.
  const std::uintptr_t started = ::_beginthreadex(nullptr, 0, &runWork, &operation, 0, nullptr);
  if (started == 0) {
    work();
    return;
  }
  auto* thread = reinterpret_cast<HANDLE>(started);
  ++m_longOperations;
  std::exception_ptr handlerError;
  for (;;) {
    const DWORD woken =
        ::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) {
      break;
    }
    // The worker still uses `operation`: a handler's exception waits until it has finished.
    try {
      pumpPending();
    } catch (...) {
      if (!handlerError) {
        handlerError = std::current_exception();
      }
    }
  }
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  --m_longOperations;
  if (m_modal.empty() && m_longOperations == 0 && m_quit) {
    m_quit = false;
    ::PostQuitMessage(m_quitCode);
  }
  // What the worker posted before it ended arrives before the operation returns.
  MSG msg{};
  while (::PeekMessageA(&msg, m_callWindow, kCallMessage, kCallMessage, PM_REMOVE)) {
    dispatch(msg);
  }
  if (operation.error) {
    std::rethrow_exception(operation.error);
  }
  if (handlerError) {
    std::rethrow_exception(handlerError);
  }
}

void Win32Toolkit::callOnGuiThread(std::function<void()> fn, bool wait) {
  if (::GetCurrentThreadId() == m_guiThread) {
    fn();
    return;
  }
  if (wait) {
    GuiCall call{std::move(fn), nullptr};
    ::SendMessageA(m_callWindow, kCallMessage, 0, reinterpret_cast<LPARAM>(&call));
    if (call.error) {
      std::rethrow_exception(call.error);
    }
    return;
  }
  auto* call = new GuiCall{std::move(fn), nullptr};
  if (!::PostMessageA(m_callWindow, kCallMessage, 1, reinterpret_cast<LPARAM>(call))) {
    delete call;
  }
}

void Win32Toolkit::messageBox(CDialog* owner, const std::string& text, const std::string& caption,
                              BoxIcon icon) {
  if (::GetCurrentThreadId() != m_guiThread) {
    callOnGuiThread([&] { messageBox(owner, text, caption, icon); }, true);
    return;
  }
  HWND window = windowOf(owner);
  if (window == nullptr) {
    window = topModalWindow();
  }
  UINT style = MB_OK;
  if (icon == BoxIcon::Warning) {
    style |= MB_ICONWARNING;
  } else if (icon == BoxIcon::Error) {
    style |= MB_ICONERROR;
  }
  if (window == nullptr) {
    style |= MB_TASKMODAL;
  }
  ::MessageBoxA(window, text.c_str(), caption.c_str(), style);
  // The box disabled its owner while it was up, which ended a capture held there.
  if (window != nullptr && inputHeldOff(window)) {
    ::SetCapture(::GetAncestor(window, GA_ROOT));
    ::SetCursor(::LoadCursorA(nullptr, waitCursor()));
  }
}

std::optional<std::string> Win32Toolkit::loadString(int id) {
  std::string buffer(256, '\0');
  for (;;) {
    const int length = ::LoadStringA(m_module, static_cast<UINT>(id), buffer.data(),
                                     static_cast<int>(buffer.size()));
    if (length <= 0) {
      return std::nullopt;
    }
    // LoadStringA cuts what does not fit, without saying so.
    if (static_cast<std::size_t>(length) + 1 < buffer.size() || buffer.size() >= 0x10000) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::string> Win32Toolkit::chooseFileToOpen(CDialog* owner, const std::string& title,
                                                          const std::string& filterName,
                                                          const std::string& patterns) {
  // Pairs of name and patterns, each ended by a zero, the list by one more.
  std::string filter;
  for (const std::string& part :
       {filterName, patterns, std::string("All files"), std::string("*.*")}) {
    filter += part;
    filter.push_back('\0');
  }
  std::string path(4096, '\0');
  OPENFILENAMEA choice{};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = windowOf(owner);
  if (choice.hwndOwner == nullptr) {
    choice.hwndOwner = topModalWindow();
  }
  choice.lpstrFilter = filter.c_str();
  choice.nFilterIndex = 1;
  choice.lpstrFile = path.data();
  choice.nMaxFile = static_cast<DWORD>(path.size());
  choice.lpstrTitle = title.c_str();
  choice.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameA(&choice)) {
    return std::nullopt;
  }
  return std::string(path.c_str());
}

std::optional<std::string> Win32Toolkit::chooseFolder(CDialog* owner, const std::string& title) {
  // The chooser of the new style is made of COM objects of the calling thread's apartment.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  char name[MAX_PATH] = {};
  BROWSEINFOA browse{};
  browse.hwndOwner = windowOf(owner);
  if (browse.hwndOwner == nullptr) {
    browse.hwndOwner = topModalWindow();
  }
  browse.pszDisplayName = name;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  std::optional<std::string> chosen;
  if (LPITEMIDLIST folder = ::SHBrowseForFolderA(&browse)) {
    char path[MAX_PATH] = {};
    if (::SHGetPathFromIDListA(folder, path)) {
      chosen = path;
    }
    ::CoTaskMemFree(folder);
  }
  if (SUCCEEDED(com)) {
    ::CoUninitialize();
  }
  return chosen;
}

} // namespace win32

Toolkit& toolkit() {
  return win32::Win32Toolkit::instance();
}

std::optional<std::string> LoadString(int id) {
  return toolkit().loadString(id);
}

} // namespace texkit2::framework
