#include "res/draw/WindowsFormats.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <string>

namespace texkit2::res {
namespace {

// On-disk layouts, as the Windows SDK declares them.
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kIconDirSize = 6;
constexpr std::uint32_t kIconDirEntrySize = 16;
constexpr std::uint32_t kBitmapFileHeaderSize = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;

class Writer {
 public:
  Bytes bytes;

  std::size_t size() const { return bytes.size(); }
  void u8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
  void u16(std::uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void fourcc(const char (&code)[5]) {
    for (int i = 0; i < 4; ++i) {
      u8(static_cast<std::uint8_t>(code[i]));
    }
  }
  void append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
  void patch32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
  }

  // RIFF chunks: an id, a size patched when the chunk ends, the data padded to an even size.
  std::size_t beginChunk(const char (&id)[5]) {
    fourcc(id);
    const std::size_t sizeAt = size();
    u32(0);
    return sizeAt;
  }
  std::size_t beginList(const char (&id)[5], const char (&type)[5]) {
    const std::size_t sizeAt = beginChunk(id);
    fourcc(type);
    return sizeAt;
  }
  void endChunk(std::size_t sizeAt) {
    patch32(sizeAt, static_cast<std::uint32_t>(size() - sizeAt - 4));
    if (size() % 2 != 0) {
      u8(0);
    }
  }
};

std::uint32_t u32Of(std::size_t v) {
  if (v > 0xFFFFFFFFu) {
    throw FormatError("file larger than 4 GiB");
  }
  return static_cast<std::uint32_t>(v);
}

std::uint32_t alphaOf(std::uint32_t argb) {
  return argb >> 24;
}

void bitmapInfoHeader(Writer& w, int width, int height, int bitCount, std::uint32_t compression,
                      std::size_t imageSize, std::size_t colours) {
  w.u32(kBitmapInfoHeaderSize);
  w.i32(width);
  w.i32(height);
  w.u16(1);
  w.u16(static_cast<std::uint32_t>(bitCount));
  w.u32(compression);
  w.u32(u32Of(imageSize));
  w.i32(0);
  w.i32(0);
  w.u32(u32Of(colours));
  w.u32(u32Of(colours));
}

void palette(Writer& w, const std::vector<std::uint32_t>& colours) {
  for (const std::uint32_t rgb : colours) {
    w.u8(rgb);       // blue
    w.u8(rgb >> 8);  // green
    w.u8(rgb >> 16); // red
    w.u8(0);
  }
}

std::size_t rowBytes(int width, int bitCount) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
}

void checkImage(const IndexedImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() !=
          static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
    throw FormatError("indexed image of a wrong size");
  }
  if (image.palette.empty() || image.palette.size() > 256) {
    throw FormatError("indexed image with " + std::to_string(image.palette.size()) + " colours");
  }
  for (const std::uint8_t index : image.pixels) {
    if (index >= image.palette.size()) {
      throw FormatError("pixel outside the palette");
    }
  }
}

std::uint8_t at(const IndexedImage& image, int x, int y) {
  return image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                      static_cast<std::size_t>(x)];
}

// An uncompressed 8-bit DIB: bottom row first, each row padded to four bytes.
Bytes dib8(const IndexedImage& frame) {
  Writer w;
  const std::size_t stride = rowBytes(frame.width, 8);
  for (int y = frame.height - 1; y >= 0; --y) {
    for (int x = 0; x < frame.width; ++x) {
      w.u8(at(frame, x, y));
    }
    for (std::size_t pad = static_cast<std::size_t>(frame.width); pad < stride; ++pad) {
      w.u8(0);
    }
  }
  return w.bytes;
}

