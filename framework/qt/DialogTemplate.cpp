#include "framework/qt/DialogTemplate.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace texkit2::framework {
namespace {

// Rounded a * b / c, as the system's MulDiv.
int mulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

QRect rectFrom(const QJsonValue& value) {
  const QJsonArray a = value.toArray();
  if (a.size() != 4) {
    return {};
  }
  return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
}

} // namespace

const ControlTemplate* DialogTemplate::control(int controlId) const {
  for (const auto& c : controls) {
    if (c.id == controlId) {
      return &c;
    }
  }
  return nullptr;
}

std::optional<DialogTemplate> parseDialogTemplate(const QByteArray& json, QString* error) {
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (!doc.isObject()) {
    if (error != nullptr) {
      *error = parseError.errorString();
    }
    return std::nullopt;
  }
  const QJsonObject root = doc.object();
  DialogTemplate t;
  t.id = root["id"].toInt();
  t.caption = root["caption"].toString();
  t.fontFamily = root["font"].toObject()["family"].toString();
  t.pointSize = root["font"].toObject()["pointSize"].toInt(8);
  const QJsonArray size = root["size"].toArray();
  t.size = QSize(size.at(0).toInt(), size.at(1).toInt());
  for (const auto& style : root["styles"].toArray()) {
    t.styles << style.toString();
  }
  for (const auto& value : root["controls"].toArray()) {
    const QJsonObject o = value.toObject();
    ControlTemplate c;
    c.id = o["id"].toInt(-1);
    c.type = o["type"].toString();
    c.text = o["text"].toString();
    c.rect = rectFrom(o["rect"]);
    c.icon = o["icon"].toInt();
    c.align = o["align"].toString("left");
    c.group = o["group"].toBool();
    c.tabStop = o["tabstop"].toBool();
    c.noPrefix = o["noprefix"].toBool();
    c.staticEdge = o["staticedge"].toBool();
    c.center = o["center"].toBool();
    c.transparent = o["transparent"].toBool();
    c.border = o["border"].toBool();
    c.centerImage = o["centerimage"].toBool();
    c.readOnly = o["readonly"].toBool();
    if (c.type.isEmpty() || !c.rect.isValid()) {
      if (error != nullptr) {
        *error = QString("control %1 has no type or size").arg(c.id);
      }
      return std::nullopt;
    }
    t.controls.push_back(c);
  }
  if (t.size.isEmpty()) {
    if (error != nullptr) {
      *error = "dialog has no size";
    }
    return std::nullopt;
  }
  return t;
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
