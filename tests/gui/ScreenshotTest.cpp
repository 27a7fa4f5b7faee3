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
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}};
  const QString out = QString::fromStdString((folder / "shots").string());
  QString error;
  const QStringList written =
      writeScreenshots(out, QString::fromStdString(sample.dataFolder.string()), services, error);
  EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  const QStringList expected = {"main-start",    "main-game-chosen",    "locate-browsing",
                                "locate-found",  "main-folder-located", "main-extracting",
                                "wad-file-info", "main-extracted",      "about"};
  ASSERT_EQ(written.size(), expected.size()) << written.join(", ").toStdString();
  for (qsizetype i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].toStdString());
    EXPECT_TRUE(written[i].endsWith(expected[i] + ".png"));
    const QImage image(written[i]);
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 50);
  }
  // The states differ on screen.
  EXPECT_NE(QImage(written[0]), QImage(written[1]));
  EXPECT_NE(QImage(written[2]), QImage(written[3]));
  EXPECT_NE(QImage(written[4]), QImage(written[5]));
  EXPECT_TRUE(messages.shown.empty());
  testing::expectNoTopLevelWindows();
}

// A folder that is not a data folder stops the run with a reason, before any picture.
TEST(ScreenshotTest, RefusesAFolderWithoutTheArchives) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}};
  for (const auto& data : {sample.dataFolder.parent_path(), folder / "missing"}) {
    SCOPED_TRACE(data.string());
    QString error;
    const QStringList written =
        writeScreenshots(QString::fromStdString((folder / "shots").string()),
                         QString::fromStdString(data.string()), services, error);
    EXPECT_TRUE(written.isEmpty());
    EXPECT_TRUE(error.contains("PAK0.PAK")) << error.toStdString();
  }
  testing::expectNoTopLevelWindows();
}

} // namespace
} // namespace texkit2::app
