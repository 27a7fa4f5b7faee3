#include "app/ExtractDlg.h"

#include "app/WadInfoDlg.h"
#include "extract/Extraction.h"
#include "extract/TexturePack.h"
#include "framework/qt/AnimationControl.h"
#include "platform/MemoryRegistryStore.h"
#include "tests/common/ForwardingRegistryStore.h"
#include "tests/common/SlowFileSystem.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/gui/WadInfoSupport.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

namespace texkit2::app {
namespace {

using testing::OnNextModal;
using testing::RecordingMessageBoxes;
using testing::TempFolder;

constexpr int kManualLocate = 1002;
constexpr int kSearch = 1026;
constexpr int kBegin = 1007;
constexpr int kArrows[] = {1035, 1036, 1037};

class ExtractDlgTest : public ::testing::Test {
 protected:
  ExtractDlgTest() {
    services.openRegistry = [this] { return testing::forwardingRegistry(store); };
    dialog = std::make_unique<CExtractDlg>(services);
    win().show();
  }
  ~ExtractDlgTest() override {
    win().hide();
    dialog.reset();
    testing::expectNoTopLevelWindows();
  }

  framework::QtDialog& win() const { return testing::window(*dialog); }
  void choose(int radio) { win().item<QRadioButton>(radio)->click(); }

  void locate(const std::filesystem::path& data) {
    dialog->dataFolderRef() = data.string() + "/";
    dialog->ShowFolderLocated(" Found pak0.pak and pak1.pak");
    dialog->UpdateData(false);
  }

  void expectSteps(bool locateEnabled, bool beginEnabled, std::vector<bool> arrows) {
    EXPECT_EQ(dialog->isItemEnabled(kManualLocate), locateEnabled);
    EXPECT_EQ(dialog->isItemEnabled(kSearch), locateEnabled);
    EXPECT_EQ(dialog->isItemEnabled(kBegin), beginEnabled);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(dialog->isItemShown(kArrows[i]), arrows[i]) << kArrows[i];
    }
  }

  std::string status() const { return dialog->GetDlgItemText(1006); }

  TempFolder folder;
  RecordingMessageBoxes messages;
  platform::MemoryRegistryStore store;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  std::unique_ptr<CExtractDlg> dialog;
};

TEST_F(ExtractDlgTest, StartsWithOnlyTheGameChoice) {
  EXPECT_FALSE(dialog->IsDlgButtonChecked(1033));
  EXPECT_FALSE(dialog->IsDlgButtonChecked(1034));
  expectSteps(false, false, {false, false, false});
  EXPECT_FALSE(dialog->isItemShown(1005));
  EXPECT_TRUE(dialog->IsAnimationOpen(1005));
  EXPECT_EQ(status(), "Welcome to Texkit2\nWritten by the Texkit2 developers");
  EXPECT_EQ(dialog->gameKind(), extract::kGameNone);
  EXPECT_EQ(win().windowTitle(), "Extract Pak Textures");
  // Of the window's menu, the deletions leave Close, and the About entry is added.
  EXPECT_EQ(dialog->menuCommands(),
            (std::vector<int>{framework::CDialog::SC_CLOSE, 0, CExtractDlg::kAboutCommand}));
}

TEST_F(ExtractDlgTest, ChoosingAGameOpensTheLocateStep) {
  for (const int radio : {1033, 1034}) {
    SCOPED_TRACE(radio);
    choose(radio);
    EXPECT_EQ(dialog->gameKind(), radio - 1033);
    expectSteps(true, false, {true, true, false});
    EXPECT_EQ(status(), "Please choose either manual search or auto search.");
  }
}

TEST_F(ExtractDlgTest, ALocatedFolderOpensBeginAndAGameChoiceReturns) {
  choose(1033);
  locate(folder.path());
  expectSteps(false, true, {false, false, true});
  EXPECT_EQ(status(), " Found pak0.pak and pak1.pak");
  choose(1034);
  expectSteps(true, false, {true, true, true});
  EXPECT_EQ(dialog->dataFolder(), folder.path().string() + "/");
}

TEST_F(ExtractDlgTest, BeginExtractsRegistersAndShowsTheSummary) {
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  store.createKey(std::string(extract::kTexturePackBase) + "0");
  choose(1033);
  locate(sample.dataFolder);

  std::map<int, std::string> shown;
  OnNextModal info([&](QWidget* modal) {
    auto* box = testing::dialogOf<CWadInfoDlg>(modal);
    ASSERT_NE(box, nullptr);
    shown = testing::wadInfoTexts(*box);
    // Still inside the run's command: the cursor waits and the dialog takes no input.
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QTest::keyClick(modal, Qt::Key_Return);
  });
  win().item<QAbstractButton>(kBegin)->click();
  ASSERT_TRUE(info.ran());
  EXPECT_TRUE(messages.shown.empty());

  testing::expectSampleQuakeSummary(shown, sample);

  expectSteps(false, false, {false, false, false});
  EXPECT_EQ(status(), "Extraction complete!");
  EXPECT_EQ(dialog->GetProgressPos(1000), 0);
  EXPECT_FALSE(dialog->isItemShown(1005));
  EXPECT_FALSE(dialog->IsAnimationOpen(1005));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(sample.dataFolder / "Quake.wad"));

