// The dialogs' behaviour through the framework alone: a click is the command the backend sends
// for it, and what the user sees is read back through the same calls. Built into the test
// program of each front end (Qt on Linux, Win32 under Wine), so both are held to it.
#include "app/ExtractDlg.h"
#include "app/TextureBrowserDlg.h"
#include "app/WadInfoDlg.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"
#include "platform/File.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>
#include <memory>

namespace texkit2 {
namespace {

using app::CExtractDlg;
using framework::CDialog;

class NoMessages final : public framework::MessageBoxService {
 public:
  void show(CDialog* /*owner*/, const std::string& text, const std::string& /*caption*/,
            framework::BoxIcon /*icon*/) override {
    ADD_FAILURE() << "message box: " << text;
  }
};

// What the main dialog shows of its steps: Manual Locate, Search, Begin, the three arrows.
std::vector<bool> steps(const CExtractDlg& dialog) {
  return {dialog.isItemEnabled(CExtractDlg::kManualLocate),
          dialog.isItemEnabled(CExtractDlg::kSearch),
          dialog.isItemEnabled(CExtractDlg::kBegin),
          dialog.isItemShown(CExtractDlg::kArrowLocate),
          dialog.isItemShown(CExtractDlg::kArrowSearch),
          dialog.isItemShown(CExtractDlg::kArrowBegin)};
}

TEST(DialogLogicTest, TheMainDialogWalksThroughItsSteps) {
  NoMessages messages;
  app::AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  CExtractDlg dialog(services);
  dialog.Create();
  EXPECT_EQ(steps(dialog), (std::vector<bool>{false, false, false, false, false, false}));
  EXPECT_EQ(dialog.GetDlgItemText(CExtractDlg::kStatus),
            "Welcome to Texkit2\nWritten by the Texkit2 developers");
  // What the deletions leave of the window system's menu is its own; About comes last.
  ASSERT_FALSE(dialog.menuCommands().empty());
  EXPECT_EQ(dialog.menuCommands().back(), CExtractDlg::kAboutCommand);
  EXPECT_TRUE(dialog.IsAnimationOpen(CExtractDlg::kAnimation));
  EXPECT_FALSE(dialog.isItemShown(CExtractDlg::kAnimation));

  dialog.CheckDlgButton(CExtractDlg::kHexen2, true);
  dialog.OnCommand(CExtractDlg::kHexen2);
  EXPECT_EQ(dialog.gameKind(), extract::kGameHexen2);
  EXPECT_EQ(steps(dialog), (std::vector<bool>{true, true, false, true, true, false}));
  EXPECT_EQ(dialog.GetDlgItemText(CExtractDlg::kStatus),
            "Please choose either manual search or auto search.");

  dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
  dialog.UpdateData(false);
  EXPECT_EQ(steps(dialog), (std::vector<bool>{false, false, true, false, false, true}));
  EXPECT_EQ(dialog.GetDlgItemText(CExtractDlg::kStatus), " Found pak0.pak and pak1.pak");
}

TEST(DialogLogicTest, WadFileInfoShowsTheSummary) {
  app::CWadInfoDlg info;
  info.SetSummary("Hexen2.wad", 4294967295u, 31, 30, 1);
  info.Create();
  const std::vector<std::pair<int, std::string>> expected = {
      {1021, "Hexen2.wad"}, {1016, "4194303 KB"}, {1017, "31"}, {1018, "30"}, {1019, "1"}};
  for (const auto& [id, text] : expected) {
    EXPECT_EQ(info.GetDlgItemText(id), text) << id;
  }
}

class LocateLogicTest : public ::testing::Test {
 protected:
  LocateLogicTest() {
    sample = fixtures::writeSampleGame(folder / "disk", fixtures::Game::Quake);
    disk = drives.addDrive(folder / "disk", platform::DriveType::Fixed);
  }

