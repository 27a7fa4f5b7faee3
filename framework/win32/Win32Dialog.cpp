#include "framework/win32/Win32Dialog.h"

#include "framework/Dialog.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Fonts.h"
#include "framework/win32/Win32Picture.h"
#include "framework/win32/Win32Thumbnails.h"
#include "framework/win32/Win32Toolkit.h"
#include "framework/win32/Win32Tree.h"

#include <algorithm>
#include <cstring>

namespace texkit2::framework::win32 {
namespace {

constexpr WORD kExtendedTemplate = 0xFFFF; // the second word of a DLGTEMPLATEEX
constexpr int kNoId = 0xFFFF;              // controls the layout gives no id (-1)
constexpr WPARAM kCloseCommand = 0xF060;   // SC_CLOSE
constexpr WPARAM kFirstSystemCommand = 0xF000;

// The dialog resource, copied so that it can be made hidden: a layout marked visible would
// otherwise appear before CDialog::Create has initialised its controls.
std::vector<DWORD> hiddenTemplate(HINSTANCE module, int templateId) {
  HRSRC resource = ::FindResourceA(module, resourceName(templateId), resourceName(5)); // RT_DIALOG
  HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
  std::vector<DWORD> copy;
  if (bytes == nullptr || size < 18) {
    // A missing layout: an empty box 100 x 50 with a caption (WS_POPUP | WS_CAPTION |
    // WS_SYSMENU | DS_MODALFRAME), no controls, menu, class or title, so that the program goes on.
    const WORD empty[] = {0x0080, 0x80C8, 0, 0, 0, 0, 0, 100, 50, 0, 0, 0};
    copy.resize((sizeof empty + 3) / 4);
    std::memcpy(copy.data(), empty, sizeof empty);
    return copy;
  }
  const auto* first = static_cast<const char*>(bytes);
  const std::vector<char> layout = withInstalledFont(std::vector<char>(first, first + size));
  copy.resize((layout.size() + 3) / 4);
  std::memcpy(copy.data(), layout.data(), layout.size());
  WORD second = 0;
  std::memcpy(&second, reinterpret_cast<const char*>(copy.data()) + 2, sizeof second);
  copy[second == kExtendedTemplate ? 3 : 0] &= ~DWORD{WS_VISIBLE};
  return copy;
}

bool isTree(HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return ::lstrcmpiA(name, WC_TREEVIEWA) == 0;
}

bool isRadio(HWND window) {
  return (::SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

LONG_PTR styleOf(HWND window) {
  return ::GetWindowLongPtrA(window, GWL_STYLE);
}

bool isPictureControl(HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return ::lstrcmpiA(name, "Static") == 0 && (styleOf(window) & SS_TYPEMASK) == SS_OWNERDRAW;
}

// Windows 10 scales a per-monitor dialog on its own when it moves to another DPI, but only
// from the layout's font; the dialog does it itself (onDpiChanged) on every version. Looked up
// at run time: older systems lack them.
void keepDpiChangesToTheDialog(HWND dialog) {
  HMODULE user = ::GetModuleHandleA("user32.dll");
  if (user == nullptr) {
    return;
  }
  constexpr int kDisableAll = 1;                 // DDC_DISABLE_ALL
  constexpr int kDisableFontAndRelayout = 1 | 2; // DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT
  using DialogBehaviour = BOOL(WINAPI*)(HWND, int, int);
  using ControlBehaviour = BOOL(WINAPI*)(HWND, int, int);
  FARPROC dialogFound = ::GetProcAddress(user, "SetDialogDpiChangeBehavior");
  FARPROC controlFound = ::GetProcAddress(user, "SetDialogControlDpiChangeBehavior");
  DialogBehaviour forDialog = nullptr;
  ControlBehaviour forControl = nullptr;
  std::memcpy(&forDialog, &dialogFound, sizeof forDialog);
  std::memcpy(&forControl, &controlFound, sizeof forControl);
  if (forDialog != nullptr) {
    forDialog(dialog, kDisableAll, kDisableAll);
  }
  if (forControl != nullptr) {
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
      forControl(control, kDisableFontAndRelayout, kDisableFontAndRelayout);
    }
  }
}

BOOL CALLBACK hideToolTipOf(HWND window, LPARAM owner) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (::lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 &&
      ::GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner)) {
    ::SendMessageA(window, TTM_POP, 0, 0);
    ::ShowWindow(window, SW_HIDE);
  }
  return TRUE;
}

// Words in the place of a missing picture, centred and wrapped, in the control's font.
void drawPictureText(HWND control, HDC dc, RECT area) {
  const int length = ::GetWindowTextLengthA(control);
  if (length <= 0) {
    return;
  }
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  HGDIOBJ font =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF colour = ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  constexpr UINT kFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  RECT measured = area;
  ::DrawTextA(dc, text.c_str(), -1, &measured, kFormat | DT_CALCRECT);
  const LONG height = measured.bottom - measured.top;
  area.top += std::max(0L, (area.bottom - area.top - height) / 2);
  ::DrawTextA(dc, text.c_str(), -1, &area, kFormat);
  ::SetTextColor(dc, colour);
  ::SetBkMode(dc, mode);
  ::SelectObject(dc, font);
}

} // namespace