  const auto values = store.values(std::string(extract::kTexturePackBase) + "0");
  ASSERT_TRUE(values.contains("path"));
  const std::string path(values.at("path").data.begin(), values.at("path").data.end() - 1);
  EXPECT_EQ(path, (sample.dataFolder / "Quake.wad").string());

  // A second run in the same session animates again.
  choose(1033);
  locate(sample.dataFolder);
  OnNextModal again(
      [](QWidget* modal) { testing::dialogOf<framework::CDialog>(modal)->EndDialog(1); });
  dialog->OnBegin();
  EXPECT_TRUE(again.ran());
  EXPECT_GT(win().animation(1005)->framesShown(), 1);
}

TEST_F(ExtractDlgTest, AFailedBeginLeavesBeginEnabledAndTheCursorNormal) {
  choose(1033);
  locate(folder / "gone");
  win().item<QAbstractButton>(kBegin)->click();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Invalid file path");
  EXPECT_EQ(messages.shown[0].caption, "Extraction Error");
  EXPECT_EQ(messages.shown[0].icon, framework::BoxIcon::None);
  expectSteps(false, true, {false, false, true});
  EXPECT_EQ(status(), " Found pak0.pak and pak1.pak");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExtractDlgTest, AFailedRunAfterTheAnimationStartedStopsIt) {
  // Both archives open and the animation starts, but the finished file cannot take the place
  // of "Quake.wad", which is a folder.
  fixtures::writeFile(folder / "id1/PAK0.PAK", fixtures::makePak({}));
  fixtures::writeFile(folder / "id1/PAK1.PAK", fixtures::makePak({}));
  std::filesystem::create_directories(folder / "id1/Quake.wad/inside");
  choose(1033);
  locate(folder / "id1");
  dialog->OnBegin();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Could not write wad file.");
  EXPECT_FALSE(dialog->IsAnimationPlaying(1005));
  EXPECT_FALSE(dialog->isItemShown(1005));
  EXPECT_TRUE(dialog->isItemEnabled(kBegin));
}

TEST_F(ExtractDlgTest, DamagedArchivesWithoutATextureKeepTheOldWadAndRegisterNothing) {
  testing::writeText(folder / "id1/PAK0.PAK", "");
  testing::writeText(folder / "id1/PAK1.PAK", "");
  testing::writeText(folder / "id1/Quake.wad", "the user's good WAD");
  store.createKey(std::string(extract::kTexturePackBase) + "0");
  choose(1033);
  locate(folder / "id1");
  dialog->OnBegin();
  std::vector<std::string> texts;
  for (const auto& shown : messages.shown) {
    texts.push_back(shown.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Invalid Pak file.", "Invalid Pak file.",
                                             extract::kNoTextureFound}));
  const auto kept = testing::readAll(folder / "id1/Quake.wad");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "the user's good WAD");
  EXPECT_TRUE(store.values(std::string(extract::kTexturePackBase) + "0").empty());
  EXPECT_TRUE(dialog->isItemEnabled(kBegin));
  EXPECT_FALSE(dialog->isItemShown(1005));
}

