#include "framework/win32/Win32Thumbnails.h"

#include "framework/Dialog.h"
#include "framework/Toolkit.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Picture.h"
#include "framework/win32/Win32Toolkit.h"

#include <algorithm>

namespace texkit2::framework::win32 {
namespace {

constexpr const char* kPeerProperty = "texkit2.thumbnails";
// The list view leaves this much above each icon of its grid cell.
constexpr LONG kIconTopGap = 2;

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
  return ::SendMessageA(window, message, wParam, lParam);
}

} // namespace

Win32Thumbnails::Win32Thumbnails(HWND list, CDialog& dialog, int dpi)
    : m_list(list), m_dialog(dialog), m_controlId(::GetDlgCtrlID(list)) {
  layOut(dpi);
  send(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER, LVS_EX_DOUBLEBUFFER);

  ::SetPropA(m_list, kPeerProperty, this);
  m_listProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
}

void Win32Thumbnails::layOut(int dpi) {
  // The pictures come at most kThumbnailSide square, for 96 DPI.
  m_side = scaledFor(kThumbnailSide, dpi);
  // Room for a few screenfuls at first; it grows as the user scrolls on.
  HIMAGELIST old = m_images;
  m_images = ::ImageList_Create(m_side, m_side, ILC_COLOR32 | ILC_MASK, 64, 64);
  send(m_list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
  if (old != nullptr) {
    ::ImageList_Destroy(old);
    // Every picture is asked for again, at the new size.
    m_items.clear();
    m_freeImages.clear();
  }

  // Room beside and under each picture for a texture's name (up to 15 characters) on two lines.
  TEXTMETRICA metrics{};
  HDC dc = ::GetDC(m_list);
  auto* font = reinterpret_cast<HFONT>(send(m_list, WM_GETFONT, 0));
  HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  ::GetTextMetricsA(dc, &metrics);
  if (previous != nullptr) {
    ::SelectObject(dc, previous);
  }
  ::ReleaseDC(m_list, dc);
  const LONG least = std::max<LONG>(m_side + 16, 15 * metrics.tmAveCharWidth + 8);
  // The columns share the width beside the vertical scroll bar: a column that does not fit
  // whole would bring a horizontal one.
  RECT client{};
  ::GetClientRect(m_list, &client);
  const LONG room = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
  const LONG columns = std::max<LONG>(1, room / least);
  const auto width = static_cast<WORD>(std::max(least, room / columns));
  const auto height = static_cast<WORD>(m_side + 2 * metrics.tmHeight + 16);
  send(m_list, LVM_SETICONSPACING, 0,
       static_cast<LPARAM>(static_cast<DWORD>(height) << 16 | width));
  ::InvalidateRect(m_list, nullptr, TRUE);
}

Win32Thumbnails::~Win32Thumbnails() {
  if (::IsWindow(m_list)) {
    ::SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_listProc));
    ::RemovePropA(m_list, kPeerProperty);
  }
}

bool Win32Thumbnails::isThumbnailList(HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return ::lstrcmpiA(name, WC_LISTVIEWA) == 0 &&
         (::GetWindowLongPtrA(window, GWL_STYLE) & LVS_OWNERDATA) != 0;
}