Win32Dialog::Win32Dialog(CDialog& dialog) : m_dialog(dialog) {}

Win32Dialog::~Win32Dialog() {
  if (m_hwnd != nullptr) {
    // The CDialog is being destroyed: nothing the window still sends may reach it.
    ::SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
    for (const int id : m_timers) {
      ::KillTimer(m_hwnd, static_cast<UINT_PTR>(id));
    }
    m_trees.clear();
    m_thumbnails.clear();
    ::DestroyWindow(m_hwnd);
  }
  for (HICON icon : m_icons) {
    ::DestroyIcon(icon);
  }
  if (m_font != nullptr) {
    ::DeleteObject(m_font);
  }
}

void Win32Dialog::build() {
  if (m_hwnd != nullptr) {
    return;
  }
  Win32Toolkit& kit = Win32Toolkit::instance();
  HWND owner = windowOf(m_dialog.owner());
  if (owner == nullptr) {
    owner = kit.topModalWindow();
  }
  const std::vector<DWORD> layout = hiddenTemplate(kit.module(), m_dialog.templateId());
  ::CreateDialogIndirectParamA(kit.module(), reinterpret_cast<LPCDLGTEMPLATEA>(layout.data()),
                               owner, &dialogProc, reinterpret_cast<LPARAM>(this));
  // m_hwnd is set by WM_INITDIALOG, so that the controls work while the window is being made.
  if (m_hwnd == nullptr) {
    return;
  }
  m_dpi = dpiOf(m_hwnd);
  keepDpiChangesToTheDialog(m_hwnd);
  adoptOwnControls();
  addToolTips();
  centre();
}

void Win32Dialog::adoptOwnControls() {
  RECT client{};
  ::GetClientRect(m_hwnd, &client);
  for (HWND control = ::GetWindow(m_hwnd, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    // The dialog manager rounds a control's place and size apart, so one that ends at the
    // dialog's edge in units can end a pixel past it: it ends where its corner maps, the edge.
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&place), 2);
    constexpr LONG kRounding = 2;
    if ((place.right > client.right && place.right - client.right <= kRounding) ||
        (place.bottom > client.bottom && place.bottom - client.bottom <= kRounding)) {
      ::SetWindowPos(control, nullptr, 0, 0, std::min(place.right, client.right) - place.left,
                     std::min(place.bottom, client.bottom) - place.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int id = ::GetDlgCtrlID(control);
    if (Win32Thumbnails::isThumbnailList(control)) {
      m_thumbnails[id] = std::make_unique<Win32Thumbnails>(control, m_dialog, m_dpi);
    } else if (isPictureControl(control)) {
      m_pictures[id] = Picture{};
    }
  }
}

void Win32Dialog::centre() {
  RECT window{};
  ::GetWindowRect(m_hwnd, &window);
  RECT screen{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  RECT area = screen;
  HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner)) {
    ::GetWindowRect(owner, &area);
  }
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Over an owner near the edge, the dialog stays on the screen.
  x = std::max(screen.left, std::min(x, screen.right - width));
  y = std::max(screen.top, std::min(y, screen.bottom - height));
  ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Dialog::addToolTips() {
  m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd,
                                nullptr, Win32Toolkit::instance().module(), nullptr);
  if (m_toolTip == nullptr) {
    return;
  }
  for (HWND control = ::GetWindow(m_hwnd, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(control);
    if (id == 0 || id == kNoId) {
      continue;
    }
    TOOLINFOA tool{};
    // The size of the version-5 controls' structure, which version 6 accepts too.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // The mouse over a disabled control reaches the dialog instead: its area there, by id.
    tool.uFlags = TTF_SUBCLASS;
    tool.uId = static_cast<UINT_PTR>(id);
    ::GetWindowRect(control, &tool.rect);
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&tool.rect), 2);
    ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

int Win32Dialog::runModal() {
  build();
  if (m_hwnd == nullptr) {
    return -1;
  }
  Win32Toolkit& kit = Win32Toolkit::instance();
  HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
  const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
  if (disableOwner) {
    ::EnableWindow(owner, FALSE);
  }
  // Tooltips are topmost: one the owner showed would stay over this dialog.
  if (owner != nullptr) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &hideToolTipOf, reinterpret_cast<LPARAM>(owner));
  }
  kit.pushModal(this);
  m_running = true;
  ::ShowWindow(m_hwnd, SW_SHOW);
  ::SetForegroundWindow(m_hwnd);
  HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsChild(m_hwnd, focus)) {
    HWND first = ::GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
    if (first != nullptr) {
      ::SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
  }
  // On every way out, exceptions included: the owner enabled again before the dialog hides,
  // so that the activation goes back to it.
  struct Restore {
    Win32Dialog& self;
    HWND owner;
    bool enable;
    ~Restore() {
      self.m_running = false;
      Win32Toolkit::instance().popModal(&self);
      if (enable) {
        ::EnableWindow(owner, TRUE);
      }
      if (::IsWindow(self.m_hwnd)) {
        ::ShowWindow(self.m_hwnd, SW_HIDE);
      }
    }
  } restore{*this, owner, disableOwner};
  while (!m_ended && ::IsWindow(m_hwnd) && kit.pumpOne()) {
  }
  const int result = m_ended ? m_result : -1;
  m_ended = false;
  return result;
}