  testing::TempFolder folder;
  fixtures::SampleGameInfo sample;
  platform::MemoryDrives drives;
  std::string disk;
};

TEST_F(LocateLogicTest, SearchFindsTheGameOnTheTickedDrives) {
  std::string dataFolder;
  locate::CSearchDlg dialog(drives, platform::hostFileSystem());
  dialog.SetSearchTarget("quake.exe", dataFolder, extract::kGameQuake);
  dialog.Create();
  EXPECT_FALSE(dialog.isItemEnabled(locate::CSearchDlg::kBeginSearch));

  dialog.CheckDlgButton(locate::CSearchDlg::kHardDrives, true);
  dialog.OnCommand(locate::CSearchDlg::kHardDrives);
  ASSERT_TRUE(dialog.isItemEnabled(locate::CSearchDlg::kBeginSearch));
  dialog.OnCommand(locate::CSearchDlg::kBeginSearch);

  EXPECT_TRUE(dialog.found());
  EXPECT_EQ(dialog.GetDlgItemText(locate::CSearchDlg::kStatus), "File found");
  EXPECT_EQ(dialog.GetDlgItemText(locate::CSearchDlg::kCloseButton), "&Ok");
  EXPECT_FALSE(dialog.isItemEnabled(locate::CSearchDlg::kHardDrives));
  EXPECT_FALSE(dialog.IsAnimationPlaying(1027));
  EXPECT_EQ(std::filesystem::canonical(dataFolder), std::filesystem::canonical(sample.dataFolder));
  dialog.KillTimer(1);
}

TEST_F(LocateLogicTest, TheTreeOpensTheDiskAndAcceptsTheGameFolder) {
  locate::CLocateDlg dialog(drives, platform::hostFileSystem());
  dialog.SetPrompt("Please find the Quake(tm) game executable directory...", extract::kGameQuake);
  dialog.Create();
  locate::CDirTreeCtrl& tree = dialog.tree();
  const framework::HTREEITEM root = tree.GetRootItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree.GetItemText(root), disk);
  EXPECT_TRUE(tree.IsExpanded(root));
  EXPECT_EQ(tree.GetSelectedItem(), root);
  EXPECT_EQ(dialog.GetDlgItemText(locate::CLocateDlg::kOkCancel), "&Cancel");

  framework::HTREEITEM game = tree.GetChildItem(root);
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(tree.GetItemText(game), "quake");
  // The game folder holds id1 only: one placeholder below, for the expand button.
  EXPECT_TRUE(tree.ItemHasChildren(game));
  EXPECT_FALSE(tree.IsExpanded(game));
  EXPECT_TRUE(tree.isPlaceholder(tree.GetChildItem(game)));

  tree.SelectItem(game);
  EXPECT_TRUE(dialog.found());
  EXPECT_EQ(dialog.GetDlgItemText(locate::CLocateDlg::kPath), "File(s) found");
  EXPECT_EQ(dialog.GetDlgItemText(locate::CLocateDlg::kOkCancel), "&Ok");
  EXPECT_FALSE(dialog.isItemEnabled(locate::CLocateDlg::kTree));
  EXPECT_TRUE(dialog.hasTimer(locate::CLocateDlg::kFlashTimer));
  EXPECT_EQ(dialog.GetDataFolder(),
            disk + "quake" + platform::kPathSeparator + "id1" + platform::kPathSeparator);
  dialog.KillTimer(locate::CLocateDlg::kFlashTimer);

