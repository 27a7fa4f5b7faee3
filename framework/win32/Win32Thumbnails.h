#pragma once

// A thumbnail list of a dialog: a list view (SysListView32) in icon view with owner data. It
// holds no items of its own and asks for those it draws; the dialog's answers (caption and
// picture, the picture in an image list) are kept until the dialog says they changed.

#include "framework/Picture.h"
#include "framework/win32/Win32Api.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace texkit2::framework {
class CDialog;
}

namespace texkit2::framework::win32 {

class Win32Thumbnails {
 public:
  // `dpi`: the dialog's.
  Win32Thumbnails(HWND list, CDialog& dialog, int dpi);
  ~Win32Thumbnails();
  Win32Thumbnails(const Win32Thumbnails&) = delete;
  Win32Thumbnails& operator=(const Win32Thumbnails&) = delete;

  // Whether `window` is a list this class drives (made from a "thumbnails" layout).
  static bool isThumbnailList(HWND window);

  // The list's notifications, as the dialog receives them; true when one was handled, with
  // the dialog's answer in `result`.
  bool notify(const NMHDR& header, LRESULT& result);

  void setCount(int count);
  int count() const;
  void update(int first, int last);
  std::vector<int> selection() const;
  void setSelection(const std::vector<int>& items);
  std::vector<int> visible() const;
  // Sizes the pictures and the grid for the dialog's DPI and font; again when they change.
  void layOut(int dpi);

 private:
  struct Item {
    std::string caption;
    int image = -1;
  };

  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  const Item& itemAt(int index);
  int addImage(const Picture& picture);
  void forget(int index);
  // Tells the dialog when the selection differs from what it last knew.
  void selectionMayHaveChanged();
  void setState(int index, UINT mask, UINT state);

  HWND m_list;
  CDialog& m_dialog;
  int m_controlId;
  WNDPROC m_listProc = nullptr;
  HIMAGELIST m_images = nullptr; // the list's: it destroys it with itself
  int m_side = kThumbnailSide;   // of a picture, at the dialog's DPI
  std::unordered_map<int, Item> m_items;
  std::vector<int> m_freeImages;
  std::vector<int> m_known; // the selection as the dialog knows it
  int m_quiet = 0;
};

} // namespace texkit2::framework::win32
