// Every text of every dialog, measured in its control's own font against the control, as the
// Qt backend lays the layouts out: nothing clipped, nothing off the dialog's edge.
#include "app/ExtractDlg.h"
#include "app/TextureBrowserDlg.h"
#include "app/WadInfoDlg.h"
#include "extract/GameKind.h"
#include "framework/qt/PictureControl.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <climits>
#include <functional>
#include <memory>

namespace texkit2::app {
namespace {

using framework::CDialog;

// What a static shows of its text: "&&" as "&", a lone "&" marks the mnemonic.
QString shownText(const QLabel& label) {
  const QString text = label.property("dlgText").toString();
  if (label.property("noPrefix").toBool()) {
    return text;
  }
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
    }
    out += text[i];
  }
  return out;
}

QString name(const QWidget& widget, const QString& text) {
  return widget.objectName() + " \"" + text + "\"";
}

void expectTextsFit(framework::QtDialog& window) {
  const QStyle& style = *window.style();
  for (QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->objectName().isEmpty()) {
      continue; // the window's own helpers (menus, button groups)
    }
    EXPECT_TRUE(window.rect().contains(control->geometry()))
        << control->objectName().toStdString() << " lies outside the dialog";
  }
  for (QLabel* label : window.findChildren<QLabel*>()) {
    const QString text = shownText(*label);
    if (text.isEmpty()) {
      continue;
    }
    const QFontMetrics metrics(label->font());
    const std::string what = name(*label, text).toStdString();
    if (label->wordWrap()) {
      const QRect wrapped =
          metrics.boundingRect(QRect(0, 0, label->width(), INT_MAX),
                               static_cast<int>(Qt::TextWordWrap | label->alignment()), text);
      EXPECT_LE(wrapped.width(), label->width()) << what;
      // The last line's letters stand inside; its descenders may touch the edge, as a two-line
      // text in a control of 15 units (1.9 lines) has them on every system.
      EXPECT_LE(wrapped.height() - metrics.descent(), label->height()) << what;
    } else {
      EXPECT_LE(metrics.horizontalAdvance(text), label->width()) << what;
      EXPECT_LE(metrics.height(), label->height()) << what;
    }
  }
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    const QString text = QString(button->text()).remove('&');
    if (text.isEmpty()) {
      continue; // a picture stands for the text
    }
    const QFontMetrics metrics(button->font());
    const std::string what = name(*button, text).toStdString();
    if (qobject_cast<QPushButton*>(button) != nullptr) {
      EXPECT_LE(metrics.horizontalAdvance(text) + 2 * style.pixelMetric(QStyle::PM_ButtonMargin),
                button->width())
          << what;
      EXPECT_LE(metrics.height(), button->height()) << what;
    } else {
      const int indicator = style.pixelMetric(QStyle::PM_IndicatorWidth);
      EXPECT_LE(indicator + style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing) +
                    metrics.horizontalAdvance(text),
                button->width())
          << what;
      EXPECT_LE(std::max(metrics.height(), style.pixelMetric(QStyle::PM_IndicatorHeight)),
                button->height())
          << what;
    }
  }
  for (QGroupBox* box : window.findChildren<QGroupBox*>()) {
    const QFontMetrics metrics(box->font());
    EXPECT_LE(metrics.horizontalAdvance(box->title()), box->width())
        << name(*box, box->title()).toStdString();
  }
  for (auto* picture : window.findChildren<framework::PictureControl*>()) {
    if (picture->text().isEmpty()) {
      continue;
    }
    const QRect area = picture->contentsRect();
    const QRect wrapped = QFontMetrics(picture->font())
                              .boundingRect(QRect(0, 0, area.width(), INT_MAX),
                                            Qt::AlignCenter | Qt::TextWordWrap, picture->text());
    const std::string what = name(*picture, picture->text()).toStdString();
    EXPECT_LE(wrapped.width(), area.width()) << what;
    EXPECT_LE(wrapped.height(), area.height()) << what;
  }
}

