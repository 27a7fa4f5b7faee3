#include "res/draw/Shapes.h"

#include "res/draw/Palette.h"

#include <QLineF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>

namespace texkit2::res {

QImage transparentImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QPen edgePen(qreal width, const QColor& colour) {
  return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void drawPolygon(QPainter& painter, const QPolygonF& polygon, const QColor& fill, const QPen& pen) {
  painter.setPen(pen);
  painter.setBrush(fill);
  painter.drawPolygon(polygon);
}

QPolygonF arrowPolygon(QPointF tail, QPointF tip, qreal shaftHalf, qreal headHalf,
                       qreal headLength) {
  const QLineF axis(tail, tip);
  const QPointF along = (tip - tail) / axis.length();
  const QPointF across(-along.y(), along.x());
  const QPointF neck = tip - along * headLength;
  return QPolygonF({tail + across * shaftHalf, neck + across * shaftHalf, neck + across * headHalf,
                    tip, neck - across * headHalf, neck - across * shaftHalf,
                    tail - across * shaftHalf});
}

void drawDriveBox(QPainter& painter, const QRectF& front, qreal depth, const QPen& pen) {
  const QPointF back(depth, -depth);
  const QPolygonF top(
      {front.topLeft(), front.topLeft() + back, front.topRight() + back, front.topRight()});
  const QPolygonF side(
      {front.topRight(), front.topRight() + back, front.bottomRight() + back, front.bottomRight()});
  drawPolygon(painter, top, kWhite, pen);
  drawPolygon(painter, side, kDarkGray, pen);
  drawPolygon(painter, QPolygonF(front), kLightGray, pen);
}

namespace {

// Tab on the left, body below it; shared by the closed folder and the back of an open one.
QPainterPath folderOutline(const QRectF& box) {
  const qreal tab = std::max<qreal>(2.0, std::round(box.height() * 0.16));
  const qreal x = box.left();
  const qreal y = box.top();
  const qreal tabEnd = x + std::round(box.width() * 0.42);
  QPainterPath path;
  path.addPolygon(QPolygonF({QPointF(x, y + tab), QPointF(x + tab, y), QPointF(tabEnd, y),
                             QPointF(tabEnd + tab, y + tab), QPointF(box.right(), y + tab),
                             box.bottomRight(), box.bottomLeft()}));
  path.closeSubpath();
  return path;
}

// The flap of an open folder leans out to the right of its back by this much.
qreal flapSlant(const QRectF& box) {
  return std::max<qreal>(2.0, std::round(box.width() * 0.16));
}

const SpriteInks kFolderInks{kFolderFace, kFolderLight, kFolderShade};
const SpriteInks kFolderInsideInks{kFolderShade, kFolderFace, QColor(150, 104, 20)};

bool maskAt(const QImage& mask, int x, int y) {
  return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() && mask.constScanLine(y)[x] != 0;
}

bool edgeAt(const QImage& mask, int x, int y) {
  return maskAt(mask, x, y) && (!maskAt(mask, x - 1, y) || !maskAt(mask, x + 1, y) ||
                                !maskAt(mask, x, y - 1) || !maskAt(mask, x, y + 1));
}

} // namespace

void drawSprite(QPainter& painter, const QImage& mask, QPoint topLeft, const SpriteInks& inks) {
  const QPoint origin = painter.transform().map(topLeft);
  painter.save();
  painter.resetTransform();
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = 0; x < mask.width(); ++x) {
      if (!maskAt(mask, x, y)) {
        continue;
      }
      QColor ink = inks.face;
      if (edgeAt(mask, x, y)) {
        ink = inks.edge;
      } else {
        const bool lit = edgeAt(mask, x - 1, y) || edgeAt(mask, x, y - 1);
        const bool shaded = edgeAt(mask, x + 1, y) || edgeAt(mask, x, y + 1);
        if (lit && !shaded) {
          ink = inks.light;
        } else if (shaded && !lit) {
          ink = inks.shade;
        }
      }
      painter.fillRect(QRect(origin.x() + x, origin.y() + y, 1, 1), ink);
    }
  }
  painter.restore();
}

void drawSprite(QPainter& painter, const QPainterPath& shape, const SpriteInks& inks) {
  const QRect bounds = shape.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
  QImage mask(bounds.size(), QImage::Format_Grayscale8);
  mask.fill(0);
  QPainter maskPainter(&mask);
  maskPainter.translate(-bounds.topLeft());
  maskPainter.fillPath(shape, Qt::white);
  maskPainter.end();
  drawSprite(painter, mask, bounds.topLeft(), inks);
}

QImage rightArrowMask(int length, int shaftHalf, int headHalf) {
  QImage mask(length, 2 * headHalf + 1, QImage::Format_Grayscale8);
  mask.fill(0);
  for (int x = 0; x < length; ++x) {
    const int half = std::min(x < length - 1 - headHalf ? shaftHalf : headHalf, length - 1 - x);
    for (int y = headHalf - half; y <= headHalf + half; ++y) {
      mask.scanLine(y)[x] = 255;
    }
  }
  return mask;
}

