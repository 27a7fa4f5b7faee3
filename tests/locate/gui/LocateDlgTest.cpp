#include "locate/LocateDlg.h"

#include "app/ExtractDlg.h"
#include "app/LocateCommands.h"
#include "framework/qt/QtDialog.h"
#include "framework/qt/QtTree.h"
#include "tests/gui/GuiSupport.h"
#include "tests/locate/gui/LocateGuiSupport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <functional>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using framework::QtTree;
using platform::DriveType;
using testing::childNamed;
using testing::clickExpandButton;
using testing::makeFolder;
using testing::writeGameData;

class LocateDlgTest : public ::testing::Test {
 protected:
  ~LocateDlgTest() override { testing::expectNoTopLevelWindows(); }

  std::string addDrive(const std::string& name, DriveType type,
                       std::optional<std::uint32_t> serial = std::nullopt) {
    makeFolder(folder / name);
    return memory.addDrive(folder / name, type, serial);
  }

  // Runs the Manual Locate command for `game`; `act` works the dialog once it is up and should
  // end it. A dialog it leaves open is cancelled, so that a failing test cannot hang.
  std::optional<std::string> runLocate(extract::GameKind game,
                                       const std::function<void(CLocateDlg&)>& act) {
    testing::OnNextModal next([&](QWidget* modal) {
      auto* dialog = testing::dialogOf<CLocateDlg>(modal);
      if (dialog == nullptr) {
        ADD_FAILURE() << "the modal window is no Locate dialog";
      } else {
        act(*dialog);
      }
      if (modal->isVisible()) {
        static_cast<QDialog*>(modal)->reject();
      }
    });
    auto result = RunManualLocate(nullptr, game, drives, files);
    EXPECT_TRUE(next.ran());
    return result;
  }

  // Opens the folders `names` below drive `drive` by their expand buttons and selects the last
  // by a click on its text.
  static QTreeWidgetItem* select(CLocateDlg& dialog, const std::string& drive,
                                 const QStringList& names) {
    QtTree& tree = view(dialog);
    QTreeWidgetItem* item = testing::rootNamed(tree, drive);
    for (const QString& name : names) {
      if (item == nullptr) {
        return nullptr;
      }
      if (!item->isExpanded()) {
        clickExpandButton(tree, item);
      }
      item = childNamed(item, name);
    }
    if (item != nullptr) {
      testing::clickItem(tree, item);
    }
    return item;
  }

  // The tree control's view, as the user sees it.
  static QtTree& view(CLocateDlg& dialog) { return *testing::window(dialog).treeView(1022); }
  static std::string pathText(const CLocateDlg& dialog) { return dialog.GetDlgItemText(1012); }
  static std::string buttonText(const CLocateDlg& dialog) { return dialog.GetDlgItemText(1032); }
  static void pressButton(CLocateDlg& dialog) {
    QTest::mouseClick(testing::window(dialog).item<QAbstractButton>(1032), Qt::LeftButton);
  }

  static void expectFound(CLocateDlg& dialog) {
    EXPECT_TRUE(dialog.found());
    EXPECT_EQ(pathText(dialog), "File(s) found");
    EXPECT_EQ(buttonText(dialog), "&Ok");
    EXPECT_FALSE(dialog.isItemEnabled(1022));
    EXPECT_GE(dialog.flashToggles(), 1);
  }

  static void expectSearching(CLocateDlg& dialog, const std::string& path) {
    EXPECT_FALSE(dialog.found());
    EXPECT_EQ(pathText(dialog), path);
    EXPECT_EQ(buttonText(dialog), "&Cancel");
    EXPECT_TRUE(dialog.isItemEnabled(1022));
    EXPECT_EQ(dialog.flashToggles(), 0);
    EXPECT_FALSE(dialog.hasTimer(1));
  }

  testing::TempFolder folder;
  platform::MemoryDrives memory;
  testing::CountingDrives drives{memory};
  platform::FileSystem& files = platform::hostFileSystem();
};