// Median cut over the histogram, then every colour to its box's weighted mean.
std::map<std::uint32_t, std::uint32_t>
reduceColours(const std::map<std::uint32_t, std::size_t>& counts, std::size_t most) {
  struct Entry {
    std::uint32_t rgb;
    std::size_t count;
  };
  using Box = std::vector<Entry>;
  auto channel = [](std::uint32_t rgb, int c) { return (rgb >> (16 - 8 * c)) & 0xFF; };
  auto widest = [&](const Box& box, std::uint32_t& range) {
    int best = 0;
    range = 0;
    for (int c = 0; c < 3; ++c) {
      std::uint32_t lo = 255;
      std::uint32_t hi = 0;
      for (const Entry& e : box) {
        lo = std::min(lo, channel(e.rgb, c));
        hi = std::max(hi, channel(e.rgb, c));
      }
      if (hi - lo > range) {
        range = hi - lo;
        best = c;
      }
    }
    return best;
  };
  std::vector<Box> boxes(1);
  for (const auto& [rgb, count] : counts) {
    boxes[0].push_back({rgb, count});
  }
  while (boxes.size() < most) {
    // Split the box whose widest channel spans most; boxes of one colour cannot split.
    std::size_t pick = boxes.size();
    std::uint32_t pickRange = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      std::uint32_t range = 0;
      widest(boxes[i], range);
      if (boxes[i].size() > 1 && range > pickRange) {
        pick = i;
        pickRange = range;
      }
    }
    if (pick == boxes.size()) {
      break;
    }
    Box& box = boxes[pick];
    std::uint32_t range = 0;
    const int c = widest(box, range);
    std::sort(box.begin(), box.end(), [&](const Entry& a, const Entry& b) {
      return channel(a.rgb, c) < channel(b.rgb, c);
    });
    std::size_t total = 0;
    for (const Entry& e : box) {
      total += e.count;
    }
    std::size_t half = 0;
    std::size_t cut = 1;
    for (; cut < box.size(); ++cut) {
      half += box[cut - 1].count;
      if (half * 2 >= total) {
        break;
      }
    }
    cut = std::min(cut, box.size() - 1);
    Box upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
    box.resize(cut);
    boxes.push_back(std::move(upper));
  }
  std::map<std::uint32_t, std::uint32_t> mapped;
  for (const Box& box : boxes) {
    std::array<std::size_t, 3> sum{};
    std::size_t total = 0;
    for (const Entry& e : box) {
      for (int c = 0; c < 3; ++c) {
        sum[static_cast<std::size_t>(c)] += channel(e.rgb, c) * e.count;
      }
      total += e.count;
    }
    std::uint32_t mean = 0;
    for (int c = 0; c < 3; ++c) {
      mean = (mean << 8) |
             static_cast<std::uint32_t>((sum[static_cast<std::size_t>(c)] + total / 2) / total);
    }
    for (const Entry& e : box) {
      mapped[e.rgb] = mean;
    }
  }
  return mapped;
}

std::uint32_t over(std::uint32_t argb, std::uint32_t background) {
  const std::uint32_t a = alphaOf(argb);
  std::uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const std::uint32_t f = (argb >> shift) & 0xFF;
    const std::uint32_t b = (background >> shift) & 0xFF;
    out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

} // namespace

Bytes iconFile(const std::vector<IconImage>& images) {
  if (images.empty()) {
    throw FormatError("an icon without images");
  }
  std::vector<Bytes> blobs;
  for (const IconImage& image : images) {
    const PixelImage& p = image.pixels;
    if (p.width != p.height || p.width < 1 || p.width > 256 ||
        p.argb.size() != static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height)) {
      throw FormatError("icon images are square, 1 to 256 pixels");
    }
    if (!image.png.empty()) {
      blobs.push_back(image.png);
      continue;
    }
    // A 32-bit DIB of twice the height: the colours, then the AND mask that systems without
    // alpha blending use (set bits are transparent).
    Writer w;
    const std::size_t maskStride = rowBytes(p.width, 1);
    const std::size_t colourSize = p.argb.size() * 4;
    bitmapInfoHeader(w, p.width, p.height * 2, 32, kBiRgb,
                     colourSize + maskStride * static_cast<std::size_t>(p.height), 0);
    for (int y = p.height - 1; y >= 0; --y) {
      for (int x = 0; x < p.width; ++x) {
        w.u32(p.argb[static_cast<std::size_t>(y * p.width + x)]); // B, G, R, A in memory
      }
    }
    for (int y = p.height - 1; y >= 0; --y) {
      Bytes row(maskStride, 0);
      for (int x = 0; x < p.width; ++x) {
        if (alphaOf(p.argb[static_cast<std::size_t>(y * p.width + x)]) < 128) {
          row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
      }
      w.append(row);
    }
    blobs.push_back(w.bytes);
  }
  Writer w;
  w.u16(0);
  w.u16(1); // an icon, not a cursor
  w.u16(static_cast<std::uint32_t>(images.size()));
  std::size_t offset = kIconDirSize + kIconDirEntrySize * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int side = images[i].pixels.width;
    w.u8(side == 256 ? 0 : static_cast<std::uint32_t>(side));
    w.u8(side == 256 ? 0 : static_cast<std::uint32_t>(side));
    w.u8(0); // more than 256 colours
    w.u8(0);
    w.u16(1);
    w.u16(32);
    w.u32(u32Of(blobs[i].size()));
    w.u32(u32Of(offset));
    offset += blobs[i].size();
  }
  for (const Bytes& blob : blobs) {
    w.append(blob);
  }
  return w.bytes;
}