QImage transposed(const QImage& mask) {
  QImage out(mask.height(), mask.width(), QImage::Format_Grayscale8);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      out.scanLine(y)[x] = mask.constScanLine(x)[y];
    }
  }
  return out;
}

void drawClosedFolder(QPainter& painter, const QRectF& box) {
  drawSprite(painter, folderOutline(box), kFolderInks);
}

void drawOpenFolderBack(QPainter& painter, const QRectF& box) {
  drawSprite(painter, folderOutline(box.adjusted(0, 0, -flapSlant(box), 0)), kFolderInsideInks);
}

void drawOpenFolderFront(QPainter& painter, const QRectF& box) {
  const qreal slant = flapSlant(box);
  const qreal top = box.top() + std::round(box.height() * 0.40);
  QPainterPath flap;
  flap.addPolygon(QPolygonF({box.bottomLeft(), QPointF(box.right() - slant, box.bottom()),
                             QPointF(box.right(), top), QPointF(box.left() + slant, top)}));
  flap.closeSubpath();
  drawSprite(painter, flap, kFolderInks);
}

void drawMagnifier(QPainter& painter, QPointF centre, qreal radius, qreal handleLength,
                   int glassAlpha) {
  constexpr qreal kHalfSqrt2 = std::numbers::sqrt2 / 2;
  const QPointF diagonal(kHalfSqrt2, kHalfSqrt2);
  // The handle starts at the rim, so that a see-through lens does not show it.
  const QPointF handleStart = centre + diagonal * radius;
  const QPointF handleEnd = handleStart + diagonal * handleLength;
  const qreal handleWidth = std::max<qreal>(3.0, radius * 0.55);

  // Handle: a dark outline under a brown grip, then a metal collar next to the rim.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kBlack, handleWidth + 2, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(handleStart, handleEnd);
  painter.setPen(QPen(kWood, handleWidth, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(handleStart + diagonal * (radius * 0.3), handleEnd);
  painter.setPen(
      QPen(kWoodLight, std::max<qreal>(1.0, handleWidth * 0.3), Qt::SolidLine, Qt::RoundCap));
  const QPointF across(-kHalfSqrt2, kHalfSqrt2);
  painter.drawLine(handleStart + diagonal * (radius * 0.45) + across * (handleWidth * 0.2),
                   handleEnd + across * (handleWidth * 0.2));
  painter.setPen(QPen(kDarkGray, handleWidth, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(handleStart, handleStart + diagonal * (radius * 0.3));

  // Lens: glass, a highlight, then the rim in black with a grey inner ring.
  const QColor glass(200, 240, 255, glassAlpha);
  painter.setPen(Qt::NoPen);
  painter.setBrush(glass);
  painter.drawEllipse(centre, radius, radius);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(255, 255, 255, std::min(255, glassAlpha + 120)),
                      std::max<qreal>(1.0, radius * 0.18), Qt::SolidLine, Qt::RoundCap));
  const qreal glint = radius * 0.6;
  painter.drawArc(QRectF(centre.x() - glint, centre.y() - glint, glint * 2, glint * 2), 100 * 16,
                  70 * 16);
  const qreal rim = std::max<qreal>(1.5, radius * 0.22);
  painter.setPen(QPen(kBlack, rim));
  painter.drawEllipse(centre, radius, radius);
  painter.setPen(QPen(kLightGray, rim * 0.4));
  painter.drawEllipse(centre, radius - rim * 0.3, radius - rim * 0.3);
}

void drawPixels(QPainter& painter, QPoint origin, const QStringList& rows) {
  static const std::map<char, QColor> kInks = {
      {'K', kBlack},       {'W', kWhite},  {'D', kDarkGray},   {'L', kLightGray},
      {'m', kMaroon},      {'R', kRed},    {'g', kGreen},      {'G', kLime},
      {'o', kOlive},       {'Y', kYellow}, {'n', kNavy},       {'B', kBlue},
      {'t', kTeal},        {'C', kCyan},   {'F', kFolderFace}, {'f', kFolderShade},
      {'l', kFolderLight},
  };
  const qsizetype width = rows.isEmpty() ? 0 : rows.front().size();
  painter.setPen(Qt::NoPen);
  for (qsizetype y = 0; y < rows.size(); ++y) {
    const QString& row = rows[y];
    if (row.size() != width) {
      throw std::invalid_argument("pixel rows differ in length");
    }
    for (qsizetype x = 0; x < width; ++x) {
      const char ink = row[x].toLatin1();
      if (ink == '.') {
        continue;
      }
      const auto found = kInks.find(ink);
      if (found == kInks.end()) {
        throw std::invalid_argument(std::string("unknown pixel ink: ") + ink);
      }
      painter.fillRect(
          QRect(origin.x() + static_cast<int>(x), origin.y() + static_cast<int>(y), 1, 1),
          found->second);
    }
  }
}

} // namespace texkit2::res
