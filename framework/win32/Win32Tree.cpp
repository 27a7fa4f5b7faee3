#include "framework/win32/Win32Tree.h"

#include "framework/TreeCtrl.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Toolkit.h"
#include "platform/AsciiCase.h"

#include <cstring>
#include <vector>

namespace texkit2::framework::win32 {
namespace {

constexpr const char* kPeerProperty = "texkit2.tree";

// TVI_ROOT, TVI_FIRST and TVI_LAST, whose macros would name the framework's HTREEITEM here.
::HTREEITEM insertPosition(long long value) {
  return reinterpret_cast<::HTREEITEM>(static_cast<ULONG_PTR>(value));
}
const ::HTREEITEM kRoot = insertPosition(-0x10000);
const ::HTREEITEM kFirst = insertPosition(-0xFFFF);
const ::HTREEITEM kLast = insertPosition(-0xFFFE);

::HTREEITEM native(HTREEITEM item) {
  return reinterpret_cast<::HTREEITEM>(item);
}

HTREEITEM neutral(::HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(item);
}

HTREEITEM neutral(LRESULT item) {
  return reinterpret_cast<HTREEITEM>(item);
}

LPARAM handleParam(HTREEITEM item) {
  return reinterpret_cast<LPARAM>(item);
}

// Case-insensitive (ASCII letters, as the names the tool compares), byte order breaking ties:
// a case-sensitive file system can hold "Quake" beside "quake".
int compareNames(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(platform::lowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(platform::lowerAscii(b[i]));
    if (ca != cb) {
      return ca < cb ? -1 : 1;
    }
  }
  if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  return a.compare(b);
}

COLORREF colourOf(std::uint32_t rgb) {
  return static_cast<COLORREF>(((rgb >> 16) & 0xFFu) | (rgb & 0xFF00u) | ((rgb & 0xFFu) << 16));
}

// The strip's images drawn for 96 DPI, each scaled smoothly for `dpi`, the mask colour made
// transparent; added as icons, whose alpha an image list keeps.
HIMAGELIST scaledImages(HBITMAP bitmap, const BITMAP& info, int imageWidth, int count,
                        std::uint32_t maskRgb, int dpi) {
  const int height = info.bmHeight;
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> strip(static_cast<std::size_t>(info.bmWidth) *
                                   static_cast<std::size_t>(height));
  HDC dc = ::GetDC(nullptr);
  const int rows =
      ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), strip.data(), &header, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  if (rows != height) {
    return nullptr;
  }
  const int width = scaledFor(imageWidth, dpi);
  const int scaledHeight = scaledFor(height, dpi);
  HIMAGELIST images = ::ImageList_Create(width, scaledHeight, ILC_COLOR32 | ILC_MASK, count, 1);
  if (images == nullptr) {
    return nullptr;
  }
  for (int index = 0; index < count; ++index) {
    Picture image;
    image.width = imageWidth;
    image.height = height;
    image.rgba.resize(static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < imageWidth; ++x) {
        const std::uint32_t pixel =
            strip[static_cast<std::size_t>(y) * static_cast<std::size_t>(info.bmWidth) +
                  static_cast<std::size_t>(index * imageWidth + x)] &
            0xFFFFFFu;
        std::uint8_t* out =
            &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(imageWidth) +
                         static_cast<std::size_t>(x)) *
                        4];
        out[0] = static_cast<std::uint8_t>(pixel >> 16);
        out[1] = static_cast<std::uint8_t>(pixel >> 8);
        out[2] = static_cast<std::uint8_t>(pixel);
        out[3] = pixel == (maskRgb & 0xFFFFFFu) ? 0 : 255;
      }
    }
    HICON icon = iconFromPicture(smoothlyResized(image, width, scaledHeight));
    if (icon == nullptr || ::ImageList_AddIcon(images, icon) < 0) {
      if (icon != nullptr) {
        ::DestroyIcon(icon);
      }
      ::ImageList_Destroy(images);
      return nullptr;
    }
    ::DestroyIcon(icon);
  }
  return images;
}

} // namespace

Win32ImageList::~Win32ImageList() {
  if (m_images != nullptr) {
    ::ImageList_Destroy(m_images);
  }
}

