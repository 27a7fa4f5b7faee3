#include "framework/qt/DialogTemplate.h"

#include "res/rc/Layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <cmath>
#include <exception>
#include <map>
#include <utility>

namespace texkit2::framework {
namespace {

// Rounded a * b / c, as the system's MulDiv.
int mulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

} // namespace

std::optional<DialogTemplate> parseDialogTemplate(const QByteArray& json, QString* error) {
  // One reader of the layouts for both front ends: the resource script is made with it too.
  DialogTemplate layout;
  try {
    layout = rc::parseDialogLayout(json.toStdString());
  } catch (const std::exception& e) {
    if (error != nullptr) {
      *error = QString::fromStdString(e.what());
    }
    return std::nullopt;
  }
  return layout;
}

namespace {

const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

// What the layouts' fonts measure where they were drawn, at 96 dots per inch: the width of the
// 52 Latin letters (the measure of dialog units) and the line height, in pixels.
struct Original {
  const char* family;
  int pointSize;
  int letters;
  int height;
  bool serif;
};
constexpr Original kOriginals[] = {
    {"MS Sans Serif", 8, 323, 13, false},
    {"Times New Roman", 10, 380, 15, true},
};

// A stand-in's letters are a little narrower than the original's: the texts that fill their
// controls were fitted to the bitmap face, whose words run a little narrower than its letters.
constexpr int kWidest = 97; // per cent

// Faces that may stand in, each kind the widest first.
const QStringList kSansStandIns = {
    "Arial",       "Liberation Sans",       "Arimo",    "Arial Narrow", "Liberation Sans Narrow",
    "DejaVu Sans", "DejaVu Sans Condensed", "FreeSans", "Nimbus Sans",  "Noto Sans"};
const QStringList kSerifStandIns = {"Liberation Serif", "Tinos",        "DejaVu Serif",
                                    "FreeSerif",        "Nimbus Roman", "Noto Serif"};

QFont pixelFont(const QString& family, int pixels) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

bool installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

// The installed face and size closest to the original: its letters no wider, so that every
// text keeps within its control, and its lines no lower, so that check boxes and one-line
// statics keep their height; the widest such.
std::optional<QFont> standIn(const Original& original) {
  std::optional<QFont> best;
  int bestLetters = 0;
  int bestHeight = 0;
  for (const QString& family : original.serif ? kSerifStandIns : kSansStandIns) {
    if (!installed(family)) {
      continue;
    }
    for (int pixels = original.height / 2; pixels <= original.height * 3 / 2; ++pixels) {
      const QFont font = pixelFont(family, pixels);
      const QFontMetrics metrics(font);
      const int letters = metrics.horizontalAdvance(kLetters);
      const int height = metrics.height();
      if (letters * 100 > original.letters * kWidest || height < original.height) {
        continue;
      }
      if (!best || letters > bestLetters || (letters == bestLetters && height < bestHeight)) {
        best = font;
        bestLetters = letters;
        bestHeight = height;
      }
    }
  }
  return best;
}

} // namespace

QFont templateFont(const QString& family, int pointSize) {
  const int pixels = mulDiv(pointSize, 96, 72);
  if (installed(family)) {
    return pixelFont(family, pixels);
  }
  // Measuring the candidates takes a while; every dialog asks again. Names, not fonts, are
  // kept, as no font may outlive the application.
  static std::map<std::pair<QString, int>, std::pair<QString, int>> chosen;
  const auto key = std::make_pair(family.toLower(), pointSize);
  if (const auto it = chosen.find(key); it != chosen.end()) {
    return pixelFont(it->second.first, it->second.second);
  }
  QFont font = pixelFont(family, pixels);
  for (const Original& original : kOriginals) {
    if (family.compare(original.family, Qt::CaseInsensitive) == 0 &&
        pointSize == original.pointSize) {
      if (auto found = standIn(original)) {
        font = *found;
      }
    }
  }
  chosen.emplace(key, std::make_pair(font.family(), font.pixelSize()));
  return font;
}

DialogUnits DialogUnits::forFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(kLetters);
  DialogUnits units;
  units.baseX = (width / 26 + 1) / 2;
  units.baseY = metrics.height();
  return units;
}

int DialogUnits::toPixelsX(int units) const {
  return mulDiv(units, baseX, 4);
}
int DialogUnits::toPixelsY(int units) const {
  return mulDiv(units, baseY, 8);
}

QRect DialogUnits::toPixels(const QRect& units) const {
  // Corners, as the system maps a rectangle: controls that meet in units meet in pixels, and
  // one that ends at the dialog's edge ends there, whatever the rounding.
  const int left = toPixelsX(units.x());
  const int top = toPixelsY(units.y());
  return QRect(left, top, toPixelsX(units.x() + units.width()) - left,
               toPixelsY(units.y() + units.height()) - top);
}

} // namespace texkit2::framework
