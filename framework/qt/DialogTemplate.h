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

// The font a template names, sized in pixels as the system the layouts were made for would
// (96 dots per inch); where it is not installed, the stand-in whose metrics come closest to it.
QFont templateFont(const QString& family, int pointSize);

// Dialog base units of a font: the average width of the Latin letters and the line height.
struct DialogUnits {
  int baseX = 6;
  int baseY = 13;

  static DialogUnits forFont(const QFont& font);
  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
  QRect toPixels(const QRect& units) const;
};

} // namespace texkit2::framework