  // Expanding lists the folder afresh; collapsing puts the placeholder back.
  tree.Expand(game, framework::ExpandAction::Expand);
  ASSERT_TRUE(tree.IsExpanded(game));
  EXPECT_EQ(tree.GetItemText(tree.GetChildItem(game)), "id1");
  tree.Expand(game, framework::ExpandAction::Collapse);
  EXPECT_FALSE(tree.IsExpanded(game));
  EXPECT_TRUE(tree.isPlaceholder(tree.GetChildItem(game)));
}

TEST(DialogLogicTest, WadFileInfoOpensTheTexturesOnlyWhenItCan) {
  app::CWadInfoDlg without;
  without.Create();
  EXPECT_FALSE(without.isItemEnabled(app::CWadInfoDlg::kTextures));

  int opened = 0;
  app::CWadInfoDlg with;
  with.m_browseTextures = [&](CDialog& owner) { opened += &owner == &with ? 1 : 100; };
  with.Create();
  EXPECT_TRUE(with.isItemEnabled(app::CWadInfoDlg::kTextures));
  with.OnCommand(app::CWadInfoDlg::kTextures);
  EXPECT_EQ(opened, 1);
}

class RecordedMessages final : public framework::MessageBoxService {
 public:
  void show(CDialog* /*owner*/, const std::string& text, const std::string& /*caption*/,
            framework::BoxIcon /*icon*/) override {
    texts.push_back(text);
  }
  std::vector<std::string> texts;
};

// A WAD beside the sample game's archives, which hold its palette.
class TextureBrowserLogicTest : public ::testing::Test {
 protected:
  TextureBrowserLogicTest() {
    const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
    wadPath = (sample.dataFolder / "mine.wad").string();
    std::vector<fixtures::WadFileEntry> entries;
    for (const char* name : {"+0lava", "wall1", "+1lava", "{fence"}) {
      entries.push_back({fixtures::textureName(name),
                         fixtures::makeMipTexture(fixtures::textureName(name), 32, 16, 7)});
    }
    entries.push_back({fixtures::textureName("broken"), fixtures::Bytes(24, 0)});
    fixtures::writeFile(wadPath, fixtures::makeWad(entries));
  }

  testing::TempFolder folder;
  std::string wadPath;
  RecordedMessages messages;
  std::string exportFolder;
  app::BrowserServices services{
      platform::hostFileSystem(), messages, {}, [this](CDialog&, const std::string&) {
        return std::optional<std::string>(exportFolder);
      }};
};

TEST_F(TextureBrowserLogicTest, FiltersPlaysAndShowsTheChosenTexture) {
  const auto palette = extract::FindGamePalette(
      platform::hostFileSystem(), std::filesystem::path(wadPath).parent_path().string());
  ASSERT_TRUE(palette.palette);
  images::TextureCatalog catalog(platform::hostFileSystem(), wadPath, *palette.palette);
  app::CTextureBrowserDlg browser(catalog, services);
  browser.Create();
  using B = app::CTextureBrowserDlg;
  EXPECT_EQ(browser.GetThumbnailCount(B::kThumbnails), 5);
  EXPECT_EQ(browser.GetDlgItemText(B::kCount), "5 textures in mine.wad");
  EXPECT_TRUE(browser.hasTimer(B::kAnimationTimer));
  EXPECT_FALSE(browser.isItemEnabled(B::kExportSelected));

  browser.SetDlgItemText(B::kFilter, "LAVA");
  browser.OnEditChange(B::kFilter);
  EXPECT_EQ(browser.GetThumbnailCount(B::kThumbnails), 2);
  EXPECT_EQ(browser.GetDlgItemText(B::kCount), "2 of 5 textures in mine.wad");

  browser.SetThumbnailSelection(B::kThumbnails, {0});
  EXPECT_TRUE(browser.isItemEnabled(B::kExportSelected));
  EXPECT_EQ(browser.GetDlgItemText(B::kName), "+0lava");
  const auto picture = browser.GetPicture(B::kPicture);
  // Levels 1-3 in a row under level 0, magnified 4 times to be 128 across.
  EXPECT_EQ(picture.width, 4 * (16 + 8 + 4 + 2 * 4));
  EXPECT_EQ(picture.height, 4 * (16 + 4 + 8));
  EXPECT_EQ(browser.entryShownAt(0), 0u);
  browser.OnTimer(B::kAnimationTimer);
  EXPECT_EQ(browser.entryShownAt(0), 2u); // +1lava
  EXPECT_EQ(browser.GetDlgItemText(B::kDetail), "32 x 16, now +1lava");
  browser.SetThumbnailSelection(B::kThumbnails, {});
  EXPECT_EQ(browser.GetPicture(B::kPicture).width, 0);
}

// Export All writes the WAD's every texture whatever the filter shows; Export Selected what is
// chosen among those shown.
TEST_F(TextureBrowserLogicTest, ExportsAllOrTheSelectionAndSaysWhatItSkipped) {
  using B = app::CTextureBrowserDlg;
  const std::vector<std::string> every = {"+0lava.png", "+1lava.png", "wall1.png", "{fence.png"};
  const struct {
    std::string filter;
    std::vector<int> selection;
    int command;
    std::vector<std::string> files;
  } cases[] = {
      {"", {}, B::kExportAll, every},
      {"lava", {}, B::kExportAll, every},
      {"nothing", {}, B::kExportAll, every},
      {"lava", {1}, B::kExportSelected, {"+1lava.png"}},
  };
  const auto palette = extract::FindGamePalette(
      platform::hostFileSystem(), std::filesystem::path(wadPath).parent_path().string());
  images::TextureCatalog catalog(platform::hostFileSystem(), wadPath, *palette.palette);
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("filter '" + c.filter + "', " + std::to_string(c.files.size()) + " files");
    exportFolder = (folder.path() / ("pictures" + std::to_string(++run))).string();
    messages.texts.clear();
    B browser(catalog, services);
    browser.Create();
    browser.SetDlgItemText(B::kFilter, c.filter);
    browser.OnEditChange(B::kFilter);
    browser.SetThumbnailSelection(B::kThumbnails, c.selection);
    EXPECT_TRUE(browser.isItemEnabled(c.command));
    browser.OnCommand(c.command);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].rfind(std::to_string(c.files.size()) + " texture", 0), 0u)
        << messages.texts[0];
    EXPECT_EQ(messages.texts[0].find("broken: not written") != std::string::npos,
              c.command == B::kExportAll);
    EXPECT_EQ(testing::folderNames(exportFolder), c.files);
  }
}