void Win32Dialog::end(int result) {
  m_result = result;
  m_ended = true;
  // A dialog that closes takes its timers with it.
  for (const int id : m_timers) {
    ::KillTimer(m_hwnd, static_cast<UINT_PTR>(id));
  }
  m_timers.clear();
  if (!m_running && m_hwnd != nullptr) {
    ::ShowWindow(m_hwnd, SW_HIDE);
  }
}

INT_PTR CALLBACK Win32Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    reinterpret_cast<Win32Dialog*>(lParam)->m_hwnd = hwnd;
    return TRUE; // the dialog manager puts the focus on the first tab stop
  }
  auto* self = reinterpret_cast<Win32Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) {
    return FALSE;
  }
  try {
    return self->handle(message, wParam, lParam);
  } catch (...) {
    Win32Toolkit::instance().keepException(std::current_exception());
    return TRUE;
  }
}

INT_PTR Win32Dialog::answer(LRESULT result) {
  ::SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR Win32Dialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND:
    return onCommand(wParam, lParam);
  case WM_NOTIFY:
    return onNotify(*reinterpret_cast<NMHDR*>(lParam));
  case WM_CLOSE:
    m_dialog.OnClose();
    return TRUE;
  case WM_SYSCOMMAND:
    // The dialog's own entries and Close; moving and the rest stay the window manager's.
    if ((wParam & 0xFFF0) == kCloseCommand || (wParam & 0xFFFF) < kFirstSystemCommand) {
      m_dialog.OnSysCommand(static_cast<int>(wParam & 0xFFFF));
      return answer(0);
    }
    return FALSE;
  case WM_TIMER:
    if (std::find(m_timers.begin(), m_timers.end(), static_cast<int>(wParam)) != m_timers.end()) {
      m_dialog.OnTimer(static_cast<int>(wParam));
      return TRUE;
    }
    return FALSE;
  case WM_HELP:
    m_dialog.OnHelp();
    return answer(TRUE);
  case WM_DRAWITEM: {
    const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const auto found = m_pictures.find(static_cast<int>(draw.CtlID));
    if (draw.CtlType != ODT_STATIC || found == m_pictures.end()) {
      return FALSE;
    }
    // The dialog's own background, which shows through the picture's transparent pixels.
    drawPicture(draw.hDC, draw.rcItem, m_shownPictures[found->first], ::GetSysColor(COLOR_BTNFACE));
    if (!hasPixels(found->second)) {
      drawPictureText(draw.hwndItem, draw.hDC, draw.rcItem);
    }
    return TRUE;
  }
  case WM_DPICHANGED:
    onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return answer(0);
  case WM_SETCURSOR:
    // While a long operation holds the dialog, the wait cursor stays over all of it.
    if (Win32Toolkit::instance().inputHeldOff(m_hwnd)) {
      ::SetCursor(::LoadCursorA(nullptr, resourceName(32514))); // IDC_WAIT
      return answer(TRUE);
    }
    return FALSE;
  default:
    return FALSE;
  }
}

