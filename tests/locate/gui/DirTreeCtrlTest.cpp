#include "locate/DirTreeCtrl.h"

#include "framework/qt/QtDialog.h"
#include "framework/qt/QtResources.h"
#include "framework/qt/QtTree.h"
#include "tests/gui/GuiSupport.h"
#include "tests/locate/gui/LocateGuiSupport.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using framework::QtTree;
using platform::DriveType;
using testing::childNamed;
using testing::childTexts;
using testing::clickExpandButton;
using testing::makeFolder;

class DirTreeCtrlTest : public ::testing::Test {
 protected:
  ~DirTreeCtrlTest() override {
    if (view != nullptr) {
      testing::window(host).hide();
    }
    selections.reset();
    tree.reset();
    testing::expectNoTopLevelWindows();
  }

  // A drive whose root is the folder `name` of the test's temporary folder.
  std::string addDrive(const std::string& name, DriveType type,
                       std::optional<std::uint32_t> serial = std::nullopt) {
    makeFolder(folder / name);
    return memory.addDrive(folder / name, type, serial);
  }

  // The tree attached to the Locate layout's tree control of a bare host dialog, filled.
  CDirTreeCtrl& fill() {
    images.Create(134, 16, 0xFF00FF);
    tree = std::make_unique<CDirTreeCtrl>(drives);
    EXPECT_TRUE(tree->SubclassDlgItem(1022, host));
    view = testing::window(host).treeView(1022);
    EXPECT_NE(view, nullptr);
    tree->SetImageList(&images);
    selections = std::make_unique<QSignalSpy>(view, &QTreeWidget::currentItemChanged);
    added = tree->PopulateDrives();
    testing::window(host).show();
    return *tree;
  }

  QTreeWidgetItem* root(const std::string& path) { return testing::rootNamed(*view, path); }

  // The image indices of an item, -1 when it has none.
  int imageOf(const QTreeWidgetItem* item) const {
    int image = -1;
    int selectedImage = -1;
    return tree->GetItemImage(QtTree::handle(item), image, selectedImage) ? image : -1;
  }
  int selectedImageOf(const QTreeWidgetItem* item) const {
    int image = -1;
    int selectedImage = -1;
    return tree->GetItemImage(QtTree::handle(item), image, selectedImage) ? selectedImage : -1;
  }
  bool holdsOnlyPlaceholder(const QTreeWidgetItem* item) const {
    return testing::holdsOnlyPlaceholder(*tree, item);
  }

  // The item at `names` below the drive item of `drive`, each level expanded on the way by a
  // click on its expand button.
  QTreeWidgetItem* open(const std::string& drive, const QStringList& names) {
    QTreeWidgetItem* item = root(drive);
    for (const QString& name : names) {
      if (item == nullptr) {
        return nullptr;
      }
      if (!item->isExpanded()) {
        clickExpandButton(*view, item);
      }
      item = childNamed(item, name);
    }
    return item;
  }

  testing::TempFolder folder;
  platform::MemoryDrives memory;
  testing::CountingDrives drives{memory};
  CImageList images;
  // Layout 130 (the Locate dialog) holds tree control 1022; it outlives the tree attached.
  framework::CDialog host{130};
  std::unique_ptr<CDirTreeCtrl> tree;
  QtTree* view = nullptr;
  std::unique_ptr<QSignalSpy> selections;
  int added = -1;
};

TEST_F(DirTreeCtrlTest, ImageListHoldsTheSevenImagesWithMagentaTransparent) {
  const QPixmap bitmap = framework::LoadBitmap(134);
  ASSERT_EQ(bitmap.size(), QSize(112, 16));
  ASSERT_TRUE(images.Create(134, 16, 0xFF00FF));
  ASSERT_EQ(images.GetImageCount(), 7);
  const auto* cut = dynamic_cast<const framework::QtImageList*>(images.peer());
  ASSERT_NE(cut, nullptr);
  const QImage source = bitmap.toImage();
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    const QImage image = cut->image(i).toImage();
    EXPECT_EQ(image.size(), QSize(16, 16));
    int transparent = 0;
    int opaque = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const bool magenta = (source.pixel(i * 16 + x, y) & 0xFFFFFFu) == 0xFF00FFu;
        EXPECT_EQ(qAlpha(image.pixel(x, y)) == 0, magenta) << x << "," << y;
        (magenta ? transparent : opaque) += 1;
      }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, 0);
  }
  EXPECT_TRUE(cut->image(7).isNull());
}