Bytes bitmapFile(const PixelImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.argb.size() !=
          static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
    throw FormatError("bitmap of a wrong size");
  }
  const std::size_t stride = rowBytes(image.width, 24);
  Writer pixels;
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t argb = image.argb[static_cast<std::size_t>(y * image.width + x)];
      pixels.u8(argb);       // blue
      pixels.u8(argb >> 8);  // green
      pixels.u8(argb >> 16); // red
    }
    for (std::size_t pad = static_cast<std::size_t>(image.width) * 3; pad < stride; ++pad) {
      pixels.u8(0);
    }
  }
  const std::size_t headers = kBitmapFileHeaderSize + kBitmapInfoHeaderSize;
  Writer w;
  w.u8('B');
  w.u8('M');
  w.u32(u32Of(headers + pixels.size()));
  w.u32(0);
  w.u32(u32Of(headers));
  bitmapInfoHeader(w, image.width, image.height, 24, kBiRgb, pixels.size(), 0);
  w.append(pixels.bytes);
  return w.bytes;
}

Bytes rle8Frame(const IndexedImage& frame) {
  checkImage(frame);
  Writer w;
  for (int y = frame.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < frame.width) {
      int run = 1;
      while (x + run < frame.width && run < 255 && at(frame, x + run, y) == at(frame, x, y)) {
        ++run;
      }
      if (run >= 2) {
        w.u8(static_cast<std::uint32_t>(run));
        w.u8(at(frame, x, y));
        x += run;
        continue;
      }
      // Unequal pixels up to the next run of three: absolute mode holds three or more.
      int end = x + 1;
      while (end < frame.width && end - x < 255 &&
             !(end + 2 < frame.width && at(frame, end, y) == at(frame, end + 1, y) &&
               at(frame, end, y) == at(frame, end + 2, y))) {
        ++end;
      }
      const int count = end - x;
      if (count < 3) {
        for (int i = 0; i < count; ++i) {
          w.u8(1);
          w.u8(at(frame, x + i, y));
        }
      } else {
        w.u8(0);
        w.u8(static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i) {
          w.u8(at(frame, x + i, y));
        }
        if (count % 2 != 0) {
          w.u8(0); // absolute runs end on a 16-bit boundary
        }
      }
      x = end;
    }
    w.u8(0);
    w.u8(y == 0 ? 1 : 0); // end of the bitmap after the top row, else end of the line
  }
  return w.bytes;
}

