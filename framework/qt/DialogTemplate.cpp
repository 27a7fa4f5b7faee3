#include "framework/qt/DialogTemplate.h"

#include "res/rc/Layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <cmath>
#include <exception>

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

QFont templateFont(const QString& family, int pointSize) {
  // Liberation fonts share the metrics of the two the layouts were drawn with.
  QString chosen = family;
  int pixels = mulDiv(pointSize, 96, 72);
  const QStringList installed = QFontDatabase::families();
  if (!installed.contains(family, Qt::CaseInsensitive)) {
    if (family.compare("Times New Roman", Qt::CaseInsensitive) == 0) {
      chosen = "Liberation Serif";
    } else {
      // The old bitmap face is narrower than any outline sans; one pixel less keeps its texts
      // inside their controls.
      chosen = "Liberation Sans";
      pixels -= 1;
    }
  }
  QFont font(chosen);
  font.setPixelSize(pixels);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

DialogUnits DialogUnits::forFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  DialogUnits units;
  units.baseX = (width / 26 + 1) / 2;
  units.baseY = metrics.height();
  return units;
}

DialogUnits DialogUnits::forTemplate(const QString& family, const QFont& actual) {
  if (family.compare("MS Sans Serif", Qt::CaseInsensitive) == 0 &&
      !QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    return DialogUnits{6, 13}; // MS Sans Serif 8 point at 96 dots per inch
  }
  return forFont(actual);
}

int DialogUnits::toPixelsX(int units) const {
  return mulDiv(units, baseX, 4);
}
int DialogUnits::toPixelsY(int units) const {
  return mulDiv(units, baseY, 8);
}

QRect DialogUnits::toPixels(const QRect& units) const {
  return QRect(toPixelsX(units.x()), toPixelsY(units.y()), toPixelsX(units.width()),
               toPixelsY(units.height()));
}

} // namespace texkit2::framework
