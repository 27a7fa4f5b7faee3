#include "framework/TreeCtrl.h"

#include "framework/Dialog.h"
#include "framework/Toolkit.h"

namespace texkit2::framework {

CImageList::CImageList() = default;
CImageList::~CImageList() = default;

bool CImageList::Create(int bitmapId, int imageWidth, std::uint32_t maskRgb) {
  m_peer = toolkit().createImageList(bitmapId, imageWidth, maskRgb);
  return m_peer != nullptr && m_peer->count() > 0;
}

int CImageList::GetImageCount() const {
  return m_peer ? m_peer->count() : 0;
}

CTreeCtrl::~CTreeCtrl() {
  if (m_peer != nullptr) {
    m_peer->detach();
  }
}

bool CTreeCtrl::SubclassDlgItem(int controlId, CDialog& dialog) {
  dialog.Create();
  TreePeer* peer = dialog.peer() != nullptr ? dialog.peer()->tree(controlId) : nullptr;
  if (peer == nullptr) {
    return false;
  }
  m_peer = peer;
  m_dialog = &dialog;
  m_controlId = controlId;
  peer->attach(*this);
  return true;
}

void CTreeCtrl::SetImageList(const CImageList* images) {
  if (m_peer != nullptr) {
    m_peer->setImageList(images);
  }
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int image, int selectedImage,
                                HTREEITEM parent, bool sorted) {
  return m_peer != nullptr ? m_peer->insert(text, image, selectedImage, parent, sorted) : nullptr;
}

bool CTreeCtrl::DeleteItem(HTREEITEM item) {
  if (m_peer == nullptr || item == nullptr) {
    return false;
  }
  if (isWithin(m_notifyItem, item)) {
    m_notifyItem = nullptr;
  }
  // The selection leaves first, to the nearest item that stays; views would otherwise hop it
  // from row to row as the items go, or drop it without a word.
  HTREEITEM selected = m_peer->selected();
  if (selected != nullptr && isWithin(selected, item)) {
    HTREEITEM target = m_peer->parent(item);
    if (target == nullptr) {
      HTREEITEM previous = nullptr;
      for (HTREEITEM root = m_peer->root(); root != nullptr && root != item;
           root = m_peer->nextSibling(root)) {
        previous = root;
      }
      target = m_peer->nextSibling(item) != nullptr ? m_peer->nextSibling(item) : previous;
    }
    m_peer->select(target);
  }
  return m_peer->remove(item);
}

bool CTreeCtrl::isWithin(HTREEITEM item, HTREEITEM ancestor) const {
  for (; item != nullptr; item = m_peer->parent(item)) {
    if (item == ancestor) {
      return true;
    }
  }
  return false;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
  return m_peer != nullptr ? m_peer->root() : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  return m_peer != nullptr ? m_peer->child(item) : nullptr;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr ? m_peer->nextSibling(item) : nullptr;
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr ? m_peer->parent(item) : nullptr;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
  return m_peer != nullptr ? m_peer->selected() : nullptr;
}

bool CTreeCtrl::SelectItem(HTREEITEM item) {
  return m_peer != nullptr && m_peer->select(item);
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr ? m_peer->text(item) : std::string();
}

bool CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
  return m_peer != nullptr && item != nullptr && m_peer->image(item, image, selectedImage);
}

std::uintptr_t CTreeCtrl::GetItemData(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr ? m_peer->data(item) : 0;
}

bool CTreeCtrl::SetItemData(HTREEITEM item, std::uintptr_t data) {
  return m_peer != nullptr && item != nullptr && m_peer->setData(item, data);
}

bool CTreeCtrl::IsExpanded(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr && m_peer->isExpanded(item);
}

bool CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
  return m_peer != nullptr && item != nullptr && m_peer->hasButton(item);
}

void CTreeCtrl::Expand(HTREEITEM item, ExpandAction action) {
  if (m_peer == nullptr || item == nullptr || action == ExpandAction::None ||
      m_peer->isExpanded(item) == (action == ExpandAction::Expand)) {
    return;
  }
  if (notifyExpanding({action, nullptr, item}) != 0) {
    return;
  }
  if (action == ExpandAction::Expand) {
    m_peer->setExpanded(item, true);
  } else {
    CollapseQuietly(item);
  }
}

void CTreeCtrl::CollapseQuietly(HTREEITEM item) {
  if (m_peer == nullptr || item == nullptr) {
    return;
  }
  // A hidden selection would make the view expand its way back to it.
  HTREEITEM selected = m_peer->selected();
  if (selected != nullptr && selected != item && isWithin(selected, item)) {
    m_peer->select(item);
  }
  m_peer->setExpanded(item, false);
}

int CTreeCtrl::notifyExpanding(const TreeNotification& notification) {
  HTREEITEM const outer = m_notifyItem;
  m_notifyItem = notification.itemNew;
  int result = OnItemExpanding(notification);
  // The handler deleted the item: the change has nothing left to act on.
  if (m_notifyItem == nullptr) {
    result = 1;
  }
  m_notifyItem = outer;
  return result;
}

void CTreeCtrl::notifySelChanged(const TreeNotification& notification) {
  if (m_dialog != nullptr) {
    m_dialog->OnTreeSelChanged(m_controlId, notification);
  }
}

} // namespace texkit2::framework
