// The texture browser through its real widgets: typed filter, the grid's rows, a click, and
// the animation timer redrawing the frames in view.
#include "app/TextureBrowserDlg.h"
#include "framework/qt/PictureControl.h"
#include "framework/qt/ThumbnailList.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace texkit2::app {
namespace {

using B = CTextureBrowserDlg;

TEST(TextureBrowserTest, FiltersClicksAndPlaysThroughItsWidgets) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto wad = sample.dataFolder / "mine.wad";
  std::vector<fixtures::WadFileEntry> entries;
  for (const char* name : {"wall1", "+0lava", "+1lava", "+2lava", "floor"}) {
    entries.push_back({fixtures::textureName(name),
                       fixtures::makeMipTexture(fixtures::textureName(name), 64, 64, 3)});
  }
  fixtures::writeFile(wad, fixtures::makeWad(entries));
  const auto palette =
      extract::FindGamePalette(platform::hostFileSystem(), sample.dataFolder.string());
  ASSERT_TRUE(palette.palette);
  images::TextureCatalog catalog(platform::hostFileSystem(), wad.string(), *palette.palette);
  testing::RecordingMessageBoxes messages;
  BrowserServices services{platform::hostFileSystem(), messages, {}, {}};
  {
    B browser(catalog, services);
    browser.Create();
    auto& window = *framework::qtDialog(browser);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto& list = *window.thumbnails(B::kThumbnails);
    EXPECT_EQ(list.model()->rowCount(), 5);

    QTest::keyClicks(window.item<QLineEdit>(B::kFilter), "lava");
    EXPECT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(window.item<QLabel>(B::kCount)->text(), "3 of 5 textures in mine.wad");

    const QRect second = list.visualRect(list.model()->index(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(window.item<QLabel>(B::kName)->text(), "+1lava");
    EXPECT_FALSE(window.pictureControl(B::kPicture)->picture().rgba.empty());

    // The animation timer moves every frame in view on, one step a tick.
    const std::uint64_t before = browser.tick();
    const auto shown = browser.entryShownAt(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.tick() > before; }, 2000));
    EXPECT_NE(browser.entryShownAt(0), shown);
    EXPECT_EQ(list.model()->data(list.model()->index(0, 0), Qt::DisplayRole).toString(),
              "+0lava\n64 x 64");
  }
  EXPECT_TRUE(messages.shown.empty());
  testing::expectNoTopLevelWindows();
}

} // namespace
} // namespace texkit2::app