std::unique_ptr<Win32ImageList> Win32ImageList::load(HINSTANCE module, int bitmapId, int imageWidth,
                                                     std::uint32_t maskRgb) {
  if (imageWidth <= 0) {
    return nullptr;
  }
  auto* bitmap = static_cast<HBITMAP>(
      ::LoadImageA(module, resourceName(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) {
    return nullptr;
  }
  BITMAP info{};
  ::GetObjectA(bitmap, sizeof info, &info);
  const int count = info.bmWidth / imageWidth;
  const int dpi = dpiOf(nullptr);
  HIMAGELIST images = nullptr;
  if (count > 0 && dpi == kBaseDpi) {
    images = ::ImageList_Create(imageWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, count, 1);
    if (images != nullptr) {
      ::ImageList_AddMasked(images, bitmap, colourOf(maskRgb));
    }
  } else if (count > 0) {
    images = scaledImages(bitmap, info, imageWidth, count, maskRgb, dpi);
  }
  ::DeleteObject(bitmap);
  return images != nullptr ? std::make_unique<Win32ImageList>(images) : nullptr;
}

int Win32ImageList::count() const {
  return ::ImageList_GetImageCount(m_images);
}

Win32Tree::Win32Tree(HWND tree) : m_tree(tree) {
  ::SetPropA(m_tree, kPeerProperty, this);
  m_treeProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(m_tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
}

Win32Tree::~Win32Tree() {
  if (::IsWindow(m_tree)) {
    ::SetWindowLongPtrA(m_tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_treeProc));
    ::RemovePropA(m_tree, kPeerProperty);
  }
}

LRESULT CALLBACK Win32Tree::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Win32Tree*>(::GetPropA(hwnd, kPeerProperty));
  if (self == nullptr) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  try {
    if (self->routeUserToggle(message, wParam, lParam)) {
      return 0;
    }
  } catch (...) {
    Win32Toolkit::instance().keepException(std::current_exception());
    return 0;
  }
  return ::CallWindowProcA(self->m_treeProc, hwnd, message, wParam, lParam);
}

bool Win32Tree::routeUserToggle(UINT message, WPARAM wParam, LPARAM lParam) {
  // The view itself would send the notification too, but does not stop a collapse that its
  // handler refuses, and goes on with an item that the handler deleted.
  if (m_control == nullptr || !::IsWindowEnabled(m_tree)) {
    return false;
  }
  const auto toggle = [this](HTREEITEM item) {
    if (isExpanded(item)) {
      m_control->Expand(item, ExpandAction::Collapse);
    } else if (hasButton(item)) {
      m_control->Expand(item, ExpandAction::Expand);
    }
  };
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    TVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(lParam));
    hit.pt.y = static_cast<short>(HIWORD(lParam));
    ::SendMessageA(m_tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const UINT where =
        message == WM_LBUTTONDOWN ? UINT{TVHT_ONITEMBUTTON} : UINT{TVHT_ONITEM | TVHT_ONITEMBUTTON};
    if (hit.hItem == nullptr || (hit.flags & where) == 0) {
      return false;
    }
    ::SetFocus(m_tree);
    toggle(neutral(hit.hItem));
    return true;
  }
  if (message != WM_KEYDOWN) {
    return false;
  }
  HTREEITEM const item = selected();
  if (item == nullptr) {
    return false;
  }
  switch (wParam) {
  case VK_ADD:
  case VK_MULTIPLY:
    if (!isExpanded(item) && hasButton(item)) {
      m_control->Expand(item, ExpandAction::Expand);
    }
    return true;
  case VK_SUBTRACT:
    if (isExpanded(item)) {
      m_control->Expand(item, ExpandAction::Collapse);
    }
    return true;
  case VK_RIGHT: // on an expanded item: down to its first child, the view's own move
    if (isExpanded(item) || !hasButton(item)) {
      return false;
    }
    m_control->Expand(item, ExpandAction::Expand);
    return true;
  case VK_LEFT: // on a collapsed item: up to its parent
    if (!isExpanded(item)) {
      return false;
    }
    m_control->Expand(item, ExpandAction::Collapse);
    return true;
  default:
    return false;
  }
}

bool Win32Tree::notify(const NMHDR& header, LRESULT& result) {
  const auto& tree = reinterpret_cast<const NMTREEVIEWA&>(header);
  switch (header.code) {
  case TVN_ITEMEXPANDINGA:
  case TVN_ITEMEXPANDINGW: {
    result = FALSE;
    if (m_quiet == 0 && m_control != nullptr) {
      const UINT action = tree.action & TVE_TOGGLE;
      const ExpandAction change = action == TVE_EXPAND     ? ExpandAction::Expand
                                  : action == TVE_COLLAPSE ? ExpandAction::Collapse
                                                           : ExpandAction::None;
      result = m_control->notifyExpanding({change, nullptr, neutral(tree.itemNew.hItem)}) != 0
                   ? TRUE
                   : FALSE;
    }
    return true;
  }
  case TVN_SELCHANGEDA:
  case TVN_SELCHANGEDW:
    result = 0;
    if (m_control != nullptr) {
      m_control->notifySelChanged(
          {ExpandAction::None, neutral(tree.itemOld.hItem), neutral(tree.itemNew.hItem)});
    }
    return true;
  default:
    return false;
  }
}

void Win32Tree::attach(CTreeCtrl& control) {
  m_control = &control;
}

void Win32Tree::setImageList(const CImageList* images) {
  const auto* list =
      images != nullptr ? static_cast<const Win32ImageList*>(images->peer()) : nullptr;
  ::SendMessageA(m_tree, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(list != nullptr ? list->handle() : nullptr));
}