// Every dialog, holding the longest texts the program puts in it.
TEST(DialogTextsTest, EveryTextFitsItsControl) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  // A texture stored as its header alone, as maps compiled with external textures keep them.
  const auto whole = fixtures::makeMipTexture(fixtures::textureName("wall1"), 64, 64, 3);
  const auto wad = sample.dataFolder / "mine_textures.wad";
  fixtures::writeFile(wad, fixtures::makeWad({{fixtures::textureName("wall1"),
                                               fixtures::Bytes(whole.begin(), whole.begin() + 40)},
                                              {fixtures::textureName("+0slime"), whole}}));
  const auto palette =
      extract::FindGamePalette(platform::hostFileSystem(), sample.dataFolder.string());
  ASSERT_TRUE(palette.palette);
  images::TextureCatalog catalog(platform::hostFileSystem(), wad.string(), *palette.palette);

  testing::RecordingMessageBoxes messages;
  AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  BrowserServices browserServices{platform::hostFileSystem(), messages, {}, {}};
  platform::MemoryDrives drives;
  struct Case {
    const char* name;
    std::function<std::unique_ptr<CDialog>()> make;
  };
  const std::vector<Case> cases = {
      {"main, welcome",
       [&] {
         auto dialog = std::make_unique<CExtractDlg>(services);
         dialog->Create();
         return dialog;
       }},
      {"main, folder located",
       [&] {
         auto dialog = std::make_unique<CExtractDlg>(services);
         dialog->Create();
         dialog->ShowFolderLocated(" Found pak0.pak and pak1.pak");
         return dialog;
       }},
      {"main, asking for a way",
       [&] {
         auto dialog = std::make_unique<CExtractDlg>(services);
         dialog->Create();
         dialog->SetStatusText("Please choose either manual search or auto search.");
         return dialog;
       }},
      {"WAD File Info",
       [&] {
         auto dialog = std::make_unique<CWadInfoDlg>();
         dialog->SetSummary("Hexen2.wad", 4294967295u, 2147483647, 2147483647, 2147483647);
         dialog->Create();
         return dialog;
       }},
      {"About", [&] { return std::make_unique<CAboutDlg>(); }},
      {"Locate, Quake",
       [&] {
         auto dialog = std::make_unique<locate::CLocateDlg>(drives, services.files);
         dialog->SetPrompt(extract::gameInfo(extract::kGameQuake)->locatePrompt,
                           extract::kGameQuake);
         return dialog;
       }},
      {"Locate, Hexen II",
       [&] {
         auto dialog = std::make_unique<locate::CLocateDlg>(drives, services.files);
         dialog->SetPrompt(extract::gameInfo(extract::kGameHexen2)->locatePrompt,
                           extract::kGameHexen2);
         return dialog;
       }},
      {"Search",
       [&] {
         auto dialog = std::make_unique<locate::CSearchDlg>(drives, services.files);
         dialog->Create();
         dialog->SetDlgItemText(locate::CSearchDlg::kStatus, "File not found");
         return dialog;
       }},
      {"Textures, a texture without pixels chosen",
       [&] {
         auto dialog = std::make_unique<CTextureBrowserDlg>(catalog, browserServices);
         dialog->Create();
         dialog->SetThumbnailSelection(CTextureBrowserDlg::kThumbnails, {0});
         return dialog;
       }},
      {"Textures, an animated texture chosen",
       [&] {
         auto dialog = std::make_unique<CTextureBrowserDlg>(catalog, browserServices);
         dialog->Create();
         dialog->SetThumbnailSelection(CTextureBrowserDlg::kThumbnails, {1});
         return dialog;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dialog = c.make();
    expectTextsFit(testing::window(*dialog));
  }
  testing::expectNoTopLevelWindows();
}

// A line too long for a one-line static keeps to its line, both of its ends shown.
TEST(DialogTextsTest, AOneLineStaticShortensALongPathInTheMiddle) {
  platform::MemoryDrives drives;
  locate::CSearchDlg search(drives, platform::hostFileSystem());
  auto& window = testing::window(search);
  const std::string path = "/home/someone/games/with/a/very/long/way/down/to/the/"
                           "installation/of/the/game/somewhere/quake/id1/";
  search.SetDlgItemText(locate::CSearchDlg::kStatus, path);
  auto* status = window.item<QLabel>(locate::CSearchDlg::kStatus);
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(status->wordWrap());
  EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
  EXPECT_TRUE(status->text().startsWith("/home/")) << status->text().toStdString();
  EXPECT_TRUE(status->text().endsWith("quake/id1/")) << status->text().toStdString();
  EXPECT_EQ(search.GetDlgItemText(locate::CSearchDlg::kStatus), path);
}

} // namespace
} // namespace texkit2::app