INT_PTR Win32Dialog::onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  const auto animation = m_animations.find(id);
  if ((code == ACN_START || code == ACN_STOP) && animation != m_animations.end() &&
      reinterpret_cast<HWND>(lParam) == item(id)) {
    Animation& state = animation->second;
    if (code == ACN_STOP) {
      if (state.stopsOnTheWay > 0) {
        --state.stopsOnTheWay;
      } else if (state.finite) {
        state.playing = false; // the clip played its count and stopped by itself
      }
    }
    return TRUE;
  }
  if (code == EN_CHANGE) {
    if (m_quietEdits == 0) {
      m_dialog.OnEditChange(id);
    }
    return TRUE;
  }
  if (code != BN_CLICKED) {
    return FALSE;
  }
  m_dialog.OnCommand(id);
  return TRUE;
}

INT_PTR Win32Dialog::onNotify(const NMHDR& header) {
  if (header.code == TTN_GETDISPINFOA || header.code == TTN_GETDISPINFOW) {
    auto& info = const_cast<NMTTDISPINFOA&>(reinterpret_cast<const NMTTDISPINFOA&>(header));
    const int id = (info.uFlags & TTF_IDISHWND) != 0
                       ? ::GetDlgCtrlID(reinterpret_cast<HWND>(header.idFrom))
                       : static_cast<int>(header.idFrom);
    m_toolTipText = m_dialog.toolTipText(id);
    info.hinst = nullptr;
    if (header.code == TTN_GETDISPINFOA) {
      info.lpszText = m_toolTipText.data();
    } else {
      const int length = ::MultiByteToWideChar(CP_ACP, 0, m_toolTipText.c_str(), -1, nullptr, 0);
      m_wideToolTipText.assign(static_cast<std::size_t>(std::max(length, 1)), L'\0');
      ::MultiByteToWideChar(CP_ACP, 0, m_toolTipText.c_str(), -1, m_wideToolTipText.data(), length);
      reinterpret_cast<NMTTDISPINFOW&>(info).lpszText = m_wideToolTipText.data();
    }
    return TRUE;
  }
  const auto tree = m_trees.find(static_cast<int>(header.idFrom));
  LRESULT result = 0;
  if (tree != m_trees.end() && tree->second->notify(header, result)) {
    return answer(result);
  }
  const auto list = m_thumbnails.find(static_cast<int>(header.idFrom));
  if (list != m_thumbnails.end() && list->second->notify(header, result)) {
    return answer(result);
  }
  return FALSE;
}

HWND Win32Dialog::item(int controlId) const {
  if (m_hwnd == nullptr || controlId == -1) {
    return nullptr;
  }
  return ::GetDlgItem(m_hwnd, controlId);
}

void Win32Dialog::setEnabled(int controlId, bool enable) {
  HWND control = item(controlId);
  if (control == nullptr) {
    return;
  }
  // A disabled control keeping the focus would swallow the keyboard.
  if (!enable && ::GetFocus() == control) {
    ::SendMessageA(m_hwnd, WM_NEXTDLGCTL, 0, FALSE);
  }
  ::EnableWindow(control, enable ? TRUE : FALSE);
}

bool Win32Dialog::isEnabled(int controlId) const {
  HWND control = item(controlId);
  return control != nullptr && ::IsWindowEnabled(control);
}

void Win32Dialog::setShown(int controlId, bool show) {
  if (HWND control = item(controlId)) {
    ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  }
}

bool Win32Dialog::isShown(int controlId) const {
  HWND control = item(controlId);
  return control != nullptr && (styleOf(control) & WS_VISIBLE) != 0;
}

void Win32Dialog::setText(int controlId, const std::string& text) {
  if (HWND control = item(controlId)) {
    QuietScope quiet(m_quietEdits);
    ::SetWindowTextA(control, text.c_str());
    if (m_pictures.count(controlId) != 0) {
      ::InvalidateRect(control, nullptr, FALSE); // an owner-drawn static does not redraw itself
    }
  }
}

