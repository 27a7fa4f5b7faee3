// The thumbnail list, picture and edit notifications of the Qt backend, on a layout of the
// tests' own (tests/gui/dialogs/900.json).
#include "framework/qt/PictureControl.h"
#include "framework/qt/ThumbnailList.h"
#include "tests/gui/GuiSupport.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace texkit2::framework {
namespace {

constexpr int kFilter = 1000;
constexpr int kList = 1001;
constexpr int kPicture = 1002;
constexpr int kItems = 2000;

// Red above, yellow below.
Picture halves(int width, int height) {
  Picture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t green = y < height / 2 ? 0 : 255;
    for (int x = 0; x < width; ++x) {
      picture.rgba.insert(picture.rgba.end(), {255, green, 0, 255});
    }
  }
  return picture;
}

class ControlsDialog : public CDialog {
 public:
  ControlsDialog() : CDialog(900) {}
  void OnEditChange(int controlId) override { edits.push_back(controlId); }
  void OnThumbnailNeedItem(int controlId, int index, std::string& caption,
                           Picture& picture) override {
    EXPECT_EQ(controlId, kList);
    asked.push_back(index);
    caption = std::to_string(index) + "\n16 x 8";
    picture = halves(16, 8);
  }
  void OnThumbnailSelChanged(int controlId) override { selectionChanges.push_back(controlId); }
  void OnThumbnailActivate(int controlId, int index) override {
    activated.emplace_back(controlId, index);
  }

  std::vector<int> edits;
  std::vector<int> asked;
  std::vector<int> selectionChanges;
  std::vector<std::pair<int, int>> activated;
};

class ThumbnailControlsTest : public ::testing::Test {
 protected:
  ThumbnailControlsTest() {
    dialog->Create();
    dialog->SetThumbnailCount(kList, kItems);
  }
  ~ThumbnailControlsTest() override {
    dialog.reset();
    testing::expectNoTopLevelWindows();
  }

  QtDialog& window() { return *qtDialog(*dialog); }
  ThumbnailList& list() { return *window().thumbnails(kList); }
  QModelIndex at(int row) { return list().model()->index(row, 0); }
  bool askedFor(int item) {
    return QTest::qWaitFor([&] { return std::ranges::count(dialog->asked, item) != 0; }, 5000);
  }
  void show() {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    ASSERT_TRUE(askedFor(0));
  }

  std::unique_ptr<ControlsDialog> dialog = std::make_unique<ControlsDialog>();
};

TEST_F(ThumbnailControlsTest, AsksOnlyForTheItemsItShows) {
  show();
  std::set<int> shown;
  for (const bool scrolled : {false, true}) {
    SCOPED_TRACE(scrolled);
    if (scrolled) {
      list().scrollToBottom();
      ASSERT_TRUE(askedFor(kItems - 1));
    }
    const std::vector<int> visible = dialog->GetVisibleThumbnails(kList);
    shown.insert(visible.begin(), visible.end());
    const std::set<int> asked(dialog->asked.begin(), dialog->asked.end());
    EXPECT_EQ(asked.size(), dialog->asked.size()) << "an item was asked for twice";
    EXPECT_TRUE(std::ranges::includes(asked, visible));
    EXPECT_TRUE(std::ranges::includes(shown, asked));
    EXPECT_LT(asked.size(), 100u);
  }
  // Room for the two caption lines under each picture.
  EXPECT_GE(list().visualRect(at(0)).height(),
            kThumbnailSide + 2 * list().fontMetrics().lineSpacing());
}

TEST_F(ThumbnailControlsTest, AsksAgainForForgottenItems) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"update", [this] { dialog->UpdateThumbnails(kList, 0, 0); }},
      {"update beyond the ends", [this] { dialog->UpdateThumbnails(kList, -5, kItems + 5); }},
      {"new count", [this] { dialog->SetThumbnailCount(kList, kItems); }},
  };
  show();
  for (const auto& [name, forget] : cases) {
    SCOPED_TRACE(name);
    dialog->asked.clear();
    forget();
    EXPECT_TRUE(askedFor(0));
  }
}

