#include "res/draw/Artwork.h"
#include "res/draw/Palette.h"
#include "res/draw/Shapes.h"

#include <QPainterPath>
#include <cmath>

namespace texkit2::res {

namespace {

// Maps the 32-unit design grid of the application icon onto one size. Small sizes are drawn
// without antialiasing on whole pixels, so their edges stay crisp; the large one is smooth.
class Grid {
 public:
  explicit Grid(int size)
      : m_smooth(size > 48), m_line(m_smooth ? std::round(size / 64.0) : 1.0),
        m_origin(m_smooth ? m_line / 2 : 0.0),
        m_unit(m_smooth ? (size - m_line) / 32.0 : (size - 1) / 32.0) {}

  bool smooth() const { return m_smooth; }
  qreal line() const { return m_line; }
  qreal unit() const { return m_unit; }

  QPointF at(qreal x, qreal y) const {
    const QPointF p(m_origin + x * m_unit, m_origin + y * m_unit);
    return m_smooth ? p : QPointF(std::round(p.x()), std::round(p.y()));
  }
  QRectF rect(qreal x0, qreal y0, qreal x1, qreal y1) const {
    return QRectF(at(x0, y0), at(x1, y1));
  }
  QPolygonF snap(const QPolygonF& design) const {
    QPolygonF out;
    for (const QPointF& p : design) {
      out << at(p.x(), p.y());
    }
    return out;
  }