TEST_F(TextureBrowserLogicTest, OpeningSaysWhyItCannotAndOpensNothing) {
  const auto elsewhere = folder.path() / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  std::filesystem::copy_file(wadPath, elsewhere / "mine.wad");
  fixtures::writeFile(elsewhere / "odd.lmp", fixtures::Bytes(700, 1));
  fixtures::writeFile(std::filesystem::path(wadPath).parent_path() / "bad.wad",
                      fixtures::Bytes(40, 'x'));
  const struct {
    std::string wad;
    std::optional<std::string> chosen; // what the file chooser answers
    std::vector<std::string> says;     // the start of each box
  } cases[] = {
      {"", std::nullopt, {}},
      {(elsewhere / "mine.wad").string(), std::nullopt, {"No palette was found for "}},
      {(elsewhere / "mine.wad").string(),
       (elsewhere / "odd.lmp").string(),
       {"No palette was found for ", (elsewhere / "odd.lmp").string()}},
      {(std::filesystem::path(wadPath).parent_path() / "bad.wad").string(),
       std::nullopt,
       {(std::filesystem::path(wadPath).parent_path() / "bad.wad").string() +
        " is not a valid WAD2 file"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wad);
    messages.texts.clear();
    auto browserServices = services;
    browserServices.chooseFile = [&](CDialog*, const std::string&, const std::string&,
                                     const std::string&) { return c.chosen; };
    app::CWadInfoDlg owner;
    owner.Create();
    app::BrowseTextures(browserServices, &owner, c.wad);
    ASSERT_EQ(messages.texts.size(), c.says.size());
    for (std::size_t i = 0; i < c.says.size(); ++i) {
      EXPECT_EQ(messages.texts[i].substr(0, c.says[i].size()), c.says[i]) << messages.texts[i];
    }
  }
}

} // namespace
} // namespace texkit2