LRESULT CALLBACK Win32Thumbnails::subclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = static_cast<Win32Thumbnails*>(::GetPropA(hwnd, kPeerProperty));
  if (self == nullptr) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  // Enter opens the item of the caret, as a double click does, instead of pressing the
  // dialog's default button. The list's own notification for it need not name that item.
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    int index =
        static_cast<int>(send(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (index < 0 || send(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) == 0) {
      index = static_cast<int>(send(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    if (index >= 0) {
      try {
        self->m_dialog.OnThumbnailActivate(self->m_controlId, index);
      } catch (...) {
        Win32Toolkit::instance().keepException(std::current_exception());
      }
      return 0;
    }
  }
  LRESULT result = ::CallWindowProcA(self->m_listProc, hwnd, message, wParam, lParam);
  const auto* key = reinterpret_cast<const MSG*>(lParam);
  if (message == WM_GETDLGCODE && key != nullptr && key->message == WM_KEYDOWN &&
      key->wParam == VK_RETURN && send(hwnd, LVM_GETSELECTEDCOUNT, 0) > 0) {
    result |= DLGC_WANTMESSAGE;
  }
  return result;
}

bool Win32Thumbnails::notify(const NMHDR& header, LRESULT& result) {
  result = 0;
  switch (header.code) {
  case LVN_GETDISPINFOA:
  case LVN_GETDISPINFOW: {
    // The A and W structures differ only in the type of pszText.
    auto& info = const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header));
    LVITEMA& asked = info.item;
    if (asked.iItem < 0 || asked.iItem >= count()) {
      return true;
    }
    const Item& item = itemAt(asked.iItem);
    if ((asked.mask & LVIF_IMAGE) != 0) {
      asked.iImage = item.image;
    }
    if ((asked.mask & LVIF_TEXT) == 0 || asked.pszText == nullptr || asked.cchTextMax <= 0) {
      return true;
    }
    if (header.code == LVN_GETDISPINFOA) {
      ::lstrcpynA(asked.pszText, item.caption.c_str(), asked.cchTextMax);
    } else {
      const int length = ::MultiByteToWideChar(CP_ACP, 0, item.caption.c_str(), -1, nullptr, 0);
      std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
      ::MultiByteToWideChar(CP_ACP, 0, item.caption.c_str(), -1, wide.data(), length);
      ::lstrcpynW(reinterpret_cast<LPWSTR>(asked.pszText), wide.c_str(), asked.cchTextMax);
    }
    return true;
  }
  case LVN_ITEMCHANGED: {
    // Item -1: all of them, as when a click first clears the selection.
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) != 0 &&
        (change.iItem < 0 || ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0)) {
      selectionMayHaveChanged();
    }
    return true;
  }
  case LVN_ODSTATECHANGED: { // a range, selected with Shift
    const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
    if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
      selectionMayHaveChanged();
    }
    return true;
  }
  case LVN_ITEMACTIVATE: {
    int index = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
    if (index < 0) {
      index =
          static_cast<int>(send(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    }
    if (index >= 0) {
      m_dialog.OnThumbnailActivate(m_controlId, index);
    }
    return true;
  }
  case LVN_ODFINDITEMA:
  case LVN_ODFINDITEMW:
    // Typing a name finds nothing: the captions of the items not yet shown are unknown.
    result = -1;
    return true;
  default:
    return false;
  }
}

const Win32Thumbnails::Item& Win32Thumbnails::itemAt(int index) {
  const auto found = m_items.find(index);
  if (found != m_items.end()) {
    return found->second;
  }
  Item item;
  Picture picture;
  m_dialog.OnThumbnailNeedItem(m_controlId, index, item.caption, picture);
  item.image = addImage(picture);
  return m_items.insert_or_assign(index, std::move(item)).first->second;
}