TEST_F(ExtractDlgTest, TheAnimationMovesAndInputIsBlockedDuringALongRun) {
  // Many maps read through a slow disc: the run lasts well over a second.
  std::vector<fixtures::PakFile> maps;
  for (int m = 0; m < 40; ++m) {
    std::vector<fixtures::LumpSlot> lumpSlots;
    for (int t = 0; t < 10; ++t) {
      lumpSlots.emplace_back(fixtures::makeMipTexture(
          fixtures::textureName("m" + std::to_string(m) + "t" + std::to_string(t)), 16, 16,
          static_cast<std::uint32_t>(m * 10 + t)));
    }
    maps.push_back({"maps/m" + std::to_string(m) + ".bsp",
                    fixtures::makeBsp(fixtures::makeTextureLump(lumpSlots))});
  }
  fixtures::writeFile(folder / "id1/PAK0.PAK", fixtures::makePak(maps));
  fixtures::writeFile(folder / "id1/PAK1.PAK", fixtures::makePak({}));
  testing::SlowFileSystem slow(std::chrono::milliseconds(2));
  AppServices slowServices{slow, messages, {}, {}, {}, {}, {}};
  CExtractDlg slowDialog(slowServices);
  framework::QtDialog& slowWindow = testing::window(slowDialog);
  slowWindow.show();
  slowWindow.item<QRadioButton>(1033)->click();
  slowDialog.dataFolderRef() = (folder / "id1").string() + "/";
  slowDialog.ShowFolderLocated("Found pak0.pak and pak1.pak");

  std::vector<int> framesDuringRun;
  QObject::connect(slowWindow.animation(1005), &framework::AnimationControl::frameShown,
                   [&](int frame) { framesDuringRun.push_back(frame); });
  // A click on Exit and a key press while the run goes on must not reach the dialog.
  bool clicked = false;
  QTimer::singleShot(300, [&] {
    QTest::mouseClick(slowWindow.GetDlgItem(1004), Qt::LeftButton);
    QTest::keyClick(&slowWindow, Qt::Key_Escape);
    clicked = true;
  });
  OnNextModal info(
      [](QWidget* modal) { testing::dialogOf<framework::CDialog>(modal)->EndDialog(1); });
  slowDialog.OnBegin();
  EXPECT_TRUE(info.ran());
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(slowWindow.isVisible()) << "input reached the dialog during the run";
  EXPECT_EQ(slowDialog.GetDlgItemText(1006), "Extraction complete!");
  // Frames 0, 1, 2, ... in order while the worker held the run.
  ASSERT_GE(framesDuringRun.size(), 5u);
  for (std::size_t i = 1; i < 5; ++i) {
    EXPECT_EQ(framesDuringRun[i], static_cast<int>(i));
  }
  slowWindow.hide();
}

TEST_F(ExtractDlgTest, OnlyTheStepButtonsHaveTooltips) {
  const std::map<int, QString> expected = {{1002, "Manual Locate..."},
                                           {1007, "Extract all textures"},
                                           {1026, "Search for the files..."},
                                           {1004, ""},
                                           {1033, ""},
                                           {1034, ""},
                                           {1006, ""}};
  for (const auto& [id, text] : expected) {
    SCOPED_TRACE(id);
    QToolTip::hideText();
    QWidget* control = win().GetDlgItem(id);
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(control, &help);
    EXPECT_EQ(win().lastToolTip(), text);
  }
  QToolTip::hideText();
}