Bytes aviFile(const ClipFrames& clip, ClipCompression compression) {
  if (clip.frames.empty() || clip.frameMs <= 0) {
    throw FormatError("a clip without frames or frame time");
  }
  const int width = clip.frames.front().width;
  const int height = clip.frames.front().height;
  std::vector<Bytes> data;
  std::size_t largest = 0;
  for (const IndexedImage& frame : clip.frames) {
    IndexedImage f = frame;
    f.palette = clip.palette;
    if (f.width != width || f.height != height) {
      throw FormatError("clip frames of different sizes");
    }
    data.push_back(compression == ClipCompression::Rle8 ? rle8Frame(f) : (checkImage(f), dib8(f)));
    largest = std::max(largest, data.back().size());
  }
  const std::uint32_t frames = u32Of(data.size());
  const std::uint32_t microSeconds = static_cast<std::uint32_t>(clip.frameMs) * 1000;
  const bool rle = compression == ClipCompression::Rle8;

  Writer w;
  const std::size_t riff = w.beginList("RIFF", "AVI ");
  const std::size_t hdrl = w.beginList("LIST", "hdrl");
  const std::size_t avih = w.beginChunk("avih");
  w.u32(microSeconds);
  w.u32(u32Of(largest * 1000 / static_cast<std::size_t>(clip.frameMs)));
  w.u32(0); // padding granularity
  w.u32(kAvifHasIndex);
  w.u32(frames);
  w.u32(0); // initial frames
  w.u32(1); // streams
  w.u32(u32Of(largest));
  w.i32(width);
  w.i32(height);
  for (int i = 0; i < 4; ++i) {
    w.u32(0);
  }
  w.endChunk(avih);
  const std::size_t strl = w.beginList("LIST", "strl");
  const std::size_t strh = w.beginChunk("strh");
  w.fourcc("vids");
  if (rle) {
    w.fourcc("RLE ");
  } else {
    w.fourcc("DIB ");
  }
  w.u32(0);                                        // flags
  w.u16(0);                                        // priority
  w.u16(0);                                        // language
  w.u32(0);                                        // initial frames
  w.u32(static_cast<std::uint32_t>(clip.frameMs)); // scale / rate = seconds a frame
  w.u32(1000);
  w.u32(0); // start
  w.u32(frames);
  w.u32(u32Of(largest));
  w.u32(0xFFFFFFFF); // default quality
  w.u32(0);          // sample size: frames vary
  w.u16(0);
  w.u16(0);
  w.u16(static_cast<std::uint32_t>(width));
  w.u16(static_cast<std::uint32_t>(height));
  w.endChunk(strh);
  const std::size_t strf = w.beginChunk("strf");
  // For RLE frames the image size is that of the largest frame: decoders read that far at
  // most and stop at each frame's end-of-bitmap code.
  bitmapInfoHeader(w, width, height, 8, rle ? kBiRle8 : kBiRgb,
                   rle ? largest : rowBytes(width, 8) * static_cast<std::size_t>(height),
                   clip.palette.size());
  palette(w, clip.palette);
  w.endChunk(strf);
  w.endChunk(strl);
  w.endChunk(hdrl);

  const std::size_t movi = w.beginList("LIST", "movi");
  const std::size_t moviStart = movi + 4; // offsets in the index count from the list's type
  std::vector<std::size_t> offsets;
  for (const Bytes& frame : data) {
    offsets.push_back(w.size() - moviStart);
    const std::size_t chunk = rle ? w.beginChunk("00dc") : w.beginChunk("00db");
    w.append(frame);
    w.endChunk(chunk);
  }
  w.endChunk(movi);
  const std::size_t idx1 = w.beginChunk("idx1");
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (rle) {
      w.fourcc("00dc");
    } else {
      w.fourcc("00db");
    }
    w.u32(kAviifKeyFrame);
    w.u32(u32Of(offsets[i]));
    w.u32(u32Of(data[i].size()));
  }
  w.endChunk(idx1);
  w.endChunk(riff);
  return w.bytes;
}

std::vector<IndexedImage> indexedWithKey(const std::vector<PixelImage>& pictures, std::uint32_t key,
                                         std::uint32_t background, int opaqueFrom) {
  const std::uint32_t threshold = static_cast<std::uint32_t>(opaqueFrom);
  std::map<std::uint32_t, std::size_t> counts;
  for (const PixelImage& p : pictures) {
    for (const std::uint32_t argb : p.argb) {
      if (alphaOf(argb) >= threshold) {
        ++counts[over(argb, background)];
      }
    }
  }
  std::map<std::uint32_t, std::uint32_t> mapped;
  if (counts.size() <= 255) {
    for (const auto& entry : counts) {
      mapped[entry.first] = entry.first;
    }
  } else {
    mapped = reduceColours(counts, 255);
  }
  std::vector<std::uint32_t> colours = {key & 0xFFFFFF};
  std::map<std::uint32_t, std::uint8_t> indexOf;
  for (auto& [from, to] : mapped) {
    if (to == (key & 0xFFFFFF)) {
      to ^= 1; // a drawn pixel must never take the transparent colour
    }
    if (indexOf.count(to) == 0) {
      indexOf[to] = static_cast<std::uint8_t>(colours.size());
      colours.push_back(to);
    }
  }
  std::vector<IndexedImage> out;
  for (const PixelImage& p : pictures) {
    IndexedImage image{p.width, p.height, colours, {}};
    image.pixels.reserve(p.argb.size());
    for (const std::uint32_t argb : p.argb) {
      image.pixels.push_back(alphaOf(argb) >= threshold
                                 ? indexOf.at(mapped.at(over(argb, background)))
                                 : std::uint8_t{0});
    }
    out.push_back(std::move(image));
  }
  return out;
}

} // namespace texkit2::res
