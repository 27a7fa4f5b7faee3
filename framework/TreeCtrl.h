#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace texkit2::framework {

class CDialog;
class ImageListPeer;
class TreePeer;

// An item of a tree control; null names none (and, as a parent, the root level).
struct TreeItemTag;
using HTREEITEM = TreeItemTag*;

// The actions an expansion notification names; the values are the tree view's own.
enum class ExpandAction : std::uint8_t { None = 0, Collapse = 1, Expand = 2 };

// What a tree notification carries: for an expansion the item about to change and the action,
// for a selection change the newly selected item and the one before.
struct TreeNotification {
  ExpandAction action = ExpandAction::None;
  HTREEITEM itemOld = nullptr;
  HTREEITEM itemNew = nullptr;
};

// Images of one size cut from a bitmap resource, left to right, with one colour made
// transparent.
class CImageList {
 public:
  CImageList();
  ~CImageList();
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  bool Create(int bitmapId, int imageWidth, std::uint32_t maskRgb);
  int GetImageCount() const;
  ImageListPeer* peer() const { return m_peer.get(); }

 private:
  std::unique_ptr<ImageListPeer> m_peer;
};

// A tree control of a dialog, attached to it by SubclassDlgItem. Every expansion and collapse
// the user asks for reaches OnItemExpanding before the view changes, and the view follows only
// when it allows the change; selection changes go to the dialog's OnTreeSelChanged.
class CTreeCtrl {
 public:
  CTreeCtrl() = default;
  virtual ~CTreeCtrl();
  CTreeCtrl(const CTreeCtrl&) = delete;
  CTreeCtrl& operator=(const CTreeCtrl&) = delete;

  // Attaches to tree control `controlId` of `dialog`, whose controls exist.
  bool SubclassDlgItem(int controlId, CDialog& dialog);
  TreePeer* peer() const { return m_peer; }

  // The images items refer to by index; the list must outlive the tree's items.
  void SetImageList(const CImageList* images);

  // A child of `parent` (null: the root level) after its last child, or where the tree's
  // case-insensitive order puts it when `sorted`. The text is the name as the file system
  // spells it (bytes, which need not be valid UTF-8).
  HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                       bool sorted = false);
  // Deletes the item with its subtree; a selection inside moves to the nearest item that stays.
  bool DeleteItem(HTREEITEM item);

  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  HTREEITEM GetSelectedItem() const;
  bool SelectItem(HTREEITEM item);

  std::string GetItemText(HTREEITEM item) const;
  bool GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
  std::uintptr_t GetItemData(HTREEITEM item) const;
  bool SetItemData(HTREEITEM item, std::uintptr_t data);
  bool IsExpanded(HTREEITEM item) const;
  // Whether the view draws an expand button for the item.
  bool ItemHasChildren(HTREEITEM item) const;

  // The control's own expand or collapse request: notifies OnItemExpanding first and changes
  // the view only when it allows the change.
  void Expand(HTREEITEM item, ExpandAction action);
  // Collapses without a notification; a selection inside moves to the item.
  void CollapseQuietly(HTREEITEM item);

  // The item-expanding notification: 1 refuses the change, 0 lets it happen.
  virtual int OnItemExpanding(const TreeNotification& /*notification*/) { return 0; }

  // Called by the backend.
  int notifyExpanding(const TreeNotification& notification);
  void notifySelChanged(const TreeNotification& notification);

 private:
  bool isWithin(HTREEITEM item, HTREEITEM ancestor) const;

  TreePeer* m_peer = nullptr;
  CDialog* m_dialog = nullptr;
  int m_controlId = 0;
  HTREEITEM m_notifyItem = nullptr;
};

} // namespace texkit2::framework