TEST_F(ThumbnailControlsTest, ReportsSelectionChanges) {
  struct Case {
    const char* name;
    std::function<void()> select;
    std::vector<int> selected;
  };
  const std::vector<Case> cases = {
      {"in the view",
       [this] {
         list().selectionModel()->select(QItemSelection(at(3), at(5)),
                                         QItemSelectionModel::ClearAndSelect);
       },
       {3, 4, 5}},
      {"by the dialog, scrolled to",
       [this] {
         dialog->SetThumbnailSelection(kList, {1600, -1, 1500, 1501, 1500, kItems});
       },
       {1500, 1501, 1600}},
      {"none", [this] { dialog->SetThumbnailSelection(kList, {}); }, {}},
  };
  show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dialog->selectionChanges.clear();
    c.select();
    EXPECT_EQ(dialog->selectionChanges, std::vector<int>{kList});
    EXPECT_EQ(dialog->GetThumbnailSelection(kList), c.selected);
    if (!c.selected.empty()) {
      EXPECT_EQ(std::ranges::count(dialog->GetVisibleThumbnails(kList), c.selected.front()), 1);
    }
  }
}

TEST_F(ThumbnailControlsTest, NewCountClearsTheSelectionAndScrollsToTheTop) {
  show();
  dialog->SetThumbnailSelection(kList, {1500});
  ASSERT_GT(list().verticalScrollBar()->value(), 0);
  dialog->SetThumbnailCount(kList, 300);
  EXPECT_EQ(dialog->GetThumbnailCount(kList), 300);
  EXPECT_TRUE(dialog->GetThumbnailSelection(kList).empty());
  EXPECT_EQ(dialog->GetVisibleThumbnails(kList).front(), 0);
}

TEST_F(ThumbnailControlsTest, DoubleClickAndEnterActivateWithoutClosing) {
  show();
  // As the window system delivers a double click: press, release, double click, release.
  const QPoint item2 = list().visualRect(at(2)).center();
  QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, item2);
  QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, item2);
  QTest::mouseRelease(list().viewport(), Qt::LeftButton, {}, item2);
  list().setCurrentIndex(at(4));
  QTest::keyClick(&list(), Qt::Key_Return);
  EXPECT_EQ(dialog->activated, (std::vector<std::pair<int, int>>{{kList, 2}, {kList, 4}}));
  EXPECT_TRUE(window().isVisible());
}

TEST_F(ThumbnailControlsTest, PictureIsDrawnAtItsSizeAndScaledDownOnlyToFit) {
  PictureControl& control = *window().pictureControl(kPicture);
  const QRect area = control.contentsRect();
  const QColor background = control.grab().toImage().pixelColor(area.topLeft());
  const int side = area.width();
  struct Case {
    const char* name;
    Picture picture;
    QSize drawn; // empty: nothing
  };
  const std::vector<Case> cases = {
      {"smaller", halves(side / 4, side / 8), {side / 4, side / 8}},
      {"twice as wide", halves(side * 2, side), {side, side / 2}},
      {"empty", {}, {}},
      {"fewer bytes than pixels", {4, 4, std::vector<std::uint8_t>(15, 255)}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dialog->SetPicture(kPicture, c.picture);
    EXPECT_EQ(dialog->GetPicture(kPicture).rgba, c.picture.rgba);
    const QImage shown = control.grab().toImage();
    const auto at = [&](int x, int y) { return shown.pixelColor(area.topLeft() + QPoint(x, y)); };
    const int w = c.drawn.width();
    const int h = c.drawn.height();
    if (!c.drawn.isEmpty()) {
      EXPECT_EQ(at(w / 2, h / 4), QColor(Qt::red));
      EXPECT_EQ(at(w / 2, 3 * h / 4), QColor(Qt::yellow));
    }
    EXPECT_EQ(at(w / 2, h + 2), background);
  }
}

TEST_F(ThumbnailControlsTest, EditChangesAreTheUsersOnly) {
  QTest::keyClicks(window().item<QLineEdit>(kFilter), "ab");
  dialog->SetDlgItemText(kFilter, "wall");
  EXPECT_EQ(dialog->edits, (std::vector<int>{kFilter, kFilter}));
}

} // namespace
} // namespace texkit2::framework
