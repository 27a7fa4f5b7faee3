#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace texkit2::framework {

// One control of a dialog layout, in dialog units.
struct ControlTemplate {
  int id = -1;
  QString type; // radio, check, button, defbutton, iconbutton, static, groupbox, edit, progress,
                // animation, icon, or a type the dialog creates itself (tree)
  QString text;
  QRect rect;
  int icon = 0;
  QString align = "left";
  bool group = false;
  bool tabStop = false;
  bool noPrefix = false;
  bool staticEdge = false;
  bool center = false;
  bool transparent = false;
  bool border = false;
  bool centerImage = false;
  bool readOnly = false;
};

// A dialog layout from res/dialogs/<id>.json: caption, font, size and controls in tab order.
struct DialogTemplate {
  int id = 0;
  QString caption;
  QString fontFamily;
  int pointSize = 8;
  QSize size; // dialog units
  QStringList styles;
  std::vector<ControlTemplate> controls;

  bool hasStyle(const QString& style) const { return styles.contains(style); }
  const ControlTemplate* control(int controlId) const;
};

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
