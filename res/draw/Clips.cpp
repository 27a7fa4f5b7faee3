#include "res/draw/Artwork.h"
#include "res/draw/Palette.h"
#include "res/draw/Shapes.h"

#include <cmath>
#include <numbers>

namespace texkit2::res {

namespace {

constexpr qreal kPi = std::numbers::pi;

// A sheet of paper centred on the origin; the back shows when it turns over in flight.
void drawSheet(QPainter& painter) {
  constexpr qreal kW = 13;
  constexpr qreal kH = 16;
  constexpr qreal kFold = 4;
  const QPolygonF outline({QPointF(-kW / 2, -kH / 2), QPointF(kW / 2 - kFold, -kH / 2),
                           QPointF(kW / 2, -kH / 2 + kFold), QPointF(kW / 2, kH / 2),
                           QPointF(-kW / 2, kH / 2)});
  drawPolygon(painter, outline, kWhite, edgePen(1));
  const QPolygonF fold({QPointF(kW / 2 - kFold, -kH / 2), QPointF(kW / 2 - kFold, -kH / 2 + kFold),
                        QPointF(kW / 2, -kH / 2 + kFold)});
  drawPolygon(painter, fold, kLightGray, edgePen(1));
  // Three lines of writing.
  painter.setPen(QPen(QColor(64, 64, 160), 1.2));
  for (int line = 0; line < 3; ++line) {
    const qreal y = -kH / 2 + 7 + line * 3;
    const qreal end = (line == 2) ? 0.5 : kW / 2 - 2.5;
    painter.drawLine(QPointF(-kW / 2 + 2.5, y), QPointF(end, y));
  }
}

// The edge of a sheet showing above an open folder's flap.
void drawWaitingSheet(QPainter& painter, const QRectF& folder) {
  const QRect sheet(static_cast<int>(folder.left()) + 6, static_cast<int>(folder.top()) + 6,
                    static_cast<int>(folder.width()) - 16, 10);
  painter.setPen(edgePen(1));
  painter.setBrush(kWhite);
  painter.drawRect(sheet);
}

} // namespace

Clip drawExtractionClip() {
  Clip clip{{}, 17, 260, 40, 100};
  clip.strip = transparentImage(clip.frames * clip.width, clip.height);
  const QRectF from(2, 13, 34, 25);
  const QRectF to(clip.width - 2 - 35, 13, 34, 25);
  for (int frame = 0; frame < clip.frames; ++frame) {
    QPainter painter(&clip.strip);
    painter.setClipRect(frame * clip.width, 0, clip.width, clip.height);
    painter.translate(frame * clip.width, 0);
    drawOpenFolderBack(painter, from);
    drawOpenFolderBack(painter, to);

    // Sheets wait in the left folder; the one in flight rises out of it, arcs over, tilting
    // with its path and fluttering, and drops into the right one.
    drawWaitingSheet(painter, from);
    drawWaitingSheet(painter, to);
    const qreal t = frame / static_cast<qreal>(clip.frames - 1);
    const QPointF start(from.center().x() - 2, 21);
    const QPointF end(to.center().x() - 2, 21);
    const QPointF at(start.x() + (end.x() - start.x()) * t, start.y() - 11 * std::sin(kPi * t));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(at);
    painter.rotate(-25 * std::cos(kPi * t));
    painter.scale(0.75 + 0.25 * std::cos(4 * kPi * t), 1.0);
    drawSheet(painter);
    painter.restore();

    drawOpenFolderFront(painter, from);
    drawOpenFolderFront(painter, to);
  }
  return clip;
}

Clip drawSearchClip() {
  Clip clip{{}, 8, 48, 45, 200};
  clip.strip = transparentImage(clip.frames * clip.width, clip.height);
  const QRectF folder(6, 19, 35, 24);
  for (int frame = 0; frame < clip.frames; ++frame) {
    QPainter painter(&clip.strip);
    painter.setClipRect(frame * clip.width, 0, clip.width, clip.height);
    painter.translate(frame * clip.width, 0);
    drawClosedFolder(painter, folder);

    // The glass circles over the folder, one eighth of a turn a frame, so the loop is seamless.
    const qreal angle = 2 * kPi * frame / clip.frames - kPi / 2;
    const QPointF centre(21 + 7 * std::cos(angle), 19 + 6 * std::sin(angle));
    painter.setRenderHint(QPainter::Antialiasing);
    drawMagnifier(painter, centre, 8, 8, 90);
  }
  return clip;
}

} // namespace texkit2::res