TEST_F(DirTreeCtrlTest, RootItemsFollowTheDriveTableWithImagesByType) {
  const std::string a = addDrive("A", DriveType::Removable, 0x1111);
  const std::string c = addDrive("C", DriveType::Fixed);
  const std::string d = addDrive("D", DriveType::CdRom, 0x2222);
  const std::string e = addDrive("E", DriveType::Unknown);
  const std::string f = addDrive("F", DriveType::NoRootDir);
  const std::string g = addDrive("G", DriveType::Remote);
  const std::string h = addDrive("H", DriveType::RamDisk);
  for (const char* drive : {"A", "C", "D", "G", "H"}) {
    makeFolder(folder / drive / "Games");
  }
  fill();

  EXPECT_EQ(added, 5);
  ASSERT_EQ(view->topLevelItemCount(), 5);
  const std::vector<std::pair<std::string, int>> expected = {
      {a, 1}, {c, 0}, {d, 2}, {g, 3}, {h, 4}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(expected[static_cast<std::size_t>(i)].first);
    QTreeWidgetItem* item = view->topLevelItem(i);
    EXPECT_EQ(item->text(0).toStdString(), expected[static_cast<std::size_t>(i)].first);
    EXPECT_EQ(imageOf(item), expected[static_cast<std::size_t>(i)].second);
    EXPECT_EQ(selectedImageOf(item), expected[static_cast<std::size_t>(i)].second);
    EXPECT_TRUE(view->hasExpandButton(item));
  }
  // The first fixed drive is selected and expanded, its first level listed.
  EXPECT_EQ(view->currentItem(), root(c));
  EXPECT_TRUE(root(c)->isSelected());
  EXPECT_TRUE(root(c)->isExpanded());
  EXPECT_EQ(childTexts(root(c)), QStringList{"Games"});
  EXPECT_EQ(selections->count(), 1);
  // Removable, CD-ROM and network drives wait with a placeholder, unread.
  for (const std::string& unread : {a, d, g}) {
    SCOPED_TRACE(unread);
    EXPECT_TRUE(holdsOnlyPlaceholder(root(unread)));
    EXPECT_FALSE(root(unread)->isExpanded());
    EXPECT_FALSE(drives.wasListed(unread));
  }
  EXPECT_EQ(tree->driveSerial(a), 0x1111);
  EXPECT_EQ(tree->driveSerial(d), 0x2222);
  EXPECT_EQ(tree->driveSerial(c), -1);
  EXPECT_EQ(tree->driveSerial(e), -1);
  EXPECT_EQ(tree->driveSerial(f), -1);
  // The placeholder: no text, image 0.
  const QTreeWidgetItem* placeholder = root(a)->child(0);
  EXPECT_EQ(placeholder->text(0), "");
  EXPECT_EQ(imageOf(placeholder), 0);
  EXPECT_EQ(selectedImageOf(placeholder), 0);
}

TEST_F(DirTreeCtrlTest, WithoutAFixedDriveNothingIsSelectedOrExpanded) {
  addDrive("A", DriveType::Removable, 1);
  addDrive("D", DriveType::CdRom);
  fill();
  EXPECT_EQ(added, 2);
  EXPECT_EQ(view->currentItem(), nullptr);
  EXPECT_EQ(selections->count(), 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(view->topLevelItem(i)->isExpanded());
  }
}

