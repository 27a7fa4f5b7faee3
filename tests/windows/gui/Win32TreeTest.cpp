// The Win32 backend's tree view: items, images, the order of sorted inserts, and the expanding
// and selection notifications as the view raises them for a test's TVM_EXPAND and
// TVM_SELECTITEM, a click on an expand button and the arrow keys.
#include "framework/TreeCtrl.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace texkit2::tests {
namespace {

using framework::CDialog;
using framework::CTreeCtrl;
using framework::ExpandAction;
using framework::HTREEITEM;
using framework::TreeNotification;

class TreeDialog : public CDialog {
 public:
  TreeDialog() : CDialog(kTreeLayout) {}
  void OnTreeSelChanged(int controlId, const TreeNotification& notification) override {
    EXPECT_EQ(controlId, 1022);
    selections.push_back(notification);
  }
  std::vector<TreeNotification> selections;
};

// Records the expanding notifications; refuses them when told, or deletes the item first.
class RecordingTree : public CTreeCtrl {
 public:
  int OnItemExpanding(const TreeNotification& notification) override {
    expansions.push_back(notification);
    if (deleteItem) {
      DeleteItem(notification.itemNew);
      return 1;
    }
    return refuse ? 1 : 0;
  }
  std::vector<TreeNotification> expansions;
  bool refuse = false;
  bool deleteItem = false;
};

class Win32TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.SubclassDlgItem(1022, dialog));
    view = ::GetDlgItem(framework::win32::windowOf(&dialog), 1022);
    ASSERT_NE(view, nullptr);
    ::ShowWindow(framework::win32::windowOf(&dialog), SW_SHOWNA);
  }

  // A folder with a placeholder child, so that the view draws an expand button.
  HTREEITEM folder(const char* name, HTREEITEM parent = nullptr) {
    HTREEITEM item = tree.InsertItem(name, 5, 6, parent);
    tree.InsertItem("", 0, 0, item);
    return item;
  }

  ::HTREEITEM native(HTREEITEM item) const { return reinterpret_cast<::HTREEITEM>(item); }

  bool viewExpanded(HTREEITEM item) const {
    return (::SendMessageA(view, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
  }

  void send(UINT message, WPARAM wParam, HTREEITEM item) const {
    ::SendMessageA(view, message, wParam, reinterpret_cast<LPARAM>(native(item)));
  }

  // Where the view draws the item's expand button, found by its own hit test.
  LPARAM buttonOf(HTREEITEM item) const {
    RECT row{};
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    ::HTREEITEM handle = native(item);
    std::memcpy(&row, &handle, sizeof handle);
    ::SendMessageA(view, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&row));
    for (LONG x = row.left; x < row.right; ++x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, (row.top + row.bottom) / 2};
      ::SendMessageA(view, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if ((hit.flags & TVHT_ONITEMBUTTON) != 0) {
        return MAKELPARAM(x, hit.pt.y);
      }
    }
    ADD_FAILURE() << "no expand button";
    return 0;
  }

  TreeDialog dialog;
  RecordingTree tree;
  HWND view = nullptr;
};

TEST_F(Win32TreeTest, SortedInsertsFoldCaseAndBreakTiesByBytes) {
  for (const char* name : {"quake", "Hexen", "_maps", "Quake", "alpha", "Beta", "hexen2"}) {
    tree.InsertItem(name, 5, 6, nullptr, true);
  }
  std::vector<std::string> order;
  for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item)) {
    char text[32] = {};
    TVITEMA query{};
    query.mask = TVIF_TEXT;
    query.hItem = native(item);
    query.pszText = text;
    query.cchTextMax = sizeof text;
    ::SendMessageA(view, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
    order.emplace_back(text);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"_maps", "alpha", "Beta", "Hexen", "hexen2", "Quake",
                                             "quake"}));
}

