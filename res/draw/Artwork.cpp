#include "res/draw/Artwork.h"

#include "res/draw/Palette.h"
#include "res/draw/WindowsFormats.h"

#include <QBuffer>

namespace texkit2::res {

namespace {

// The clips' edges are blended over the face colour of today's dialogs, where they play.
constexpr std::uint32_t kDialogFace = 0xF0F0F0;
// Pixels this transparent are left out of a clip altogether, rather than blended as a faint
// rim that would show on any other face colour.
constexpr int kClipOpaqueFrom = 64;

PixelImage pixelsOf(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  PixelImage pixels{argb.width(), argb.height(), {}};
  pixels.argb.reserve(static_cast<std::size_t>(argb.width()) *
                      static_cast<std::size_t>(argb.height()));
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      pixels.argb.push_back(argb.pixel(x, y));
    }
  }
  return pixels;
}

QByteArray bytesOf(const Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

// Every size but 256 as a bitmap, which any version of Windows reads; 256 as PNG, as Windows
// Vista and later store it.
QByteArray iconOf(const std::vector<QImage>& sizes) {
  std::vector<IconImage> images;
  for (const QImage& image : sizes) {
    IconImage icon{pixelsOf(image), {}};
    if (image.width() == 256) {
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "PNG");
      icon.png.assign(png.begin(), png.end());
    }
    images.push_back(std::move(icon));
  }
  return bytesOf(iconFile(images));
}

// Clips play over the dialog; palette entry 0 is magenta, which the animation control takes
// (from the first pixel of the first frame) as the colour it leaves transparent.
QByteArray aviOf(const Clip& clip) {
  std::vector<PixelImage> frames;
  for (int frame = 0; frame < clip.frames; ++frame) {
    frames.push_back(pixelsOf(clip.strip.copy(frame * clip.width, 0, clip.width, clip.height)));
  }
  const std::vector<IndexedImage> indexed =
      indexedWithKey(frames, kMask.rgb() & 0xFFFFFF, kDialogFace, kClipOpaqueFrom);
  const ClipFrames avi{clip.frameMs, indexed.front().palette, indexed};
  return bytesOf(aviFile(avi, ClipCompression::Rle8));
}

} // namespace

QByteArray Clip::json() const {
  return QStringLiteral("{\"frames\":%1,\"width\":%2,\"height\":%3,\"frameMs\":%4}\n")
      .arg(frames)
      .arg(width)
      .arg(height)
      .arg(frameMs)
      .toLatin1();
}

std::vector<Artwork> drawAllArtwork() {
  std::vector<Artwork> all;
  std::vector<QImage> appIcon; // the sizes of the Windows icon group
  for (const int size : {16, 32, 48, 256}) {
    appIcon.push_back(drawAppIcon(size));
    all.push_back({QStringLiteral("icon128_%1.png").arg(size), appIcon.back(), {}});
  }
  // Desktop menus and docks of Linux also ask the icon theme for these; scaled from 256 they blur.
  for (const int size : {64, 128}) {
    all.push_back({QStringLiteral("icon128_%1.png").arg(size), drawAppIcon(size), {}});
  }
  const QImage locate = drawLocateIcon();
  const QImage search = drawSearchIcon();
  const QImage begin = drawBeginIcon();
  all.push_back({QStringLiteral("icon135.png"), locate, {}});
  all.push_back({QStringLiteral("icon136.png"), search, {}});
  all.push_back({QStringLiteral("icon137.png"), begin, {}});
  std::vector<QImage> arrow;
  for (const int size : {16, 32}) {
    arrow.push_back(drawPointerArrow(size));
    all.push_back({QStringLiteral("icon139_%1.png").arg(size), arrow.back(), {}});
  }
  const Clip extraction = drawExtractionClip();
  all.push_back({QStringLiteral("clip132.png"), extraction.strip, {}});
  all.push_back({QStringLiteral("clip132.json"), {}, extraction.json()});
  const Clip searchClip = drawSearchClip();
  all.push_back({QStringLiteral("clip129.png"), searchClip.strip, {}});
  all.push_back({QStringLiteral("clip129.json"), {}, searchClip.json()});
  const QImage tree = drawTreeBitmap();
  all.push_back({QStringLiteral("bitmap134.png"), tree, {}});

  // The same drawings as the Windows resources hold them.
  all.push_back({QStringLiteral("icon128.ico"), {}, iconOf(appIcon)});
  all.push_back({QStringLiteral("icon135.ico"), {}, iconOf({locate})});
  all.push_back({QStringLiteral("icon136.ico"), {}, iconOf({search})});
  all.push_back({QStringLiteral("icon137.ico"), {}, iconOf({begin})});
  all.push_back({QStringLiteral("icon139.ico"), {}, iconOf(arrow)});
  all.push_back({QStringLiteral("bitmap134.bmp"), {}, bytesOf(bitmapFile(pixelsOf(tree)))});
  all.push_back({QStringLiteral("clip132.avi"), {}, aviOf(extraction)});
  all.push_back({QStringLiteral("clip129.avi"), {}, aviOf(searchClip)});
  return all;
}

} // namespace texkit2::res
