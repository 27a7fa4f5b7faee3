#pragma once

// The Windows files of the drawn artwork: .ico groups, the .bmp of the tree images and the
// .avi clips that the animation control plays. No Qt here: pixels come in as 0xAARRGGBB
// values (QRgb's layout), top row first.
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace texkit2::res {

using Bytes = std::vector<std::uint8_t>;

// A picture that these formats cannot hold (too many colours, a wrong size).
class FormatError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb; // straight (not premultiplied) alpha
};

// A picture of at most 256 colours: indices into `palette` (0x00RRGGBB), top row first.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> palette;
  std::vector<std::uint8_t> pixels;
};

// One image of an icon group: stored as given PNG bytes when `png` is not empty (the 256 size,
// as Windows Vista and later read it), else as a 32-bit DIB with an AND mask.
struct IconImage {
  PixelImage pixels;
  Bytes png;
};

// The .ico file of an icon group (images of 1 to 256 pixels, square).
Bytes iconFile(const std::vector<IconImage>& images);

// A 24-bit .bmp file of an opaque picture. Not indexed: an image list made from a 4- or 8-bit
// bitmap keeps its pictures in the system's standard palette, which would change their colours.
Bytes bitmapFile(const PixelImage& image);

// One frame in BI_RLE8, bottom row first as DIBs are stored, with no skips: every pixel is
// written, so a frame never depends on the one before it.
Bytes rle8Frame(const IndexedImage& frame);

enum class ClipCompression { None, Rle8 };

// A silent clip of equal frames that share one palette (the frames' palettes are ignored).
struct ClipFrames {
  int frameMs = 0;
  std::vector<std::uint32_t> palette;
  std::vector<IndexedImage> frames;
};

// A RIFF AVI file with one video stream of 8-bit DIB frames, each a key frame, and an index.
Bytes aviFile(const ClipFrames& clip, ClipCompression compression);

// Pictures with transparency made into indexed frames for a clip: the pixels whose alpha is
// below `opaqueFrom` become palette entry 0, the colour `key`; the others are laid over
// `background` and share at most 255 more colours (exact when they have no more, else a
// median cut). One palette for all, so that every frame of a clip can use it.
std::vector<IndexedImage> indexedWithKey(const std::vector<PixelImage>& pictures, std::uint32_t key,
                                         std::uint32_t background, int opaqueFrom);

} // namespace texkit2::res