std::string Win32Dialog::text(int controlId) const {
  HWND control = item(controlId);
  if (control == nullptr) {
    return {};
  }
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
  const int length = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

bool Win32Dialog::isChecked(int controlId) const {
  HWND control = item(controlId);
  return control != nullptr && ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Dialog::setChecked(int controlId, bool checked) {
  if (HWND control = item(controlId)) {
    ::SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

std::vector<int> Win32Dialog::radioGroup(int firstId) const {
  // Radio buttons from the first up to the next control that starts a group or is no radio
  // button, as the Qt backend groups them.
  std::vector<int> ids;
  HWND control = item(firstId);
  if (control == nullptr || !isRadio(control)) {
    return ids;
  }
  ids.push_back(firstId);
  for (control = ::GetWindow(control, GW_HWNDNEXT);
       control != nullptr && isRadio(control) && (styleOf(control) & WS_GROUP) == 0;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    ids.push_back(::GetDlgCtrlID(control));
  }
  return ids;
}

HICON Win32Dialog::loadIcon(int iconId, int size) {
  HICON icon = loadIconForSize(Win32Toolkit::instance().module(), iconId, size);
  if (icon != nullptr) {
    m_icons.push_back(icon);
  }
  return icon;
}

void Win32Dialog::setButtonIcon(int controlId, int iconId) {
  HWND control = item(controlId);
  HICON icon = control != nullptr ? loadIcon(iconId, scaledFor(32, m_dpi)) : nullptr;
  if (icon != nullptr) {
    m_buttonIcons[controlId] = iconId;
    ::SendMessageA(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
}

void Win32Dialog::setWindowIcon(int iconId) {
  if (m_hwnd == nullptr) {
    return;
  }
  m_windowIcon = iconId;
  // The system's sizes, at the system's DPI; the dialog's own where it moved to another.
  HDC screen = ::GetDC(nullptr);
  const int systemDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  HICON big = loadIcon(iconId, ::MulDiv(::GetSystemMetrics(SM_CXICON), m_dpi, systemDpi));
  HICON small = loadIcon(iconId, ::MulDiv(::GetSystemMetrics(SM_CXSMICON), m_dpi, systemDpi));
  ::SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ::SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Win32Dialog::setProgressRange(int controlId, std::int32_t maximum) {
  if (HWND control = item(controlId)) {
    ::SendMessageA(control, PBM_SETRANGE32, 0, maximum);
  }
}

void Win32Dialog::setProgressPos(int controlId, std::int32_t position) {
  if (HWND control = item(controlId)) {
    ::SendMessageA(control, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
}

std::int32_t Win32Dialog::progressPos(int controlId) const {
  HWND control = item(controlId);
  return control != nullptr ? static_cast<std::int32_t>(::SendMessageA(control, PBM_GETPOS, 0, 0))
                            : 0;
}

std::int32_t Win32Dialog::progressMax(int controlId) const {
  HWND control = item(controlId);
  return control != nullptr
             ? static_cast<std::int32_t>(::SendMessageA(control, PBM_GETRANGE, FALSE, 0))
             : 0;
}

void Win32Dialog::stopAnimation(Animation& animation, HWND control) {
  if (animation.playing) {
    animation.playing = false;
    ++animation.stopsOnTheWay;
    ::SendMessageA(control, ACM_STOP, 0, 0);
  }
}

bool Win32Dialog::animationOpen(int controlId, int clipId) {
  HWND control = item(controlId);
  if (control == nullptr) {
    return false;
  }
  Animation& animation = m_animations[controlId];
  stopAnimation(animation, control);
  animation.open = ::SendMessageA(control, ACM_OPENA,
                                  reinterpret_cast<WPARAM>(Win32Toolkit::instance().module()),
                                  reinterpret_cast<LPARAM>(resourceName(clipId))) != 0;
  return animation.open;
}

bool Win32Dialog::animationPlay(int controlId, int from, int to, int repeat) {
  HWND control = item(controlId);
  const auto found = m_animations.find(controlId);
  if (control == nullptr || found == m_animations.end() || !found->second.open) {
    return false;
  }
  Animation& animation = found->second;
  // Playing again starts again from `from`; the control would otherwise go on where it is.
  stopAnimation(animation, control);
  const auto first = static_cast<DWORD>(static_cast<WORD>(from));
  const DWORD last = to < 0 ? DWORD{0xFFFF} : static_cast<DWORD>(static_cast<WORD>(to));
  const bool played = ::SendMessageA(control, ACM_PLAY, static_cast<WPARAM>(repeat),
                                     static_cast<LPARAM>(first | last << 16)) != 0;
  // One frame is a seek: shown, not played.
  animation.playing = played && first != last;
  animation.finite = repeat != -1;
  return played;
}

void Win32Dialog::animationStop(int controlId) {
  const auto found = m_animations.find(controlId);
  if (found != m_animations.end()) {
    stopAnimation(found->second, item(controlId));
  }
}

void Win32Dialog::animationClose(int controlId) {
  const auto found = m_animations.find(controlId);
  if (found == m_animations.end()) {
    return;
  }
  HWND control = item(controlId);
  stopAnimation(found->second, control);
  ::SendMessageA(control, ACM_OPENA, 0, 0);
  found->second.open = false;
}

bool Win32Dialog::animationIsOpen(int controlId) const {
  const auto found = m_animations.find(controlId);
  return found != m_animations.end() && found->second.open;
}

bool Win32Dialog::animationIsPlaying(int controlId) const {
  const auto found = m_animations.find(controlId);
  return found != m_animations.end() && found->second.playing;
}

void Win32Dialog::startTimer(int id, int milliseconds) {
  if (m_hwnd == nullptr) {
    return;
  }
  ::SetTimer(m_hwnd, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(milliseconds, 0)),
             nullptr);
  if (std::find(m_timers.begin(), m_timers.end(), id) == m_timers.end()) {
    m_timers.push_back(id);
  }
}

void Win32Dialog::stopTimer(int id) {
  const auto found = std::find(m_timers.begin(), m_timers.end(), id);
  if (found != m_timers.end()) {
    ::KillTimer(m_hwnd, static_cast<UINT_PTR>(id));
    m_timers.erase(found);
  }
}

bool Win32Dialog::hasTimer(int id) const {
  return std::find(m_timers.begin(), m_timers.end(), id) != m_timers.end();
}

void Win32Dialog::flash(bool /*on*/, bool toggled) {
  if (m_hwnd != nullptr) {
    ::FlashWindow(m_hwnd, toggled ? TRUE : FALSE);
  }
}

void Win32Dialog::menuAppendSeparator() {
  if (HMENU menu = m_hwnd != nullptr ? ::GetSystemMenu(m_hwnd, FALSE) : nullptr) {
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  }
}

void Win32Dialog::menuAppendCommand(int command, const std::string& text) {
  if (HMENU menu = m_hwnd != nullptr ? ::GetSystemMenu(m_hwnd, FALSE) : nullptr) {
    ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(command), text.c_str());
  }
}

void Win32Dialog::menuDelete(int position) {
  if (HMENU menu = m_hwnd != nullptr ? ::GetSystemMenu(m_hwnd, FALSE) : nullptr) {
    ::DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
  }
}

std::vector<int> Win32Dialog::menuCommands() const {
  std::vector<int> commands;
  HMENU menu = m_hwnd != nullptr ? ::GetSystemMenu(m_hwnd, FALSE) : nullptr;
  const int count = menu != nullptr ? ::GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    commands.push_back((info.fType & MFT_SEPARATOR) != 0 ? 0 : static_cast<int>(info.wID));
  }
  return commands;
}

TreePeer* Win32Dialog::tree(int controlId) {
  const auto found = m_trees.find(controlId);
  if (found != m_trees.end()) {
    return found->second.get();
  }
  HWND control = item(controlId);
  if (control == nullptr || !isTree(control)) {
    return nullptr;
  }
  return m_trees.emplace(controlId, std::make_unique<Win32Tree>(control)).first->second.get();
}

Win32Thumbnails* Win32Dialog::thumbnails(int controlId) const {
  const auto found = m_thumbnails.find(controlId);
  return found != m_thumbnails.end() ? found->second.get() : nullptr;
}

void Win32Dialog::thumbnailsSetCount(int controlId, int count) {
  if (Win32Thumbnails* list = thumbnails(controlId)) {
    list->setCount(count);
  }
}

int Win32Dialog::thumbnailsCount(int controlId) const {
  const Win32Thumbnails* list = thumbnails(controlId);
  return list != nullptr ? list->count() : 0;
}

void Win32Dialog::thumbnailsUpdate(int controlId, int first, int last) {
  if (Win32Thumbnails* list = thumbnails(controlId)) {
    list->update(first, last);
  }
}

std::vector<int> Win32Dialog::thumbnailsSelection(int controlId) const {
  const Win32Thumbnails* list = thumbnails(controlId);
  return list != nullptr ? list->selection() : std::vector<int>{};
}

void Win32Dialog::thumbnailsSetSelection(int controlId, const std::vector<int>& items) {
  if (Win32Thumbnails* list = thumbnails(controlId)) {
    list->setSelection(items);
  }
}

std::vector<int> Win32Dialog::thumbnailsVisible(int controlId) const {
  const Win32Thumbnails* list = thumbnails(controlId);
  return list != nullptr ? list->visible() : std::vector<int>{};
}

void Win32Dialog::setPicture(int controlId, const Picture& picture) {
  const auto found = m_pictures.find(controlId);
  if (found == m_pictures.end()) {
    return;
  }
  found->second = picture;
  showPicture(controlId);
}

void Win32Dialog::showPicture(int controlId) {
  const Picture& picture = m_pictures[controlId];
  m_shownPictures[controlId] =
      resized(picture, scaledFor(picture.width, m_dpi), scaledFor(picture.height, m_dpi));
  ::InvalidateRect(item(controlId), nullptr, FALSE);
}

void Win32Dialog::onDpiChanged(int dpi, const RECT& suggested) {
  const int before = m_dpi;
  if (dpi <= 0 || m_hwnd == nullptr) {
    return;
  }
  m_dpi = dpi;
  if (dpi != before) {
    // The font the controls share, at the new DPI. The dialog manager keeps answering
    // WM_GETFONT with the layout's.
    auto* current = m_font != nullptr
                        ? m_font
                        : reinterpret_cast<HFONT>(::SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
    LOGFONTA look{};
    HFONT font = nullptr;
    if (current != nullptr && ::GetObjectA(current, sizeof look, &look) == sizeof look) {
      look.lfHeight = ::MulDiv(look.lfHeight, dpi, before);
      look.lfWidth = ::MulDiv(look.lfWidth, dpi, before);
      font = ::CreateFontIndirectA(&look);
    }
    // Each control where its corners were, in the new scale: rounded corners, not sizes, so
    // that neighbours stay neighbours.
    const auto scale = [&](LONG value) { return static_cast<LONG>(::MulDiv(value, dpi, before)); };
    for (HWND control = ::GetWindow(m_hwnd, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
      RECT place{};
      ::GetWindowRect(control, &place);
      ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&place), 2);
      ::SetWindowPos(control, nullptr, scale(place.left), scale(place.top),
                     scale(place.right) - scale(place.left), scale(place.bottom) - scale(place.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
      if (font != nullptr &&
          reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)) == current) {
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      }
    }
    if (font != nullptr) {
      if (m_font != nullptr) {
        ::DeleteObject(m_font);
      }
      m_font = font;
    }
    for (const auto& [controlId, iconId] : std::map<int, int>(m_buttonIcons)) {
      setButtonIcon(controlId, iconId);
    }
    if (m_windowIcon != 0) {
      setWindowIcon(m_windowIcon);
    }
    for (const auto& entry : m_pictures) {
      showPicture(entry.first);
    }
    for (const auto& entry : m_thumbnails) {
      entry.second->layOut(dpi);
    }
    // The tooltips of disabled controls go by area.
    if (m_toolTip != nullptr) {
      for (HWND control = ::GetWindow(m_hwnd, GW_CHILD); control != nullptr;
           control = ::GetWindow(control, GW_HWNDNEXT)) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_hwnd;
        tool.uId = static_cast<UINT_PTR>(::GetDlgCtrlID(control));
        ::GetWindowRect(control, &tool.rect);
        ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&tool.rect), 2);
        ::SendMessageA(m_toolTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
      }
    }
  }
  ::SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

Picture Win32Dialog::picture(int controlId) const {
  const auto found = m_pictures.find(controlId);
  return found != m_pictures.end() ? found->second : Picture{};
}

HWND windowOf(const CDialog* dialog) {
  if (dialog == nullptr || dialog->peer() == nullptr) {
    return nullptr;
  }
  return static_cast<const Win32Dialog*>(dialog->peer())->hwnd();
}

bool askOkCancel(CDialog& owner, const std::string& text, const std::string& caption) {
  return ::MessageBoxA(windowOf(&owner), text.c_str(), caption.c_str(),
                       MB_OKCANCEL | MB_ICONQUESTION) == CDialog::IDOK;
}

} // namespace texkit2::framework::win32