HTREEITEM Win32Tree::insert(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                            bool sorted) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent != nullptr ? native(parent) : kRoot;
  insert.hInsertAfter = kLast;
  if (sorted) {
    // TVI_SORT would compare as the system's locale does; the tree's order is ours.
    insert.hInsertAfter = kFirst;
    HTREEITEM sibling = child(parent);
    if (m_lastSorted != nullptr && m_lastSortedParent == parent &&
        compareNames(this->text(m_lastSorted), text) <= 0) {
      insert.hInsertAfter = native(m_lastSorted);
      sibling = nextSibling(m_lastSorted);
    }
    for (; sibling != nullptr && compareNames(text, this->text(sibling)) >= 0;
         sibling = nextSibling(sibling)) {
      insert.hInsertAfter = native(sibling);
    }
  }
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.lParam = 0;
  HTREEITEM const item =
      neutral(::SendMessageA(m_tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  if (sorted && item != nullptr) {
    m_lastSortedParent = parent;
    m_lastSorted = item;
  }
  return item;
}

bool Win32Tree::remove(HTREEITEM item) {
  HTREEITEM const above = parent(item);
  m_lastSorted = nullptr;
  const bool removed = ::SendMessageA(m_tree, TVM_DELETEITEM, 0, handleParam(item)) != 0;
  // A parent left without children keeps the expanded state in the view, and would show the
  // next child it gets at once.
  if (removed && above != nullptr && child(above) == nullptr) {
    setState(above, TVIS_EXPANDED | TVIS_EXPANDEDONCE, 0);
  }
  return removed;
}

HTREEITEM Win32Tree::next(HTREEITEM item, UINT relation) const {
  return neutral(::SendMessageA(m_tree, TVM_GETNEXTITEM, relation, handleParam(item)));
}

HTREEITEM Win32Tree::root() const {
  return next(nullptr, TVGN_ROOT);
}

HTREEITEM Win32Tree::child(HTREEITEM item) const {
  return item == nullptr ? root() : next(item, TVGN_CHILD);
}

HTREEITEM Win32Tree::nextSibling(HTREEITEM item) const {
  return next(item, TVGN_NEXT);
}

HTREEITEM Win32Tree::parent(HTREEITEM item) const {
  return next(item, TVGN_PARENT);
}

HTREEITEM Win32Tree::selected() const {
  return next(nullptr, TVGN_CARET);
}

bool Win32Tree::select(HTREEITEM item) {
  // Selecting an item inside a collapsed one makes the view expand its way there itself.
  QuietScope quiet(m_quiet);
  return ::SendMessageA(m_tree, TVM_SELECTITEM, TVGN_CARET, handleParam(item)) != 0;
}

std::string Win32Tree::text(HTREEITEM item) const {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    TVITEMA query{};
    query.mask = TVIF_HANDLE | TVIF_TEXT;
    query.hItem = native(item);
    query.pszText = buffer.data();
    query.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = '\0';
    if (::SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) == 0) {
      return {};
    }
    // The view copies what fits; a text that filled the buffer may have been cut.
    const std::size_t length = ::strnlen(query.pszText, buffer.size());
    if (length + 1 < buffer.size() || buffer.size() >= 0x10000) {
      return std::string(query.pszText, length);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Tree::image(HTREEITEM item, int& image, int& selectedImage) const {
  TVITEMA query{};
  query.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  query.hItem = native(item);
  if (::SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) == 0) {
    return false;
  }
  image = query.iImage;
  selectedImage = query.iSelectedImage;
  return true;
}

std::uintptr_t Win32Tree::data(HTREEITEM item) const {
  TVITEMA query{};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = native(item);
  if (::SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)) == 0) {
    return 0;
  }
  return static_cast<std::uintptr_t>(query.lParam);
}

bool Win32Tree::setData(HTREEITEM item, std::uintptr_t data) {
  TVITEMA change{};
  change.mask = TVIF_HANDLE | TVIF_PARAM;
  change.hItem = native(item);
  change.lParam = static_cast<LPARAM>(data);
  return ::SendMessageA(m_tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change)) != 0;
}

void Win32Tree::setState(HTREEITEM item, UINT mask, UINT state) {
  TVITEMA change{};
  change.mask = TVIF_HANDLE | TVIF_STATE;
  change.hItem = native(item);
  change.stateMask = mask;
  change.state = state;
  ::SendMessageA(m_tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

bool Win32Tree::isExpanded(HTREEITEM item) const {
  const LRESULT state =
      ::SendMessageA(m_tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED);
  return (static_cast<UINT>(state) & TVIS_EXPANDED) != 0;
}

bool Win32Tree::hasButton(HTREEITEM item) const {
  return child(item) != nullptr;
}

void Win32Tree::setExpanded(HTREEITEM item, bool expanded) {
  {
    QuietScope quiet(m_quiet);
    ::SendMessageA(m_tree, TVM_EXPAND, expanded ? TVE_EXPAND : TVE_COLLAPSE, handleParam(item));
  }
  // The view notifies an expand request only until an item has been expanded once; forgetting
  // that keeps every later request (a test's TVM_EXPAND among them) asking the handler first.
  setState(item,
           expanded || child(item) != nullptr ? UINT{TVIS_EXPANDEDONCE}
                                              : UINT{TVIS_EXPANDED | TVIS_EXPANDEDONCE},
           0);
}

} // namespace texkit2::framework::win32
