// The whole window as a user works it, from the game choice to the summary, by both roads to
// the game data folder. Runs on a real X server (xvfb-run) from CTest, offscreen otherwise.
#include "app/ExtractDlg.h"
#include "app/LocateCommands.h"
#include "app/WadInfoDlg.h"
#include "extract/TexturePack.h"
#include "locate/GameLibraries.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"
#include "platform/MemoryRegistryStore.h"
#include "tests/common/ForwardingRegistryStore.h"
#include "tests/gui/GuiSupport.h"
#include "tests/gui/WadInfoSupport.h"
#include "tests/locate/gui/LocateGuiSupport.h"
#include "tests/support/GameLibraryFixtures.h"
#include "tests/support/SampleGame.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <map>

namespace texkit2::app {
namespace {

using testing::OnNextModal;

constexpr int kQuake = 1033;
constexpr int kManualLocate = 1002;
constexpr int kSearch = 1026;
constexpr int kBegin = 1007;
constexpr int kStatus = 1006;

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() {
    sample = fixtures::writeSampleGame(folder / "disk", fixtures::Game::Quake);
    disk = drives.addDrive(folder / "disk", platform::DriveType::Fixed);
    store.createKey(std::string(extract::kTexturePackBase) + "0");
    services.openRegistry = [this] { return testing::forwardingRegistry(store); };
    librarySources.home = folder / "home";
    installLocateCommands(services, drives, locate::libraryLookup(librarySources));
    main = std::make_unique<CExtractDlg>(services);
    testing::window(*main).show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&testing::window(*main)));
  }
  ~EndToEndTest() override {
    testing::window(*main).hide();
    main.reset();
    testing::expectNoTopLevelWindows();
  }

  void click(int id) {
    auto* button = testing::window(*main).item<QAbstractButton>(id);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // The Search dialog with `box` ticked, up to "File found", closed with Ok.
  void searchWith(int box) {
    OnNextModal search([&](QWidget* modal) {
      auto* dialog = testing::dialogOf<locate::CSearchDlg>(modal);
      ASSERT_NE(dialog, nullptr);
      framework::QtDialog& window = testing::window(*dialog);
      QTest::mouseClick(window.item<QCheckBox>(box), Qt::LeftButton);
      QTest::mouseClick(window.item<QAbstractButton>(1026), Qt::LeftButton);
      EXPECT_EQ(dialog->GetDlgItemText(1021), "File found");
      QTest::mouseClick(window.item<QAbstractButton>(1032), Qt::LeftButton);
      if (modal->isVisible()) {
        static_cast<QDialog*>(modal)->reject(); // never hang on a failure
      }
    });
    click(kSearch);
    ASSERT_TRUE(search.ran());
  }

  // Begin, then the summary box as it shows, closed with Enter.
  std::map<int, std::string> extract() {
    std::map<int, std::string> shown;
    OnNextModal info([&](QWidget* modal) {
      auto* box = testing::dialogOf<CWadInfoDlg>(modal);
      ASSERT_NE(box, nullptr);
      shown = testing::wadInfoTexts(*box);
      QTest::keyClick(modal, Qt::Key_Return);
    });
    click(kBegin);
    EXPECT_TRUE(info.ran());
    return shown;
  }

  void expectExtracted(const std::map<int, std::string>& shown) {
    testing::expectSampleQuakeSummary(shown, sample);
    EXPECT_EQ(main->GetDlgItemText(kStatus), "Extraction complete!");
    EXPECT_EQ(std::filesystem::file_size(sample.dataFolder / "Quake.wad"), sample.wadLength);
    const auto values = store.values(std::string(extract::kTexturePackBase) + "0");
    ASSERT_TRUE(values.contains("path"));
    const auto& path = values.at("path").data;
    EXPECT_EQ(std::string(path.begin(), path.end() - 1), main->dataFolder() + "Quake.wad");
    EXPECT_TRUE(messages.shown.empty());
  }

  testing::TempFolder folder;
  fixtures::SampleGameInfo sample;
  platform::MemoryDrives drives;
  locate::GameLibrarySources librarySources; // a home of the test's own
  std::string disk;
  platform::MemoryRegistryStore store;
  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  std::unique_ptr<CExtractDlg> main;
};

