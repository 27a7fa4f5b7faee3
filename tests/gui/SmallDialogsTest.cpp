#include "app/ExtractApp.h"
#include "app/ExtractDlg.h"
#include "app/Help.h"
#include "app/TextureBrowserDlg.h"
#include "app/WadInfoDlg.h"
#include "framework/Resources.h"
#include "framework/qt/QtDialog.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace texkit2::app {
namespace {

using testing::OnNextModal;

TEST(CWadInfoDlgTest, ShowsTheSummaryInKilobytes) {
  struct Case {
    std::uint32_t length;
    const char* size;
  };
  const std::vector<Case> cases = {{0, "0 KB"},    {1023, "0 KB"}, {1024, "1 KB"},
                                   {2047, "1 KB"}, {5000, "4 KB"}, {4294967295u, "4194303 KB"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    CWadInfoDlg info;
    info.SetSummary("Hexen2.wad", c.length, 31, 30, 1);
    info.Create();
    EXPECT_EQ(info.GetDlgItemText(1016), c.size);
    EXPECT_EQ(info.GetDlgItemText(1021), "Hexen2.wad");
    EXPECT_EQ(info.GetDlgItemText(1017), "31");
    EXPECT_EQ(info.GetDlgItemText(1018), "30");
    EXPECT_EQ(info.GetDlgItemText(1019), "1");
  }
  CWadInfoDlg empty;
  empty.SetSummary("Quake.wad", 12, 0, 0, 0);
  empty.Create();
  for (const int id : {1017, 1018, 1019}) {
    EXPECT_EQ(empty.GetDlgItemText(id), "0");
  }
}

TEST(CWadInfoDlgTest, EndsOnOkEnterAndEscape) {
  for (const int key : {0, static_cast<int>(Qt::Key_Return), static_cast<int>(Qt::Key_Escape)}) {
    SCOPED_TRACE(key);
    CWadInfoDlg info;
    info.SetSummary("Quake.wad", 12, 0, 0, 0);
    OnNextModal act([key](QWidget* modal) {
      if (key == 0) {
        modal->findChild<QPushButton*>("ctl1")->click();
      } else {
        QTest::keyClick(modal, static_cast<Qt::Key>(key));
      }
    });
    const int result = info.DoModal();
    EXPECT_TRUE(act.ran());
    EXPECT_EQ(result,
              key == Qt::Key_Escape ? framework::CDialog::IDCANCEL : framework::CDialog::IDOK);
  }
  testing::expectNoTopLevelWindows();
}

TEST(CAboutDlgTest, ShowsTheVersionInItsUnnamedStatics) {
  CAboutDlg about;
  EXPECT_EQ(about.GetDlgItemText(-1), "");
  bool versionShown = false;
  for (QLabel* label : testing::window(about).findChildren<QLabel*>()) {
    versionShown = versionShown || label->text() == "Texkit Version 1.12";
  }
  EXPECT_TRUE(versionShown);
}

TEST(CExtractCommandLineInfoTest, AutoAndPlainWordsSkipTheShellCommand) {
  struct Case {
    std::vector<std::string> args;
    bool processed;
    int command;
  };
  using Info = framework::CCommandLineInfo;
  const std::vector<Case> cases = {
      {{}, true, Info::FileNew},
      {{"/auto"}, false, 0},
      {{"-AUTO"}, false, 0},
      {{"-Auto"}, false, 0},
      {{"maps.txt"}, false, 0},
      {{"-auto", "/p"}, true, Info::FilePrint},
      {{"/p", "auto"}, false, 0},
      {{"/p", "-auto"}, false, 0},
      {{"/regserver", "word"}, false, 0},
      {{"/dde"}, true, Info::FileDDE},
  };
  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  for (const auto& c : cases) {
    std::vector<std::string> arguments{"texkit2"};
    arguments.insert(arguments.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(::testing::PrintToString(c.args));
    CExtractApp app(arguments, services);
    // The main dialog is shown whatever the arguments; close it as soon as it is up.
    OnNextModal close([](QWidget* modal) {
      EXPECT_EQ(modal->windowTitle(), "Extract Pak Textures");
      testing::dialogOf<framework::CDialog>(modal)->EndDialog(framework::CDialog::IDCANCEL);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(close.ran());
    EXPECT_EQ(app.shellCommandsProcessed(), c.processed ? 1 : 0);
    if (c.processed) {
      EXPECT_EQ(app.lastShellCommand(), c.command);
    } else {
      EXPECT_EQ(app.m_cmdInfo.m_nShellCommand, CExtractCommandLineInfo::kNoShellCommand);
    }
    EXPECT_EQ(app.registryKey(), "Corvane");
  }
  testing::expectNoTopLevelWindows();
}

TEST(CExtractAppTest, StartedOnAWadFileOpensTheBrowserAlone) {
  ::texkit2::testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto wad = sample.dataFolder / "mine.wad";
  fixtures::writeFile(
      wad,
      fixtures::makeWad({{fixtures::textureName("wall1"),
                          fixtures::makeMipTexture(fixtures::textureName("wall1"), 16, 16, 3)}}));
  const auto notWad2 = sample.dataFolder / "notes.WAD";
  fixtures::writeFile(notWad2, fixtures::Bytes(64, 'x'));
  const auto missing = sample.dataFolder / "gone.wad";

  struct Case {
    std::vector<std::string> args;
    bool browses;
    std::string says; // the start of the one message; empty: none
  };
  const std::vector<Case> cases = {
      {{wad.string()}, true, ""},
      {{"-auto", wad.string(), "word"}, true, ""},
      {{notWad2.string()}, false, notWad2.string() + " is not a valid WAD2 file"},
      {{missing.string()}, false, "cannot open " + missing.string()},
  };
  testing::RecordingMessageBoxes messages;
  BrowserServices browser{platform::hostFileSystem(), messages, {}, {}};
  browser.chooseFile = [](framework::CDialog*, const std::string&, const std::string&,
                          const std::string&) { return std::optional<std::string>(); };
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  services.browseTextures = [&browser](framework::CDialog* owner, const std::string& path) {
    BrowseTextures(browser, owner, path);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    messages.shown.clear();
    std::vector<std::string> arguments{"texkit2"};
    arguments.insert(arguments.end(), c.args.begin(), c.args.end());
    CExtractApp app(arguments, services);
    std::string title;
    bool owned = true;
    OnNextModal close([&](QWidget* modal) {
      title = modal->windowTitle().toStdString();
      owned = modal->parentWidget() != nullptr;
      modal->close();
    });
    EXPECT_FALSE(app.InitInstance());
    if (c.browses) {
      EXPECT_TRUE(close.ran());
      EXPECT_NE(title.find("Textures"), std::string::npos) << title;
      EXPECT_FALSE(owned);
      EXPECT_TRUE(messages.shown.empty());
    } else {
      EXPECT_FALSE(close.ran());
      ASSERT_EQ(messages.shown.size(), 1u);
      EXPECT_EQ(messages.shown[0].text.substr(0, c.says.size()), c.says) << messages.shown[0].text;
    }
  }
  testing::expectNoTopLevelWindows();
}

TEST(HelpTest, SaysWhereTheReadmeIsWhenNothingOpensIt) {
  struct Case {
    std::string readme;
    bool opens;
    const char* said; // empty: nothing said
  };
  const std::vector<Case> cases = {{"/usr/share/doc/texkit2/README.md", true, ""},
                                   {"/usr/share/doc/texkit2/README.md", false,
                                    "The README is at:\n/usr/share/doc/texkit2/README.md"},
                                   {"", true, "texkit2-cli --help"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.readme + (c.opens ? " opens" : " does not open"));
    testing::RecordingMessageBoxes messages;
    int opened = 0;
    showHelp(messages, c.readme, [&](const std::string&) { return ++opened, c.opens; });
    if (std::string(c.said).empty()) {
      EXPECT_TRUE(messages.shown.empty());
      EXPECT_EQ(opened, 1);
    } else {
      ASSERT_EQ(messages.shown.size(), 1u);
      EXPECT_NE(messages.shown[0].text.find(c.said), std::string::npos) << messages.shown[0].text;
    }
  }
}

} // namespace
} // namespace texkit2::app