TEST_F(Win32TreeTest, ItemsKeepTheirBytesImagesAndData) {
  framework::CImageList images;
  ASSERT_TRUE(images.Create(kTreeBitmap, 16, 0xFF00FF));
  EXPECT_EQ(images.GetImageCount(), 7);
  tree.SetImageList(&images);
  EXPECT_NE(::SendMessageA(view, TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);

  HTREEITEM drive = tree.InsertItem("C:\\", 0, 0, nullptr);
  HTREEITEM name = tree.InsertItem("caf\xe9", 5, 6, drive);
  EXPECT_EQ(tree.GetItemText(name), "caf\xe9");
  int image = -1;
  int selectedImage = -1;
  ASSERT_TRUE(tree.GetItemImage(name, image, selectedImage));
  EXPECT_EQ(image, 5);
  EXPECT_EQ(selectedImage, 6);
  ASSERT_TRUE(tree.SetItemData(name, 42));
  EXPECT_EQ(tree.GetItemData(name), 42u);
  EXPECT_EQ(tree.GetParentItem(name), drive);
  EXPECT_TRUE(tree.ItemHasChildren(drive));
  EXPECT_FALSE(tree.ItemHasChildren(name));
  tree.SetImageList(nullptr);
}

TEST_F(Win32TreeTest, AnExpandRequestAsksTheHandlerWhichMayRefuseIt) {
  HTREEITEM games = folder("Games");
  tree.refuse = true;
  send(TVM_EXPAND, TVE_EXPAND, games);
  ASSERT_EQ(tree.expansions.size(), 1u);
  EXPECT_EQ(tree.expansions[0].action, ExpandAction::Expand);
  EXPECT_EQ(tree.expansions[0].itemNew, games);
  EXPECT_FALSE(viewExpanded(games));

  tree.refuse = false;
  send(TVM_EXPAND, TVE_EXPAND, games);
  EXPECT_EQ(tree.expansions.size(), 2u);
  EXPECT_TRUE(viewExpanded(games));
  EXPECT_TRUE(tree.IsExpanded(games));

  // Expanded once before, the item still asks the handler every time.
  tree.CollapseQuietly(games);
  EXPECT_FALSE(viewExpanded(games));
  send(TVM_EXPAND, TVE_EXPAND, games);
  EXPECT_EQ(tree.expansions.size(), 3u);
}

TEST_F(Win32TreeTest, TheControlsOwnExpandNotifiesOnce) {
  HTREEITEM games = folder("Games");
  tree.Expand(games, ExpandAction::Expand);
  EXPECT_EQ(tree.expansions.size(), 1u);
  EXPECT_TRUE(viewExpanded(games));
  tree.Expand(games, ExpandAction::Collapse);
  EXPECT_EQ(tree.expansions.size(), 2u);
  EXPECT_FALSE(viewExpanded(games));
}

TEST_F(Win32TreeTest, TheUsersClicksAndKeysAskTheHandlerFirst) {
  HTREEITEM games = folder("Games");
  folder("Tools");
  ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, buttonOf(games));
  ::SendMessageA(view, WM_LBUTTONUP, 0, buttonOf(games));
  ASSERT_EQ(tree.expansions.size(), 1u);
  EXPECT_TRUE(viewExpanded(games));

  // The view would collapse in spite of the refusal.
  tree.refuse = true;
  ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, buttonOf(games));
  ASSERT_EQ(tree.expansions.size(), 2u);
  EXPECT_EQ(tree.expansions[1].action, ExpandAction::Collapse);
  EXPECT_TRUE(viewExpanded(games));

  tree.refuse = false;
  tree.SelectItem(games);
  ::SendMessageA(view, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(tree.expansions.size(), 3u);
  EXPECT_FALSE(viewExpanded(games));
  ::SendMessageA(view, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(tree.expansions.size(), 4u);
  EXPECT_TRUE(viewExpanded(games));
}

TEST_F(Win32TreeTest, AHandlerMayDeleteTheItemItIsAskedAbout) {
  HTREEITEM games = folder("Games");
  HTREEITEM tools = folder("Tools");
  tree.Expand(games, ExpandAction::Expand);
  tree.deleteItem = true;
  ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, buttonOf(games));
  EXPECT_EQ(tree.GetRootItem(), tools);
  EXPECT_EQ(tree.GetNextSiblingItem(tools), nullptr);
}

TEST_F(Win32TreeTest, SelectionChangesReachTheDialog) {
  HTREEITEM games = folder("Games");
  HTREEITEM tools = folder("Tools");
  send(TVM_SELECTITEM, TVGN_CARET, games);
  ASSERT_EQ(dialog.selections.size(), 1u);
  EXPECT_EQ(dialog.selections[0].itemOld, nullptr);
  EXPECT_EQ(dialog.selections[0].itemNew, games);
  EXPECT_TRUE(tree.SelectItem(tools));
  ASSERT_EQ(dialog.selections.size(), 2u);
  EXPECT_EQ(dialog.selections[1].itemOld, games);
  EXPECT_EQ(tree.GetSelectedItem(), tools);
}

TEST_F(Win32TreeTest, DeletingTheSelectionMovesItToTheNearestItemThatStays) {
  HTREEITEM drive = folder("C:\\");
  HTREEITEM other = folder("D:\\");
  tree.Expand(drive, ExpandAction::Expand);
  HTREEITEM games = tree.InsertItem("Games", 5, 6, drive, true);
  tree.SelectItem(games);
  dialog.selections.clear();
  EXPECT_TRUE(tree.DeleteItem(games));
  EXPECT_EQ(tree.GetSelectedItem(), drive);
  ASSERT_EQ(dialog.selections.size(), 1u);
  EXPECT_EQ(dialog.selections[0].itemNew, drive);

  EXPECT_TRUE(tree.DeleteItem(drive));
  EXPECT_EQ(tree.GetSelectedItem(), other);
  EXPECT_EQ(dialog.selections.back().itemNew, other);
}

} // namespace
} // namespace texkit2::tests
