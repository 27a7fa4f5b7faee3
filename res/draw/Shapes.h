#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QStringList>

namespace texkit2::res {

// A picture with alpha 0 everywhere, ready to draw on.
QImage transparentImage(int width, int height);

// A solid pen for outlines; width 1 with antialiasing off gives the crisp classic edge.
QPen edgePen(qreal width, const QColor& colour = QColor(0, 0, 0));

void drawPolygon(QPainter& painter, const QPolygonF& polygon, const QColor& fill, const QPen& pen);

// An arrow from tail to tip: a shaft of half width shaftHalf, a head headLength long and
// 2 * headHalf wide.
QPolygonF arrowPolygon(QPointF tail, QPointF tip, qreal shaftHalf, qreal headHalf,
                       qreal headLength);

// Inks of a sprite: a shape of whole pixels with a one-pixel outline, a light rim inside its top
// and left edges and a shaded rim inside its bottom and right edges, as classic icons have.
struct SpriteInks {
  QColor face;
  QColor light;
  QColor shade;
  QColor edge = QColor(0, 0, 0);
};

// Draws the pixels set in `mask` (any non-zero grey) with their top left at `topLeft`, in the
// painter's coordinates (which may only be translated).
void drawSprite(QPainter& painter, const QImage& mask, QPoint topLeft, const SpriteInks& inks);

// The same for a shape: it covers the pixels whose centres it contains.
void drawSprite(QPainter& painter, const QPainterPath& shape, const SpriteInks& inks);

// A right-pointing arrow as a mask of whole pixels: `length` columns, a shaft 2 * shaftHalf + 1
// rows thick and a head 2 * headHalf + 1 rows tall whose sides step at 45 degrees to a one-pixel
// tip. transposed() turns it into a down-pointing one.
QImage rightArrowMask(int length, int shaftHalf, int headHalf);
QImage transposed(const QImage& mask);

// A drive seen from the front and a little from above: the front face is `front`, the top and
// the right side recede by `depth`. Decoration is drawn by the caller on the front face.
void drawDriveBox(QPainter& painter, const QRectF& front, qreal depth, const QPen& pen);

// Folders cover the pixels inside `box`, drawn as sprites. An open folder is drawn in two passes so
// that something can sit inside it: the back panel, then whatever is inside, then the front flap.
void drawClosedFolder(QPainter& painter, const QRectF& box);
void drawOpenFolderBack(QPainter& painter, const QRectF& box);
void drawOpenFolderFront(QPainter& painter, const QRectF& box);

// A magnifying glass with its lens centred on `centre` and the handle going down to the right.
// glassAlpha 255 paints an opaque lens; less lets what lies below show through.
void drawMagnifier(QPainter& painter, QPointF centre, qreal radius, qreal handleLength,
                   int glassAlpha);

// A small pixel picture written as rows of characters, one per pixel; `.` is left untouched.
// Throws std::invalid_argument on a row of the wrong length or an unknown character.
void drawPixels(QPainter& painter, QPoint origin, const QStringList& rows);

} // namespace texkit2::res