TEST_F(LocateDlgTest, OpensWithThePromptAndTheFirstFixedDriveSelected) {
  addDrive("A", DriveType::Removable, 1);
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    EXPECT_EQ(testing::window(dialog).windowTitle(), "Locate");
    EXPECT_EQ(dialog.GetDlgItemText(1006),
              "Please find the Quake(tm) game executable directory...");
    EXPECT_TRUE(testing::window(dialog).item<QLineEdit>(1012)->isReadOnly());
    // A drive root forms its candidate without a doubled separator.
    expectSearching(dialog, c);
    EXPECT_EQ(dialog.GetDataFolder(), c + "id1/");
    EXPECT_EQ(view(dialog).currentItem(), testing::rootNamed(view(dialog), c));
    EXPECT_EQ(dialog.imageList().GetImageCount(), 7);
    EXPECT_FALSE(view(dialog).topLevelItem(0)->icon(0).isNull());
    // The fill ran with the wait cursor, which is gone now.
    EXPECT_EQ(drives.cursorAtDrives, std::optional(Qt::WaitCursor));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::keyClick(&testing::window(dialog), Qt::Key_Escape);
  });
  EXPECT_EQ(result, std::nullopt);
}

TEST_F(LocateDlgTest, AQuakeFolderWithBothArchivesIsFoundLockedAndAccepted) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Games" / "Quake" / "id1");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Games", "Quake"}), nullptr);
    expectFound(dialog);
    EXPECT_TRUE(dialog.hasTimer(1));
    EXPECT_EQ(dialog.GetDataFolder(), c + "Games/Quake/id1/");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder / "C" / "Games" / "Quake" / "id1"));
    // Locked: a click elsewhere in the tree changes nothing.
    testing::clickItem(view(dialog), testing::rootNamed(view(dialog), c));
    EXPECT_EQ(dialog.GetDataFolder(), c + "Games/Quake/id1/");
    pressButton(dialog);
  });
  EXPECT_EQ(result, c + "Games/Quake/id1/");
}

TEST_F(LocateDlgTest, HexenIILooksForData1InTheSameFolder) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Games" / "Quake" / "id1");
  writeGameData(folder / "C" / "Games" / "Hexen2" / "data1");
  const auto result = runLocate(extract::kGameHexen2, [&](CLocateDlg& dialog) {
    EXPECT_EQ(dialog.GetDlgItemText(1006),
              "Please find the Hexen(tm) 2 game executable directory...");
    ASSERT_NE(select(dialog, c, {"Games", "Quake"}), nullptr);
    expectSearching(dialog, c + "Games/Quake");
    EXPECT_EQ(dialog.GetDataFolder(), c + "Games/Quake/data1/");
    ASSERT_NE(select(dialog, c, {"Games", "Hexen2"}), nullptr);
    expectFound(dialog);
    QTest::keyClick(&testing::window(dialog), Qt::Key_Return);
  });
  EXPECT_EQ(result, c + "Games/Hexen2/data1/");
}

// The re-release and the mission packs hold PAK0.PAK alone; PAK1.PAK alone is no data folder.
TEST_F(LocateDlgTest, PAK0AloneIsADataFolderAndPAK1AloneIsNot) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Quake" / "id1", "PAK0.PAK", "");
  writeGameData(folder / "C" / "Other" / "id1", "", "PAK1.PAK");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Other"}), nullptr);
    expectSearching(dialog, c + "Other");
    ASSERT_NE(select(dialog, c, {"Quake"}), nullptr);
    expectFound(dialog);
    pressButton(dialog);
  });
  EXPECT_EQ(result, c + "Quake/id1/");
}

// The data folder comes back spelt as on disk: it is shown, written to and registered so.
TEST_F(LocateDlgTest, ArchiveAndFolderNamesMatchWithoutRegardToCase) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "quake" / "ID1", "pak0.pak", "Pak1.Pak");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"quake"}), nullptr);
    expectFound(dialog);
    pressButton(dialog);
  });
  EXPECT_EQ(result, c + "quake/ID1/");
}

TEST_F(LocateDlgTest, FoldersNamedLikeTheArchivesDoNotCount) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Quake" / "id1" / "PAK0.PAK");
  makeFolder(folder / "C" / "Quake" / "id1" / "PAK1.PAK");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Quake"}), nullptr);
    expectSearching(dialog, c + "Quake");
    pressButton(dialog);
  });
  EXPECT_EQ(result, std::nullopt);
}

TEST_F(LocateDlgTest, TheCloseBoxAcceptsWhenFoundAndEscapeCancels) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Quake" / "id1");
  const auto closed = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Quake"}), nullptr);
    expectFound(dialog);
    testing::window(dialog).close();
  });
  EXPECT_EQ(closed, c + "Quake/id1/");
  const auto escaped = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Quake"}), nullptr);
    expectFound(dialog);
    QTest::keyClick(&testing::window(dialog), Qt::Key_Escape);
  });
  EXPECT_EQ(escaped, std::nullopt);
  // While searching the close box cancels.
  const auto cancelled = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    EXPECT_FALSE(dialog.found());
    testing::window(dialog).close();
  });
  EXPECT_EQ(cancelled, std::nullopt);
}