TEST_F(DirTreeCtrlTest, AddDriveRefusesWhatIsNoDriveOrOfUnknownType) {
  const std::string c = addDrive("C", DriveType::Fixed);
  const std::string e = addDrive("E", DriveType::Unknown);
  fill();
  EXPECT_FALSE(tree->AddDrive(e));
  EXPECT_FALSE(tree->AddDrive((folder / "C" / "inside").string()));
  EXPECT_EQ(view->topLevelItemCount(), 1);
}

TEST_F(DirTreeCtrlTest, ARootHoldingOnlyFilesHasNoExpandButton) {
  const std::string c = addDrive("C", DriveType::Fixed);
  const std::string e = addDrive("E", DriveType::Fixed);
  testing::writeText(folder / "C" / "readme.txt", "x");
  testing::writeText(folder / "E" / "autoexec.bat", "x");
  fill();
  for (const std::string& drive : {c, e}) {
    SCOPED_TRACE(drive);
    EXPECT_EQ(root(drive)->childCount(), 0);
    EXPECT_FALSE(view->hasExpandButton(root(drive)));
    EXPECT_FALSE(root(drive)->isExpanded());
  }
  // The first one was still selected, its expansion refused.
  EXPECT_EQ(view->currentItem(), root(c));
}

TEST_F(DirTreeCtrlTest, PathsEndInTheSeparatorOnlyAtADriveRoot) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake" / "id1");
  fill();
  QTreeWidgetItem* quake = open(c, {"Games", "Quake"});
  ASSERT_NE(quake, nullptr);
  EXPECT_EQ(tree->GetItemPath(QtTree::handle(quake)), c + "Games/Quake");
  EXPECT_EQ(tree->GetItemPath(QtTree::handle(root(c))), c);
  EXPECT_EQ(tree->GetDriveItem(QtTree::handle(quake)), QtTree::handle(root(c)));
  EXPECT_TRUE(tree->IsRootItem(QtTree::handle(root(c))));
  EXPECT_FALSE(tree->IsRootItem(QtTree::handle(quake)));
  EXPECT_EQ(tree->GetNotifyItemPath({ExpandAction::None, nullptr, QtTree::handle(quake)}),
            c + "Games/Quake");
  EXPECT_EQ(tree->GetNotifyItemPath({}), "");
  EXPECT_TRUE(tree->IsExistingFolder(c));
  EXPECT_TRUE(tree->IsExistingFolder(c + "Games"));
  EXPECT_FALSE(tree->IsExistingFolder(c + "Games/Doom"));
}

TEST_F(DirTreeCtrlTest, SubfoldersAreSortedWithoutRegardToCaseAndHiddenOnesShown) {
  const std::string c = addDrive("C", DriveType::Fixed);
  memory.setOrder(platform::MemoryDrives::Order::Descending);
  for (const char* name : {"beta", "Alpha", ".hidden", "gamma", "Delta", "alpha"}) {
    makeFolder(folder / "C" / name);
  }
  testing::writeText(folder / "C" / "Aardvark.txt", "x");
  makeFolder(folder / "C" / "gamma" / "inner");
  fill();
  EXPECT_EQ(childTexts(root(c)),
            (QStringList{".hidden", "Alpha", "alpha", "beta", "Delta", "gamma"}));
  for (int i = 0; i < root(c)->childCount(); ++i) {
    QTreeWidgetItem* child = root(c)->child(i);
    SCOPED_TRACE(child->text(0).toStdString());
    EXPECT_EQ(imageOf(child), 5);
    EXPECT_EQ(selectedImageOf(child), 6);
    EXPECT_EQ(view->hasExpandButton(child), child->text(0) == "gamma");
  }
}

TEST_F(DirTreeCtrlTest, ANameThatIsNotUtf8KeepsItsBytesInThePath) {
  const std::string c = addDrive("C", DriveType::Fixed);
  const std::string latin1 = "caf\xE9";
  makeFolder(folder / "C" / latin1 / "inner");
  fill();
  ASSERT_EQ(root(c)->childCount(), 1);
  QTreeWidgetItem* cafe = root(c)->child(0);
  EXPECT_EQ(tree->GetItemPath(QtTree::handle(cafe)), c + latin1);
  // Expanding it lists it rather than taking it for a vanished folder.
  ASSERT_TRUE(clickExpandButton(*view, cafe));
  EXPECT_EQ(childTexts(cafe), QStringList{"inner"});
}