int Win32Thumbnails::addImage(const Picture& given) {
  const int side = m_side;
  const int maskRowBytes = (side + 15) / 16 * 2; // whole words, as CreateBitmap wants its rows
  const Picture picture = resized(given, ::MulDiv(given.width, m_side, kThumbnailSide),
                                  ::MulDiv(given.height, m_side, kThumbnailSide));
  COLORREF background = static_cast<COLORREF>(send(m_list, LVM_GETBKCOLOR, 0));
  if (background == CLR_NONE) {
    background = ::GetSysColor(COLOR_WINDOW);
  }
  // Transparent pixels are black in the image and set in the mask, as the image list draws them.
  std::vector<std::uint32_t> colour(static_cast<std::size_t>(side * side), 0);
  std::vector<BYTE> mask(static_cast<std::size_t>(maskRowBytes * side), 0xFF);
  if (hasPixels(picture)) {
    // Centred; one larger than the cell (which the dialog should have scaled) shows its middle.
    const int left = (side - picture.width) / 2;
    const int top = (side - picture.height) / 2;
    for (int y = std::max(top, 0); y < std::min(top + picture.height, side); ++y) {
      for (int x = std::max(left, 0); x < std::min(left + picture.width, side); ++x) {
        const auto row =
            static_cast<std::size_t>(y - top) * static_cast<std::size_t>(picture.width);
        const std::size_t source = (row + static_cast<std::size_t>(x - left)) * 4;
        if (picture.rgba[source + 3] == 0) {
          continue;
        }
        colour[static_cast<std::size_t>(y * side + x)] = blended(&picture.rgba[source], background);
        mask[static_cast<std::size_t>(y * maskRowBytes + x / 8)] &=
            static_cast<BYTE>(~(0x80u >> (x % 8)));
      }
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP image = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HBITMAP maskImage = ::CreateBitmap(side, side, 1, 1, mask.data());
  int slot = -1;
  if (image != nullptr && bits != nullptr && maskImage != nullptr) {
    std::copy(colour.begin(), colour.end(), static_cast<std::uint32_t*>(bits));
    if (!m_freeImages.empty()) {
      slot = m_freeImages.back();
      m_freeImages.pop_back();
      if (!::ImageList_Replace(m_images, slot, image, maskImage)) {
        slot = -1;
      }
    } else {
      slot = ::ImageList_Add(m_images, image, maskImage);
    }
  }
  for (HBITMAP made : {image, maskImage}) {
    if (made != nullptr) {
      ::DeleteObject(made);
    }
  }
  return slot;
}

void Win32Thumbnails::forget(int index) {
  const auto found = m_items.find(index);
  if (found == m_items.end()) {
    return;
  }
  if (found->second.image >= 0) {
    m_freeImages.push_back(found->second.image);
  }
  m_items.erase(found);
}

void Win32Thumbnails::setState(int index, UINT mask, UINT state) {
  LVITEMA change{};
  change.stateMask = mask;
  change.state = state;
  send(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
}

void Win32Thumbnails::selectionMayHaveChanged() {
  if (m_quiet != 0) {
    return;
  }
  // A click sends one notification for the items it clears and one for the item it selects:
  // the dialog hears of each state that differs from what it knows.
  std::vector<int> now = selection();
  if (now == m_known) {
    return;
  }
  m_known = std::move(now);
  m_dialog.OnThumbnailSelChanged(m_controlId);
}

void Win32Thumbnails::setCount(int count) {
  {
    QuietScope quiet(m_quiet);
    m_items.clear();
    m_freeImages.clear();
    ::ImageList_Remove(m_images, -1);
    send(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(count, 0)), 0);
    setState(-1, LVIS_SELECTED | LVIS_FOCUSED, 0);
    send(m_list, LVM_SETSELECTIONMARK, 0, -1);
    // Back by the scroll bars' positions, pixels in icon view: making item 0 visible instead
    // would ask for its caption, by which a list with the focus measures that item.
    const auto scrolled = [this](int bar) {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_POS | SIF_RANGE;
      return ::GetScrollInfo(m_list, bar, &info) ? info.nPos - info.nMin : 0;
    };
    const int across = scrolled(SB_HORZ);
    const int down = scrolled(SB_VERT);
    if (across != 0 || down != 0) {
      send(m_list, LVM_SCROLL, static_cast<WPARAM>(-across), -down);
    }
  }
  m_known.clear();
}

int Win32Thumbnails::count() const {
  return static_cast<int>(send(m_list, LVM_GETITEMCOUNT, 0));
}

void Win32Thumbnails::update(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, count() - 1);
  if (first > last) {
    return;
  }
  // Through the range or through what is known, whichever is shorter.
  if (static_cast<std::size_t>(last - first) < m_items.size()) {
    for (int index = first; index <= last; ++index) {
      forget(index);
    }
  } else {
    for (auto it = m_items.begin(); it != m_items.end();) {
      const int index = (it++)->first;
      if (index >= first && index <= last) {
        forget(index);
      }
    }
  }
  send(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
}

std::vector<int> Win32Thumbnails::selection() const {
  std::vector<int> items;
  int index = -1;
  for (;;) {
    const auto next =
        static_cast<int>(send(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED));
    if (next <= index) {
      return items;
    }
    items.push_back(next);
    index = next;
  }
}

void Win32Thumbnails::setSelection(const std::vector<int>& items) {
  {
    QuietScope quiet(m_quiet);
    setState(-1, LVIS_SELECTED | LVIS_FOCUSED, 0);
    const int total = count();
    int first = -1;
    for (const int index : items) {
      if (index < 0 || index >= total) {
        continue;
      }
      setState(index, LVIS_SELECTED, LVIS_SELECTED);
      if (first < 0) {
        first = index;
      }
    }
    if (first >= 0) {
      // Where the keyboard and Shift+click go on from.
      setState(first, LVIS_FOCUSED, LVIS_FOCUSED);
      send(m_list, LVM_SETSELECTIONMARK, 0, first);
      send(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first), FALSE);
    }
  }
  selectionMayHaveChanged();
}

std::vector<int> Win32Thumbnails::visible() const {
  std::vector<int> items;
  const int total = count();
  RECT client{};
  if (total <= 0 || !::GetClientRect(m_list, &client)) {
    return items;
  }
  const auto spacing = static_cast<DWORD>(send(m_list, LVM_GETITEMSPACING, FALSE));
  const LONG cellWidth = static_cast<LONG>(spacing & 0xFFFFu);
  const LONG cellHeight = static_cast<LONG>(spacing >> 16);
  // The cell of an item, from its icon's rectangle: unlike its whole rectangle, that needs no
  // caption, so that finding what is shown asks the dialog for nothing.
  const auto cellOf = [&](int index) {
    RECT icon{};
    icon.left = LVIR_ICON;
    send(m_list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&icon));
    const LONG left = icon.left - (cellWidth - (icon.right - icon.left)) / 2;
    const LONG top = icon.top - kIconTopGap;
    return RECT{left, top, left + cellWidth, top + cellHeight};
  };
  // The list fills its rows from the top in index order: the first item that reaches into the
  // client area is found by halving.
  int low = 0;
  int high = total;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (cellOf(middle).bottom > client.top) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  for (int index = low; index < total; ++index) {
    const RECT cell = cellOf(index);
    if (cell.top >= client.bottom) {
      break;
    }
    if (cell.right > client.left && cell.left < client.right) {
      items.push_back(index);
    }
  }
  return items;
}

} // namespace texkit2::framework::win32
