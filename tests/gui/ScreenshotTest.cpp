#include "app/qt/Screenshots.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/SampleGame.h"

#include <QImage>

namespace texkit2::app {
namespace {

TEST(ScreenshotTest, RendersEveryDialogInEachState) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  std::string error;
  QtScreenshotCamera camera;
  const auto written = writeScreenshots(camera, (folder / "shots").string(),
                                        sample.dataFolder.string(), services, error);
  EXPECT_TRUE(error.empty()) << error;
  const std::vector<std::string> expected = {
      "main-start",       "main-game-chosen", "locate-browsing",     "locate-found",
      "search-libraries", "search-found",     "main-folder-located", "main-extracting",
      "wad-file-info",    "main-extracted",   "texture-browser",     "about"};
  ASSERT_EQ(written.size(), expected.size()) << ::testing::PrintToString(written);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i]);
    EXPECT_TRUE(written[i].ends_with(expected[i] + ".png"));
    const QImage image(QString::fromStdString(written[i]));
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 50);
  }
  // The states differ on screen.
  const auto picture = [&](std::size_t i) { return QImage(QString::fromStdString(written[i])); };
  EXPECT_NE(picture(0), picture(1));
  EXPECT_NE(picture(2), picture(3));
  EXPECT_NE(picture(4), picture(5));
  EXPECT_TRUE(messages.shown.empty());
  testing::expectNoTopLevelWindows();
}

// A folder that is not a data folder stops the run with a reason, before any picture.
TEST(ScreenshotTest, RefusesAFolderWithoutTheArchives) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  for (const auto& data : {sample.dataFolder.parent_path(), folder / "missing"}) {
    SCOPED_TRACE(data.string());
    std::string error;
    QtScreenshotCamera camera;
    const auto written =
        writeScreenshots(camera, (folder / "shots").string(), data.string(), services, error);
    EXPECT_TRUE(written.empty());
    EXPECT_NE(error.find("PAK0.PAK"), std::string::npos) << error;
  }
  testing::expectNoTopLevelWindows();
}

} // namespace
} // namespace texkit2::app