TEST_F(ExtractDlgTest, SystemCommandsSixteenToThirtyOneOpenTheAbout) {
  for (const int command : {16, 17, 31, 0x10010, 32, 15, 0xF010, 0xF060 + 16}) {
    SCOPED_TRACE(command);
    const bool expected = (command & 0xFFF0) == 16;
    QString caption;
    OnNextModal about([&](QWidget* modal) {
      caption = modal->windowTitle();
      testing::dialogOf<framework::CDialog>(modal)->EndDialog(1);
    });
    dialog->OnSysCommand(command);
    QTest::qWait(expected ? 0 : 50);
    EXPECT_EQ(about.ran(), expected);
    if (expected) {
      EXPECT_EQ(caption, "About Texkit");
    }
    EXPECT_TRUE(win().isVisible());
  }
  // The menu entry sends 16.
  OnNextModal viaMenu(
      [](QWidget* modal) { testing::dialogOf<framework::CDialog>(modal)->EndDialog(1); });
  win().systemMenu()->actions().back()->trigger();
  EXPECT_TRUE(viaMenu.ran());
}

// The window's right-click menu, as the program sets it up: Browse Textures... and About.
TEST(ExtractDlgMenuTest, TheRightClickMenuBrowsesTexturesAndShowsTheAbout) {
  RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  int browsed = 0;
  services.browseTextures = [&](framework::CDialog*, const std::string&) { ++browsed; };
  CExtractDlg dialog(services);
  framework::QtDialog& window = testing::window(dialog);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QContextMenuEvent click(QContextMenuEvent::Mouse, window.rect().center(),
                          window.mapToGlobal(window.rect().center()));
  QApplication::sendEvent(&window, &click);
  QMenu* menu = window.systemMenu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 5000));
  QStringList entries;
  for (const QAction* action : menu->actions()) {
    entries << action->text();
  }
  EXPECT_TRUE(entries.contains("Browse &Textures...")) << entries.join(", ").toStdString();
  EXPECT_TRUE(entries.contains("&About Texkit...")) << entries.join(", ").toStdString();
  menu->hide();

  for (QAction* action : menu->actions()) {
    if (action->text() == "Browse &Textures...") {
      action->trigger();
    }
  }
  EXPECT_EQ(browsed, 1);
  QString caption;
  OnNextModal about([&](QWidget* modal) {
    caption = modal->windowTitle();
    testing::dialogOf<framework::CDialog>(modal)->EndDialog(1);
  });
  for (QAction* action : menu->actions()) {
    if (action->text() == "&About Texkit...") {
      action->trigger();
    }
  }
  EXPECT_TRUE(about.ran());
  EXPECT_EQ(caption, "About Texkit");
  window.hide();
}

TEST_F(ExtractDlgTest, ExitAlwaysCloses) {
  for (int state = 0; state < 3; ++state) {
    SCOPED_TRACE(state);
    CExtractDlg other(services);
    framework::QtDialog& otherWindow = testing::window(other);
    if (state >= 1) {
      otherWindow.item<QRadioButton>(1034)->click();
    }
    if (state >= 2) {
      other.ShowFolderLocated("Found pak0.pak and pak1.pak");
    }
    QTimer::singleShot(0, [&] { otherWindow.item<QAbstractButton>(1004)->click(); });
    EXPECT_EQ(other.DoModal(), framework::CDialog::IDOK);
  }
  CExtractDlg escaped(services);
  QTimer::singleShot(0, [&] { QTest::keyClick(&testing::window(escaped), Qt::Key_Escape); });
  EXPECT_EQ(escaped.DoModal(), framework::CDialog::IDCANCEL);
  CExtractDlg closed(services);
  QTimer::singleShot(0, [&] { testing::window(closed).close(); });
  EXPECT_EQ(closed.DoModal(), framework::CDialog::IDCANCEL);
}

} // namespace
} // namespace texkit2::app