TEST_F(LocateDlgTest, TheFirstFoundStateFlashesOnFourTicksAndLaterOnesOnOne) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Quake" / "id1");
  // The counter is the process's: what an earlier test in this process left counts too.
  const int ticksLeft = 4 - CLocateDlg::flashTicks();
  for (const int ticks : {ticksLeft, 1}) {
    SCOPED_TRACE(ticks);
    const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
      ASSERT_NE(select(dialog, c, {"Quake"}), nullptr);
      expectFound(dialog);
      EXPECT_EQ(dialog.flashToggles(), 1);
      EXPECT_TRUE(dialog.flashState());
      ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.hasTimer(1); }, 5000));
      EXPECT_EQ(dialog.flashToggles(), 1 + ticks);
      EXPECT_FALSE(dialog.flashState());
      EXPECT_EQ(testing::window(dialog).windowTitle(), "Locate");
      EXPECT_EQ(CLocateDlg::flashTicks(), 3);
      pressButton(dialog);
    });
    EXPECT_EQ(result, c + "Quake/id1/");
  }
}

TEST_F(LocateDlgTest, GameDataOnTheFirstFixedDriveIsFoundDuringTheFill) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "id1");
  makeFolder(folder / "C" / "Other");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    expectFound(dialog);
    // Expanded all the same.
    EXPECT_TRUE(testing::rootNamed(view(dialog), c)->isExpanded());
    QTest::keyClick(&testing::window(dialog), Qt::Key_Return);
  });
  EXPECT_EQ(result, c + "id1/");
}

TEST_F(LocateDlgTest, AMissingDataFolderLeavesTheCurrentDirectoryAlone) {
  const std::string c = addDrive("C", DriveType::Fixed);
  makeFolder(folder / "C" / "Games");
  const fs::path before = fs::current_path();
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Games"}), nullptr);
    expectSearching(dialog, c + "Games");
    EXPECT_EQ(fs::current_path(), before);
    pressButton(dialog);
  });
  EXPECT_EQ(result, std::nullopt);
}

TEST_F(LocateDlgTest, OtherGamesShowNoDialog) {
  addDrive("C", DriveType::Fixed);
  for (const extract::GameKind game : {extract::kGameNone, 2, 7}) {
    SCOPED_TRACE(game);
    EXPECT_EQ(RunManualLocate(nullptr, game, drives, files), std::nullopt);
    EXPECT_EQ(drives.cursorAtDrives, std::nullopt);
  }
}

TEST_F(LocateDlgTest, UnreadableDrivesNeverStopTheDialog) {
  const std::string a = addDrive("A", DriveType::Removable);
  const std::string c = addDrive("C", DriveType::Fixed);
  const std::string n = addDrive("N", DriveType::Remote);
  makeFolder(folder / "N" / "share");
  memory.setUnlistable(folder / "N");
  memory.setUnlistable(folder / "C");
  const auto result = runLocate(extract::kGameQuake, [&](CLocateDlg& dialog) {
    QtTree& tree = view(dialog);
    for (const std::string& drive : {a, n}) {
      SCOPED_TRACE(drive);
      QTreeWidgetItem* item = testing::rootNamed(tree, drive);
      ASSERT_TRUE(clickExpandButton(tree, item));
      EXPECT_FALSE(item->isExpanded());
      EXPECT_TRUE(tree.hasExpandButton(item));
    }
    // The fixed drive's refused expansion at the fill left it a button to try again.
    EXPECT_FALSE(testing::rootNamed(tree, c)->isExpanded());
    EXPECT_TRUE(testing::holdsOnlyPlaceholder(dialog.tree(), testing::rootNamed(tree, c)));
    pressButton(dialog);
  });
  EXPECT_EQ(result, std::nullopt);
}

