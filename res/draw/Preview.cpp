#include "res/draw/Preview.h"

#include "res/draw/Palette.h"

#include <QDir>
#include <QPainter>
#include <algorithm>

namespace texkit2::res {

namespace {

constexpr int kZoom = 4;

// Clip strips are shown one frame per row, so they fit on a screen.
int frameWidthOf(const QString& fileName, const QImage& image) {
  if (fileName == QLatin1String("clip132.png")) {
    return 260;
  }
  if (fileName == QLatin1String("clip129.png")) {
    return 48;
  }
  return image.width();
}

QImage enlarged(const QImage& image, int frameWidth) {
  const int frames = std::max(1, image.width() / frameWidth);
  const int gap = frames > 1 ? 2 : 0;
  QImage sheet(frameWidth * kZoom, frames * (image.height() * kZoom + gap), QImage::Format_RGB32);
  sheet.fill(QColor(96, 96, 96));
  QPainter painter(&sheet);
  for (int frame = 0; frame < frames; ++frame) {
    const QRect target(0, frame * (image.height() * kZoom + gap), frameWidth * kZoom,
                       image.height() * kZoom);
    for (int y = 0; y < target.height(); y += 8) {
      for (int x = 0; x < target.width(); x += 8) {
        const bool dark = ((x + y) / 8) % 2 != 0;
        painter.fillRect(QRect(target.x() + x, target.y() + y, 8, 8),
                         dark ? QColor(208, 208, 208) : QColor(240, 240, 240));
      }
    }
    const QImage one = image.copy(frame * frameWidth, 0, frameWidth, image.height());
    painter.drawImage(target, one); // no smooth transform: pixels stay square
  }
  return sheet;
}

} // namespace

bool writePreviews(const std::vector<Artwork>& artwork, const QString& folder) {
  if (!QDir().mkpath(folder)) {
    return false;
  }
  // The overview lays each picture out at its real size, clips wrapped a few frames a row.
  constexpr int kMargin = 8;
  constexpr int kRowWidth = 1040;
  struct Placed {
    const Artwork* item;
    int frameWidth;
    int perRow;
    int top;
  };
  std::vector<Placed> placed;
  int height = kMargin;
  for (const Artwork& item : artwork) {
    if (item.image.isNull()) {
      continue;
    }
    const int frameWidth = frameWidthOf(item.fileName, item.image);
    const int frames = std::max(1, item.image.width() / frameWidth);
    const int perRow = std::clamp(kRowWidth / (frameWidth + 4), 1, frames);
    placed.push_back({&item, frameWidth, perRow, height});
    height += ((frames + perRow - 1) / perRow) * (item.image.height() + 4) + kMargin;
  }
  const int half = kRowWidth + 2 * kMargin;
  QImage overview(half * 2, height, QImage::Format_RGB32);
  overview.fill(kLightGray);
  QPainter painter(&overview);
  painter.fillRect(QRect(half, 0, half, height), kWhite);
  for (const Placed& at : placed) {
    const QImage& image = at.item->image;
    const int frames = std::max(1, image.width() / at.frameWidth);
    for (int frame = 0; frame < frames; ++frame) {
      const QImage one = image.copy(frame * at.frameWidth, 0, at.frameWidth, image.height());
      const QPoint offset((frame % at.perRow) * (at.frameWidth + 4) + kMargin,
                          at.top + (frame / at.perRow) * (image.height() + 4));
      painter.drawImage(offset, one);
      painter.drawImage(offset + QPoint(half, 0), one);
    }
    const QString name = QString(at.item->fileName).replace(QLatin1String(".png"), "_x4.png");
    if (!enlarged(image, at.frameWidth).save(QDir(folder).filePath(name), "PNG")) {
      return false;
    }
  }
  painter.end();
  return overview.save(QDir(folder).filePath(QStringLiteral("overview.png")), "PNG");
}

} // namespace texkit2::res