TEST_F(DirTreeCtrlTest, ExpandingAFolderDeletedOnDiskRemovesItsItem) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake");
  makeFolder(folder / "C" / "Tools");
  fill();
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  ASSERT_NE(games, nullptr);
  fs::remove_all(folder / "C" / "Games");
  ASSERT_TRUE(clickExpandButton(*view, games));
  EXPECT_EQ(childTexts(root(c)), QStringList{"Tools"});
  EXPECT_TRUE(root(c)->isExpanded());
  EXPECT_EQ(view->currentItem(), root(c));
}

TEST_F(DirTreeCtrlTest, AVanishedSelectedFolderHandsTheSelectionToItsParentOnce) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake" / "id1");
  makeFolder(folder / "C" / "Games" / "Hexen2" / "data1");
  fill();
  QTreeWidgetItem* quake = open(c, {"Games", "Quake"});
  ASSERT_NE(quake, nullptr);
  testing::clickItem(*view, quake);
  ASSERT_EQ(view->currentItem(), quake);
  selections->clear();
  fs::remove_all(folder / "C" / "Games" / "Quake");
  ASSERT_TRUE(clickExpandButton(*view, quake));
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  EXPECT_EQ(childTexts(games), QStringList{"Hexen2"});
  EXPECT_EQ(view->currentItem(), games);
  EXPECT_EQ(selections->count(), 1);
}

TEST_F(DirTreeCtrlTest, AFolderWhoseSubfoldersWereRemovedRefusesAndLosesItsButton) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake");
  testing::writeText(folder / "C" / "Games" / "games.txt", "x");
  fill();
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  ASSERT_TRUE(holdsOnlyPlaceholder(games));
  fs::remove_all(folder / "C" / "Games" / "Quake");
  ASSERT_TRUE(clickExpandButton(*view, games));
  EXPECT_FALSE(games->isExpanded());
  EXPECT_EQ(games->childCount(), 0);
  EXPECT_FALSE(view->hasExpandButton(games));
}

TEST_F(DirTreeCtrlTest, ADriveThatCannotBeListedKeepsItsButton) {
  const std::string a = addDrive("A", DriveType::Removable, 7);
  makeFolder(folder / "A" / "Games");
  memory.setUnlistable(folder / "A");
  fill();
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    ASSERT_TRUE(clickExpandButton(*view, root(a)));
    EXPECT_FALSE(root(a)->isExpanded());
    EXPECT_TRUE(holdsOnlyPlaceholder(root(a)));
  }
}

TEST_F(DirTreeCtrlTest, AnotherFileSystemMountedBelowIsNotReadUntilOpened) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "mnt" / "share" / "Games");
  makeFolder(folder / "C" / "mnt" / "empty");
  const std::string share = memory.addDrive(folder / "C" / "mnt" / "share", DriveType::Remote);
  memory.addDrive(folder / "C" / "mnt" / "empty", DriveType::Fixed);
  fill();
  QTreeWidgetItem* mnt = childNamed(root(c), "mnt");
  ASSERT_NE(mnt, nullptr);
  drives.listed.clear();
  ASSERT_TRUE(clickExpandButton(*view, mnt));
  // Both mount points get a button without a listing of their own.
  EXPECT_EQ(drives.listed, std::vector<std::string>{c + "mnt"});
  EXPECT_TRUE(holdsOnlyPlaceholder(childNamed(mnt, "share")));
  EXPECT_TRUE(holdsOnlyPlaceholder(childNamed(mnt, "empty")));
  // Opened, they list as any folder; one without sub-folders loses its button.
  ASSERT_TRUE(clickExpandButton(*view, childNamed(mnt, "share")));
  EXPECT_EQ(childTexts(childNamed(mnt, "share")), QStringList{"Games"});
  ASSERT_TRUE(clickExpandButton(*view, childNamed(mnt, "empty")));
  EXPECT_EQ(childNamed(mnt, "empty")->childCount(), 0);
  EXPECT_NE(testing::rootNamed(*view, share), nullptr);
}