// This machine's own drive table and folders, whatever they hold (pseudo and mounted file
// systems below the root): the dialog opens with the first hard disk selected and listed, and
// a folder of it opens and closes.
TEST(LocateDlgHostTest, OpensOverThisMachinesDrives) {
  platform::Drives& host = platform::hostDrives();
  std::string first;
  for (const platform::DriveRoot& drive : host.drives()) {
    if (drive.type == DriveType::Fixed) {
      first = drive.path;
      break;
    }
  }
  if (first.empty()) {
    GTEST_SKIP() << "no hard disk in this machine's drive table";
  }
  CLocateDlg dialog(host, platform::hostFileSystem());
  dialog.SetPrompt("Please find the Quake(tm) game executable directory...", extract::kGameQuake);
  dialog.Create();
  framework::QtDialog& window = testing::window(dialog);
  window.show();
  CDirTreeCtrl& tree = dialog.tree();
  QtTree& view = *window.treeView(1022);
  QTreeWidgetItem* disk = testing::rootNamed(view, first);
  ASSERT_NE(disk, nullptr);
  EXPECT_EQ(view.currentItem(), disk);
  if (disk->childCount() == 0) {
    GTEST_SKIP() << first << " holds no folder";
  }
  EXPECT_TRUE(disk->isExpanded());
  QTreeWidgetItem* folder = disk->child(0);
  testing::clickItem(view, folder);
  EXPECT_EQ(dialog.GetDlgItemText(1012), tree.GetItemPath(QtTree::handle(folder)));
  tree.Expand(QtTree::handle(folder), ExpandAction::Expand);
  tree.Expand(QtTree::handle(disk), ExpandAction::Collapse);
  EXPECT_EQ(view.currentItem(), disk);
  window.hide();
}

class ManualLocateCommandTest : public LocateDlgTest {
 protected:
  ManualLocateCommandTest() {
    app::installLocateCommands(services, drives);
    main = std::make_unique<app::CExtractDlg>(services);
    testing::window(*main).show();
  }
  ~ManualLocateCommandTest() override {
    testing::window(*main).hide();
    main.reset();
  }

  void runCommand(const std::function<void(CLocateDlg&)>& act) {
    testing::OnNextModal next([&](QWidget* modal) {
      if (auto* dialog = testing::dialogOf<CLocateDlg>(modal)) {
        EXPECT_EQ(dialog->owner(), main.get());
        EXPECT_EQ(modal->parentWidget(), &testing::window(*main));
        act(*dialog);
      } else {
        ADD_FAILURE() << "the modal window is no Locate dialog";
      }
      if (modal->isVisible()) {
        static_cast<QDialog*>(modal)->reject();
      }
    });
    testing::window(*main).item<QAbstractButton>(1002)->click();
    EXPECT_TRUE(next.ran());
  }

  testing::RecordingMessageBoxes messages;
  app::AppServices services{files, messages, {}, {}, {}, {}, {}};
  std::unique_ptr<app::CExtractDlg> main;
};

TEST_F(ManualLocateCommandTest, AnAcceptedFolderBecomesTheGameDataFolder) {
  const std::string c = addDrive("C", DriveType::Fixed);
  writeGameData(folder / "C" / "Games" / "Quake" / "id1");
  ASSERT_TRUE(services.manualLocate);
  testing::window(*main).item<QRadioButton>(1033)->click();
  runCommand([&](CLocateDlg& dialog) {
    ASSERT_NE(select(dialog, c, {"Games", "Quake"}), nullptr);
    pressButton(dialog);
  });
  EXPECT_EQ(main->dataFolder(), c + "Games/Quake/id1/");
  EXPECT_EQ(main->statusText(), " Found pak0.pak and pak1.pak");
  EXPECT_EQ(main->GetDlgItemText(1006), " Found pak0.pak and pak1.pak");
  EXPECT_TRUE(main->isItemEnabled(1007));
  EXPECT_FALSE(main->isItemEnabled(1002));
  EXPECT_FALSE(main->isItemEnabled(1026));
  EXPECT_TRUE(main->isItemShown(1037));
  EXPECT_FALSE(main->isItemShown(1035));
  EXPECT_FALSE(main->isItemShown(1036));
}

TEST_F(ManualLocateCommandTest, ACancelledDialogChangesNothing) {
  const std::string c = addDrive("C", DriveType::Fixed);
  ASSERT_TRUE(services.manualLocate);
  testing::window(*main).item<QRadioButton>(1034)->click();
  const std::string status = main->statusText();
  runCommand(
      [&](CLocateDlg& dialog) { QTest::keyClick(&testing::window(dialog), Qt::Key_Escape); });
  EXPECT_EQ(main->dataFolder(), "");
  EXPECT_EQ(main->statusText(), status);
  EXPECT_TRUE(main->isItemEnabled(1002));
  EXPECT_FALSE(main->isItemEnabled(1007));
}

} // namespace
} // namespace texkit2::locate
