#include "app/ExtractDlg.h"
#include "app/WadInfoDlg.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/SampleGame.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QRadioButton>

namespace texkit2::app {
namespace {

using testing::OnNextModal;
using testing::RecordingMessageBoxes;
using testing::TempFolder;

constexpr int kBegin = 1007;
constexpr int kTrenchBroom = 1040;

// The main dialog over a sample Quake, with TrenchBroom's preferences in the test's folder.
class TrenchBroomButton : public ::testing::Test {
 protected:
  TrenchBroomButton() : sample(fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake)) {
    services.trenchBroomPreferences = [this](std::string&) -> std::optional<std::string> {
      return preferences.string();
    };
    services.confirm = [this](framework::CDialog&, const std::string& text,
                              const std::string& caption) {
      asked.push_back(caption + ": " + text);
      return answer;
    };
  }

  // Runs the extraction and, in the WAD File Info box, `act`; returns whether the box came up.
  bool inWadInfoBox(const std::function<void(QWidget*)>& act) {
    CExtractDlg dialog(services);
    framework::QtDialog& win = testing::window(dialog);
    win.show();
    win.item<QRadioButton>(1033)->click();
    dialog.dataFolderRef() = sample.dataFolder.string() + "/";
    dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
    dialog.UpdateData(false);
    OnNextModal box([&](QWidget* modal) {
      act(modal);
      modal->findChild<QPushButton*>("ctl1")->click();
    });
    win.item<QAbstractButton>(kBegin)->click();
    win.hide();
    return box.ran();
  }

  TempFolder folder;
  fixtures::SampleGameInfo sample;
  std::filesystem::path preferences = folder / "home/.TrenchBroom/Preferences.json";
  RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  std::vector<std::string> asked;
  bool answer = true;
};

TEST_F(TrenchBroomButton, AsksThenSetsTheGamePathAndSaysWhatTheCommandLineSays) {
  bool enabled = false;
  ASSERT_TRUE(inWadInfoBox([&](QWidget* modal) {
    auto* button = modal->findChild<QPushButton*>("ctl1040");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Set up &TrenchBroom...");
    enabled = button->isEnabled();
    button->click();
  }));
  EXPECT_TRUE(enabled);
  const std::string game = sample.gameFolder.string();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "Set up TrenchBroom: Set TrenchBroom's Quake game path?\n\n" +
                          preferences.string() + "\n\"Games/Quake/Path\" becomes " + game +
                          "\n\nTrenchBroom must be closed.");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "TrenchBroom's Quake game path set to " + game + " (" +
                                        preferences.string() +
                                        ")\n\nMap wad key for TrenchBroom : id1/Quake.wad\n"
                                        "Map wad key, absolute (TrenchBroom and qbsp) : " +
                                        sample.dataFolder.string() + "/Quake.wad\n");
  const auto bytes = testing::readAll(preferences);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "{\n    \"Games/Quake/Path\": \"" + game + "\"\n}\n");
  testing::expectNoTopLevelWindows();
}

TEST_F(TrenchBroomButton, CancelLeavesEverything) {
  answer = false;
  ASSERT_TRUE(
      inWadInfoBox([](QWidget* modal) { modal->findChild<QPushButton*>("ctl1040")->click(); }));
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(preferences.parent_path()));
}

TEST_F(TrenchBroomButton, ARefusalIsAWarningInTheSameWords) {
  testing::writeText(preferences, "{");
  testing::writeText(preferences.string() + ".lck", "1\n");
  ASSERT_TRUE(
      inWadInfoBox([](QWidget* modal) { modal->findChild<QPushButton*>("ctl1040")->click(); }));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "TrenchBroom is running (" + preferences.string() +
                                        ".lck exists): close TrenchBroom first; " +
                                        preferences.string() + " was left as it is");
  EXPECT_EQ(messages.shown[0].icon, framework::BoxIcon::Warning);
}

TEST_F(TrenchBroomButton, IsDisabledWithoutTheServicesAndBesideTheOthers) {
  CWadInfoDlg info;
  info.SetSummary("Quake.wad", 12, 0, 0, 0);
  framework::QtDialog& win = testing::window(info);
  auto* button = win.findChild<QPushButton*>("ctl1040");
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(button->isEnabled());
  const QRect textures = win.findChild<QPushButton*>("ctl1038")->geometry();
  const QRect ok = win.findChild<QPushButton*>("ctl1")->geometry();
  EXPECT_EQ(button->geometry().left(), textures.left());
  EXPECT_GT(button->geometry().top(), textures.bottom());
  EXPECT_FALSE(button->geometry().intersects(ok));
  EXPECT_LE(button->geometry().bottom(), win.height());
}

} // namespace
} // namespace texkit2::app