TEST_F(DirTreeCtrlTest, ADriveWithoutFoldersLosesItsButtonWhenExpanded) {
  const std::string a = addDrive("A", DriveType::Removable, 7);
  testing::writeText(folder / "A" / "file.txt", "x");
  fill();
  ASSERT_TRUE(holdsOnlyPlaceholder(root(a)));
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_FALSE(root(a)->isExpanded());
  EXPECT_EQ(root(a)->childCount(), 0);
}

TEST_F(DirTreeCtrlTest, ASwappedMediumIsRefusedOnceThenListed) {
  const std::string a = addDrive("A", DriveType::Removable, 0x1111);
  makeFolder(folder / "A" / "disc1");
  fill();
  // Swapped while collapsed.
  fs::remove_all(folder / "A" / "disc1");
  makeFolder(folder / "A" / "disc2");
  memory.setSerial(a, 0x2222);
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_FALSE(root(a)->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(root(a)));
  EXPECT_EQ(tree->driveSerial(a), 0x2222);
  EXPECT_FALSE(drives.wasListed(a));
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_TRUE(root(a)->isExpanded());
  EXPECT_EQ(childTexts(root(a)), QStringList{"disc2"});
}

TEST_F(DirTreeCtrlTest, ASwapWhileExpandedResetsTheBranchAtTheNextExpansion) {
  const std::string a = addDrive("A", DriveType::Removable, 0x1111);
  makeFolder(folder / "A" / "maps" / "e1");
  fill();
  QTreeWidgetItem* maps = open(a, {"maps"});
  ASSERT_NE(maps, nullptr);
  testing::clickItem(*view, maps);
  ASSERT_EQ(view->currentItem(), maps);
  memory.setSerial(a, 0x3333);
  const int readsBefore = drives.serialReads;
  ASSERT_TRUE(clickExpandButton(*view, maps));
  EXPECT_FALSE(root(a)->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(root(a)));
  // The selection went up to the drive; the control's own collapse read the medium no more.
  EXPECT_EQ(view->currentItem(), root(a));
  EXPECT_EQ(drives.serialReads - readsBefore, 1);
}

TEST_F(DirTreeCtrlTest, AnEmptyDriveAtTheFillAcceptsTheFirstDiscWithoutAReset) {
  const std::string a = addDrive("A", DriveType::Removable);
  fill();
  EXPECT_EQ(tree->driveSerial(a), -1);
  makeFolder(folder / "A" / "quake");
  memory.setSerial(a, 0x4444);
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_TRUE(root(a)->isExpanded());
  EXPECT_EQ(childTexts(root(a)), QStringList{"quake"});
}

TEST_F(DirTreeCtrlTest, ADriveEmptiedAfterItWasReadIsRefusedEachTimeUntilADiscComes) {
  const std::string a = addDrive("A", DriveType::CdRom, 0x5555);
  makeFolder(folder / "A" / "quake");
  fill();
  memory.setSerial(a, std::nullopt);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    const int readsBefore = drives.serialReads;
    ASSERT_TRUE(clickExpandButton(*view, root(a)));
    EXPECT_FALSE(root(a)->isExpanded());
    EXPECT_TRUE(holdsOnlyPlaceholder(root(a)));
    EXPECT_EQ(tree->driveSerial(a), -1);
    // One look at the drive per attempt: the reset does not start another.
    EXPECT_EQ(drives.serialReads - readsBefore, 1);
  }
  memory.setSerial(a, 0x6666);
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_TRUE(root(a)->isExpanded());
}

