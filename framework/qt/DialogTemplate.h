#pragma once

#include "res/rc/Layout.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace texkit2::framework {

// The layouts of res/dialogs/<id>.json, as the resource script writer reads them too.
using ControlTemplate = rc::ControlLayout;
using DialogTemplate = rc::DialogLayout;

// Parses a layout; nullopt with `error` set when it is malformed.
std::optional<DialogTemplate> parseDialogTemplate(const QByteArray& json, QString* error = nullptr);

// The font a template names, or a metric-compatible stand-in when it is not installed, sized
// in pixels as the system the layouts were made for would (96 dots per inch).
QFont templateFont(const QString& family, int pointSize);

// Dialog base units of a font: the average width of the Latin letters and the line height.
struct DialogUnits {
  int baseX = 6;
  int baseY = 13;

  static DialogUnits forFont(const QFont& font);
  // The units a layout was drawn in: those of its own font, or where a stand-in is used for a
  // font that is not installed, the original's, so that the layout keeps its proportions.
  static DialogUnits forTemplate(const QString& family, const QFont& actual);
  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
  QRect toPixels(const QRect& units) const;
};

} // namespace texkit2::framework
