#pragma once

// A tree view control of a dialog (SysTreeView32) and the image lists it draws from. Item
// texts go to the control as the bytes given (the A messages), so names listed by the file
// system in the process's code page come back unchanged.

#include "framework/Toolkit.h"
#include "framework/win32/Win32Api.h"

namespace texkit2::framework::win32 {

class Win32ImageList final : public ImageListPeer {
 public:
  explicit Win32ImageList(HIMAGELIST images) : m_images(images) {}
  ~Win32ImageList() override;
  Win32ImageList(const Win32ImageList&) = delete;
  Win32ImageList& operator=(const Win32ImageList&) = delete;

  // Images `imageWidth` wide cut from bitmap `bitmapId` of `module`, `maskRgb` (0xRRGGBB)
  // transparent; null when the bitmap is missing.
  static std::unique_ptr<Win32ImageList> load(HINSTANCE module, int bitmapId, int imageWidth,
                                              std::uint32_t maskRgb);

  HIMAGELIST handle() const { return m_images; }
  int count() const override;

 private:
  HIMAGELIST m_images;
};

class Win32Tree final : public TreePeer {
 public:
  explicit Win32Tree(HWND tree);
  ~Win32Tree() override;
  Win32Tree(const Win32Tree&) = delete;
  Win32Tree& operator=(const Win32Tree&) = delete;

  // The tree's notifications, as the dialog receives them; true when one was handled, with
  // the dialog's answer in `result`.
  bool notify(const NMHDR& header, LRESULT& result);

  void attach(CTreeCtrl& control) override;
  // The control is going (its destructor says so): nothing more reaches it.
  void detach() override { m_control = nullptr; }
  void setImageList(const CImageList* images) override;
  HTREEITEM insert(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                   bool sorted) override;
  bool remove(HTREEITEM item) override;
  HTREEITEM root() const override;
  HTREEITEM child(HTREEITEM item) const override;
  HTREEITEM nextSibling(HTREEITEM item) const override;
  HTREEITEM parent(HTREEITEM item) const override;
  HTREEITEM selected() const override;
  bool select(HTREEITEM item) override;
  std::string text(HTREEITEM item) const override;
  bool image(HTREEITEM item, int& image, int& selectedImage) const override;
  std::uintptr_t data(HTREEITEM item) const override;
  bool setData(HTREEITEM item, std::uintptr_t data) override;
  bool isExpanded(HTREEITEM item) const override;
  bool hasButton(HTREEITEM item) const override;
  void setExpanded(HTREEITEM item, bool expanded) override;

 private:
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // A click on a button, a double click or an expand or collapse key: routed through the
  // attached control, which asks its handler before the view changes.
  bool routeUserToggle(UINT message, WPARAM wParam, LPARAM lParam);
  HTREEITEM next(HTREEITEM item, UINT relation) const;
  void setState(HTREEITEM item, UINT mask, UINT state);

  HWND m_tree;
  WNDPROC m_treeProc = nullptr;
  CTreeCtrl* m_control = nullptr;
  // The view's own expanding notifications (for changes made through this peer) stay here.
  int m_quiet = 0;
  // Where the last sorted insert went: folder listings often come in order already, so the
  // next one usually belongs right after it.
  HTREEITEM m_lastSortedParent = nullptr;
  HTREEITEM m_lastSorted = nullptr;
};

} // namespace texkit2::framework::win32