 private:
  bool m_smooth;
  qreal m_line;
  qreal m_origin;
  qreal m_unit;
};

// A raised panel: face, a light rim on the top and left, a dark rim on the bottom and right.
void drawBevel(QPainter& painter, const QRectF& box, qreal line, bool smooth) {
  drawPolygon(painter, QPolygonF(box), kLightGray, edgePen(line));
  const qreal w = smooth ? line * 2 : line;
  const QRectF inner =
      smooth ? box.adjusted(line / 2, line / 2, -line / 2, -line / 2) : box.adjusted(1, 1, 0, 0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kWhite);
  painter.drawRect(QRectF(inner.left(), inner.top(), inner.width(), w));
  painter.drawRect(QRectF(inner.left(), inner.top(), w, inner.height()));
  painter.setBrush(kDarkGray);
  painter.drawRect(QRectF(inner.left(), inner.bottom() - w, inner.width(), w));
  painter.drawRect(QRectF(inner.right() - w, inner.top(), w, inner.height()));
}

const QColor kArrowIn{32, 176, 32};
const QColor kArrowOut{40, 96, 232};

// The picture inside the box: a texture of four tiles.
void drawTile(QPainter& painter, const QRectF& area) {
  const QPointF mid(std::round(area.center().x()), std::round(area.center().y()));
  painter.setPen(Qt::NoPen);
  painter.setBrush(kWoodDark);
  painter.drawRect(area);
  painter.setBrush(kWoodLight);
  painter.drawRect(QRectF(area.topLeft(), mid));
  painter.drawRect(QRectF(mid, area.bottomRight()));
}

// The smooth counterpart of a sprite: face, a light rim inside the top and left edges, a shaded
// rim inside the bottom and right ones, and the outline over them.
void drawSmoothSprite(QPainter& painter, const QPolygonF& polygon, const SpriteInks& inks,
                      const QPen& pen, qreal rim) {
  QPainterPath shape;
  shape.addPolygon(polygon);
  shape.closeSubpath();
  const qreal depth = pen.widthF() / 2 + rim;
  painter.setPen(Qt::NoPen);
  painter.setBrush(inks.face);
  painter.drawPath(shape);
  painter.setBrush(inks.light);
  painter.drawPath(shape.subtracted(shape.translated(depth, depth)));
  painter.setBrush(inks.shade);
  painter.drawPath(shape.subtracted(shape.translated(-depth, -depth)));
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(shape);
}

// The large icon: the design of the small ones, smooth, on a 32-unit grid.
void drawSmoothAppIcon(QPainter& painter, int size) {
  const Grid grid(size);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen = edgePen(grid.line());
  pen.setMiterLimit(3); // keeps the sharp corners of the arrow heads pointed
  drawBevel(painter, grid.rect(2, 11, 22, 30.5), grid.line(), true);
  drawTile(painter, grid.rect(6, 15, 18, 26.5));
  const qreal rim = grid.unit() * 0.8;
  drawSmoothSprite(painter,
                   arrowPolygon(grid.at(12, 0.5), grid.at(12, 18), 3 * grid.unit(), 7 * grid.unit(),
                                7 * grid.unit()),
                   {kArrowIn, kArrowIn.lighter(150), kArrowIn.darker(140)}, pen, rim);
  drawSmoothSprite(painter,
                   arrowPolygon(grid.at(17, 22.5), grid.at(31, 22.5), 3 * grid.unit(),
                                7 * grid.unit(), 7 * grid.unit()),
                   {kArrowOut, kArrowOut.lighter(150), kArrowOut.darker(140)}, pen, rim);
}

} // namespace

QImage drawAppIcon(int size) {
  QImage image = transparentImage(size, size);
  QPainter painter(&image);
  if (size > 48) {
    drawSmoothAppIcon(painter, size);
    return image;
  }
  // Small sizes on whole pixels, the arrow heads at exactly 45 degrees.
  const qreal u = size / 32.0;
  const auto px = [u](qreal units) { return static_cast<int>(std::lround(units * u)); };
  const auto floorPx = [u](qreal units) { return static_cast<int>(std::floor(units * u + 0.25)); };
  const QRectF box(QPointF(px(2), px(11)), QPointF(px(22), size - 2));
  drawBevel(painter, box, 1, false);
  drawTile(painter, QRectF(QPointF(px(5.5), px(14.5)), QPointF(px(19), size - px(4.5))));

  const int shaftHalf = floorPx(3);
  const int headHalf = floorPx(7);
  const QImage down = transposed(rightArrowMask(px(17.5), shaftHalf, headHalf));
  drawSprite(painter, down, QPoint(px(12) - headHalf, 0),
             {kArrowIn, kArrowIn.lighter(150), kArrowIn.darker(140)});
  // At 16 pixels the arrow leaving the box runs to the edge and sits a row higher, or its head
  // would be all it shows.
  const bool tiny = size <= 16;
  const QImage right = rightArrowMask(size - (tiny ? 0 : 1) - px(17), shaftHalf, headHalf);
  drawSprite(painter, right, QPoint(px(17), px(22) - (tiny ? 1 : 0) - headHalf),
             {kArrowOut, kArrowOut.lighter(150), kArrowOut.darker(140)});
  return image;
}

QImage drawLocateIcon() {
  QImage image = transparentImage(32, 32);
  QPainter painter(&image);
  const QPen pen = edgePen(1);

  // An open folder behind, with a sheet inside, and a drive in front of it.
  const QRectF folder(9, 2, 23, 19);
  drawOpenFolderBack(painter, folder);
  drawPolygon(painter, QPolygonF(QRectF(12, 6, 12, 10)), kWhite, pen);
  painter.fillRect(QRect(14, 8, 8, 1), kNavy);
  painter.fillRect(QRect(14, 10, 6, 1), kNavy);
  drawOpenFolderFront(painter, folder);

  const QRectF front(1, 20, 20, 9);
  drawDriveBox(painter, front, 3, pen);
  painter.fillRect(QRect(2, 21, 19, 1), kWhite);
  painter.fillRect(QRect(2, 21, 1, 8), kWhite);
  painter.fillRect(QRect(4, 24, 10, 2), kBlack);
  painter.fillRect(QRect(16, 24, 2, 2), kLime);
  return image;
}

QImage drawSearchIcon() {
  QImage image = transparentImage(32, 32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  drawMagnifier(painter, QPointF(12.5, 12.5), 9, 11, 255);
  return image;
}

QImage drawBeginIcon() {
  QImage image = transparentImage(32, 32);
  QPainter painter(&image);
  const QPen pen = edgePen(1);

  // Three sticks of dynamite, bound with tape, a cap on the middle one.
  for (int i = 0; i < 3; ++i) {
    const int x = 19 + i * 4;
    painter.setPen(pen);
    painter.setBrush(kStick);
    painter.drawRect(QRect(x, 14, 4, 16));
    painter.fillRect(QRect(x + 1, 15, 1, 15), kStickLight);
    painter.fillRect(QRect(x + 3, 15, 1, 15), kStickDark);
  }
  painter.fillRect(QRect(19, 18, 13, 2), kBlack);
  painter.fillRect(QRect(19, 25, 13, 2), kBlack);
  painter.setPen(pen);
  painter.setBrush(kLightGray);
  painter.drawRect(QRect(24, 11, 2, 3));

  // The detonator: a wooden box with a T-handled plunger.
  painter.setBrush(kLightGray);
  painter.drawRect(QRect(7, 9, 2, 10));
  painter.setBrush(kDarkGray);
  painter.drawRect(QRect(2, 6, 12, 3));
  painter.fillRect(QRect(3, 7, 10, 1), kLightGray);
  painter.setBrush(kWood);
  painter.drawRect(QRect(1, 18, 14, 12));
  painter.fillRect(QRect(2, 19, 13, 2), kWoodLight);
  painter.fillRect(QRect(2, 19, 1, 11), kWoodLight);
  painter.fillRect(QRect(4, 23, 8, 4), kWoodDark);
  painter.fillRect(QRect(15, 22, 1, 2), kLightGray);

  // The wire sags from the box's terminal and climbs to the cap.
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath wire(QPointF(16, 22.5));
  wire.cubicTo(QPointF(20, 23), QPointF(16, 31), QPointF(18, 8));
  wire.cubicTo(QPointF(19, 3), QPointF(24, 6), QPointF(25, 11));
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kBlack, 1.3, Qt::SolidLine, Qt::RoundCap));
  painter.drawPath(wire);
  return image;
}

QImage drawPointerArrow(int size) {
  QImage image = transparentImage(size, size);
  QPainter painter(&image);
  // The arrow keeps to the right half: it stands left of a button and points at it.
  const int headHalf = size * 7 / 32;
  const QImage arrow = rightArrowMask(size / 2 - (size > 16 ? 1 : 0), size / 10, headHalf);
  drawSprite(painter, arrow, QPoint(size / 2, size / 2 - 1 - headHalf),
             {kYellow, QColor(255, 255, 200), QColor(208, 168, 0)});
  return image;
}

} // namespace texkit2::res