TEST_F(EndToEndTest, ChooseLocateByHandExtract) {
  // Under CTest this runs on the X server it was started for, not offscreen.
  EXPECT_EQ(QGuiApplication::platformName(), qEnvironmentVariable("QT_QPA_PLATFORM"));
  click(kQuake);
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Please choose either manual search or auto search.");

  OnNextModal locate([&](QWidget* modal) {
    auto* dialog = testing::dialogOf<locate::CLocateDlg>(modal);
    ASSERT_NE(dialog, nullptr);
    framework::QtTree& tree = *testing::window(*dialog).treeView(locate::CLocateDlg::kTree);
    // The fill opened the hard disk; the game's folder sits right below it.
    QTreeWidgetItem* root = testing::rootNamed(tree, disk);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->isExpanded());
    QTreeWidgetItem* game = testing::childNamed(root, "quake");
    ASSERT_NE(game, nullptr);
    testing::clickItem(tree, game);
    EXPECT_EQ(dialog->GetDlgItemText(1012), "File(s) found");
    QTest::mouseClick(testing::window(*dialog).item<QAbstractButton>(1032), Qt::LeftButton);
    if (modal->isVisible()) {
      static_cast<QDialog*>(modal)->reject(); // never hang on a failure
    }
  });
  click(kManualLocate);
  ASSERT_TRUE(locate.ran());
  EXPECT_EQ(main->dataFolder(), disk + "quake/id1/");
  EXPECT_EQ(main->GetDlgItemText(kStatus), " Found pak0.pak and pak1.pak");

  expectExtracted(extract());
}

// As Steam has been seen to install it: Id1, holding one archive. The folder found is the one
// on disk, written to and registered by its own name.
TEST_F(EndToEndTest, SearchFindsAnId1OfOneArchiveAndRegistersItsOwnName) {
  const auto onDisk = sample.gameFolder / "Id1";
  std::filesystem::rename(sample.dataFolder, onDisk);
  std::filesystem::remove(onDisk / "PAK1.PAK");
  click(kQuake);
  ASSERT_NO_FATAL_FAILURE(searchWith(1030)); // hard drives
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Found pak0.pak");
  EXPECT_EQ(main->dataFolder(), disk + "quake/Id1/");

  const auto shown = extract();
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Extraction complete!");
  EXPECT_TRUE(std::filesystem::is_regular_file(onDisk / "Quake.wad"));
  const auto values = store.values(std::string(extract::kTexturePackBase) + "0");
  ASSERT_TRUE(values.contains("path"));
  const auto& path = values.at("path").data;
  EXPECT_EQ(std::string(path.begin(), path.end() - 1), disk + "quake/Id1/Quake.wad");
  EXPECT_TRUE(messages.shown.empty());
}

// The game as Steam installs the re-release: found from Steam's records alone, without a
// quake.exe anywhere, and extracted from its one archive.
TEST_F(EndToEndTest, SearchTheGameLibrariesForASteamRereleaseExtract) {
  const auto steam = folder / "home/.local/share/Steam";
  const auto rerelease = steam / "steamapps/common/Quake/rerelease/id1";
  testing::writeText(steam / "steamapps/libraryfolders.vdf",
                     fixtures::libraryFoldersVdf({steam.string()}));
  testing::writeText(steam / "steamapps/appmanifest_2310.acf",
                     fixtures::appManifest("2310", "Quake"));
  std::filesystem::create_directories(rerelease);
  std::filesystem::copy_file(sample.dataFolder / "PAK0.PAK", rerelease / "pak0.pak");
  click(kQuake);
  ASSERT_NO_FATAL_FAILURE(searchWith(1039));   // game libraries
  EXPECT_TRUE(drives.listedFolders().empty()); // no drive walked
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Found pak0.pak");
  EXPECT_EQ(main->dataFolder(), rerelease.string() + "/");

  const auto shown = extract();
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Extraction complete!");
  EXPECT_TRUE(std::filesystem::is_regular_file(rerelease / "Quake.wad"));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EndToEndTest, ChooseSearchTheDrivesExtract) {
  click(kQuake);
  ASSERT_NO_FATAL_FAILURE(searchWith(1030)); // hard drives
  EXPECT_EQ(main->GetDlgItemText(kStatus), "Found pak0.pak and pak1.pak");
  EXPECT_EQ(std::filesystem::canonical(main->dataFolder()),
            std::filesystem::canonical(sample.dataFolder));

  expectExtracted(extract());
}

} // namespace
} // namespace texkit2::app