TEST_F(DirTreeCtrlTest, AfterADiscWithSerialFFFFFFFFAnyDiscIsAccepted) {
  const std::string a = addDrive("A", DriveType::Removable, 0xFFFFFFFFu);
  makeFolder(folder / "A" / "one");
  fill();
  EXPECT_EQ(tree->driveSerial(a), -1);
  // Read, not missing: the disc itself is accepted.
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_TRUE(root(a)->isExpanded());
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  fs::remove_all(folder / "A" / "one");
  makeFolder(folder / "A" / "two");
  memory.setSerial(a, 0x1234);
  ASSERT_TRUE(clickExpandButton(*view, root(a)));
  EXPECT_TRUE(root(a)->isExpanded());
  EXPECT_EQ(childTexts(root(a)), QStringList{"two"});
}

TEST_F(DirTreeCtrlTest, CollapsingDiscardsChildrenAndExpandingListsAfresh) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake");
  fill();
  QTreeWidgetItem* games = open(c, {"Games"});
  ASSERT_TRUE(clickExpandButton(*view, games));
  ASSERT_EQ(childTexts(games), QStringList{"Quake"});
  ASSERT_TRUE(clickExpandButton(*view, games));
  EXPECT_FALSE(games->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(games));
  makeFolder(folder / "C" / "Games" / "Hexen2");
  ASSERT_TRUE(clickExpandButton(*view, games));
  EXPECT_EQ(childTexts(games), (QStringList{"Hexen2", "Quake"}));
  // A drive item keeps its placeholder when collapsed, whatever it holds.
  ASSERT_TRUE(clickExpandButton(*view, root(c)));
  EXPECT_FALSE(root(c)->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(root(c)));
}

TEST_F(DirTreeCtrlTest, CollapsingAboveTheSelectionSelectsTheCollapsedItem) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake" / "id1");
  fill();
  QTreeWidgetItem* quake = open(c, {"Games", "Quake"});
  testing::clickItem(*view, quake);
  ASSERT_EQ(view->currentItem(), quake);
  selections->clear();
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  ASSERT_TRUE(clickExpandButton(*view, games));
  EXPECT_EQ(view->currentItem(), games);
  EXPECT_EQ(selections->count(), 1);
  EXPECT_TRUE(holdsOnlyPlaceholder(games));
}

TEST_F(DirTreeCtrlTest, KeysAndDoubleClicksExpandThroughTheNotification) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake" / "id1");
  fill();
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  testing::clickItem(*view, games);
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_TRUE(games->isExpanded());
  EXPECT_EQ(childTexts(games), QStringList{"Quake"});
  QTest::keyClick(view, Qt::Key_Left);
  EXPECT_FALSE(games->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(games));
  QTest::keyClick(view, Qt::Key_Plus);
  EXPECT_TRUE(games->isExpanded());
  QTest::keyClick(view, Qt::Key_Minus);
  EXPECT_FALSE(games->isExpanded());
  // "*" opens one level, not the whole disk.
  QTest::keyClick(view, Qt::Key_Asterisk);
  EXPECT_TRUE(games->isExpanded());
  QTreeWidgetItem* quake = childNamed(games, "Quake");
  ASSERT_NE(quake, nullptr);
  EXPECT_FALSE(quake->isExpanded());
  EXPECT_TRUE(holdsOnlyPlaceholder(quake));
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, testing::textPoint(*view, quake));
  EXPECT_TRUE(quake->isExpanded());
  EXPECT_EQ(childTexts(quake), QStringList{"id1"});
}

TEST_F(DirTreeCtrlTest, AnExpansionByAnotherWayIsHandledAfterwards) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games" / "Quake");
  makeFolder(folder / "C" / "Gone" / "Inner");
  fill();
  QTreeWidgetItem* games = childNamed(root(c), "Games");
  view->expandItem(games); // the view's own request, not ours
  ASSERT_TRUE(QTest::qWaitFor([&] { return childNamed(games, "Quake") != nullptr; }, 5000));
  EXPECT_TRUE(games->isExpanded());
  fs::remove_all(folder / "C" / "Gone");
  view->expandItem(childNamed(root(c), "Gone"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return childNamed(root(c), "Gone") == nullptr; }, 5000));
  EXPECT_EQ(childTexts(root(c)), QStringList{"Games"});
}

} // namespace
} // namespace texkit2::locate
