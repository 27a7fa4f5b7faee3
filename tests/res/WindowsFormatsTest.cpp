// The .ico, .bmp and .avi files of the Win32 resources, read back field by field.
#include "res/draw/WindowsFormats.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>

namespace texkit2::res {
namespace {

std::uint32_t u16At(const Bytes& b, std::size_t at) {
  return b.at(at) | static_cast<std::uint32_t>(b.at(at + 1)) << 8;
}
std::uint32_t u32At(const Bytes& b, std::size_t at) {
  return u16At(b, at) | u16At(b, at + 2) << 16;
}
std::string fourccAt(const Bytes& b, std::size_t at) {
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                     b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

// A BI_RLE8 decoder as GDI reads the format: encoded runs, absolute runs padded to 16 bits,
// end of line, end of bitmap; bottom row first. Deltas are never written, so they fail here.
std::vector<std::uint8_t> decodeRle8(const Bytes& data, int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height), 0xEE);
  int x = 0;
  int y = height - 1;
  std::size_t at = 0;
  auto put = [&](std::uint8_t index) {
    if (x >= width || y < 0) {
      throw std::runtime_error("pixel outside the frame");
    }
    pixels[static_cast<std::size_t>(y * width + x++)] = index;
  };
  while (true) {
    const std::uint8_t count = data.at(at++);
    const std::uint8_t value = data.at(at++);
    if (count > 0) {
      for (int i = 0; i < count; ++i) {
        put(value);
      }
    } else if (value == 0) {
      x = 0;
      --y;
    } else if (value == 1) {
      if (at != data.size()) {
        throw std::runtime_error("bytes after the end of the bitmap");
      }
      return pixels;
    } else if (value == 2) {
      throw std::runtime_error("a delta");
    } else {
      for (int i = 0; i < value; ++i) {
        put(data.at(at++));
      }
      at += value % 2;
    }
  }
}

IndexedImage rows(const std::vector<std::vector<std::uint8_t>>& lines) {
  IndexedImage image{static_cast<int>(lines.front().size()),
                     static_cast<int>(lines.size()),
                     std::vector<std::uint32_t>(256, 0),
                     {}};
  for (const auto& line : lines) {
    image.pixels.insert(image.pixels.end(), line.begin(), line.end());
  }
  return image;
}

std::vector<std::uint8_t> repeat(std::size_t n, std::uint8_t v) {
  return std::vector<std::uint8_t>(n, v);
}

TEST(WindowsFormats, Rle8FramesDecodeToTheirPixels) {
  std::vector<std::uint8_t> ramp;
  for (int i = 0; i < 300; ++i) {
    ramp.push_back(static_cast<std::uint8_t>(i % 251));
  }
  const struct {
    const char* name;
    IndexedImage frame;
  } cases[] = {
      {"one pixel", rows({{7}})},
      {"two unequal", rows({{1, 2}})},
      {"three unequal (the shortest absolute run)", rows({{1, 2, 3}})},
      {"an odd absolute run, padded", rows({{1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}})},
      {"pairs inside unequal pixels", rows({{1, 1, 2, 3, 3, 4, 5, 5, 5, 6}})},
      {"a run longer than one count", rows({repeat(300, 9), repeat(300, 0)})},
      {"unequal pixels longer than one count", rows({ramp, ramp})},
      {"runs at both ends", rows({{4, 4, 4, 1, 2, 3, 4, 4, 4}, {0, 1, 0, 1, 0, 1, 0, 1, 0}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = rle8Frame(c.frame);
    EXPECT_EQ(decodeRle8(data, c.frame.width, c.frame.height), c.frame.pixels);
    EXPECT_EQ(data.size() % 2, 0u);
  }
  EXPECT_EQ(rle8Frame(rows({repeat(260, 0)})), (Bytes{255, 0, 5, 0, 0, 1}));
}

// The chunks of a RIFF list's body: id -> offsets of their data.
std::multimap<std::string, std::size_t> chunksIn(const Bytes& b, std::size_t from, std::size_t to) {
  std::multimap<std::string, std::size_t> chunks;
  while (from + 8 <= to) {
    const std::size_t size = u32At(b, from + 4);
    chunks.emplace(fourccAt(b, from), from + 8);
    from += 8 + size + size % 2;
  }
  EXPECT_EQ(from, to);
  return chunks;
}

TEST(WindowsFormats, AviHoldsEveryFrameAsAKeyFrameWithAnIndex) {
  const struct {
    ClipCompression compression;
    const char* handler;
    std::uint32_t biCompression;
    const char* frameChunk;
  } cases[] = {{ClipCompression::Rle8, "RLE ", 1, "00dc"},
               {ClipCompression::None, "DIB ", 0, "00db"}};
  ClipFrames clip{200, {0xFF00FF, 0x000000, 0xFFFF00}, {}};
  for (int f = 0; f < 3; ++f) {
    IndexedImage frame{5, 3, clip.palette, std::vector<std::uint8_t>(15, 0)};
    frame.pixels[static_cast<std::size_t>(f + 4)] = 2;
    clip.frames.push_back(frame);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.handler);
    const Bytes avi = aviFile(clip, c.compression);
    ASSERT_EQ(fourccAt(avi, 0), "RIFF");
    EXPECT_EQ(u32At(avi, 4), avi.size() - 8);
    ASSERT_EQ(fourccAt(avi, 8), "AVI ");
    const auto top = chunksIn(avi, 12, avi.size());
    ASSERT_EQ(top.count("LIST"), 2u);
    ASSERT_EQ(top.count("idx1"), 1u);
    const std::size_t hdrl = top.find("LIST")->second;
    ASSERT_EQ(fourccAt(avi, hdrl), "hdrl");
    const std::size_t movi = std::next(top.find("LIST"))->second;
    ASSERT_EQ(fourccAt(avi, movi), "movi");

    const auto header = chunksIn(avi, hdrl + 4, hdrl + u32At(avi, hdrl - 4));
    const std::size_t avih = header.find("avih")->second;
    EXPECT_EQ(u32At(avi, avih - 4), 56u);
    EXPECT_EQ(u32At(avi, avih), 200000u); // microseconds a frame
    EXPECT_EQ(u32At(avi, avih + 16), 3u); // frames
    EXPECT_EQ(u32At(avi, avih + 24), 1u); // streams
    EXPECT_EQ(u32At(avi, avih + 32), 5u);
    EXPECT_EQ(u32At(avi, avih + 36), 3u);
    const std::size_t strl = header.find("LIST")->second;
    ASSERT_EQ(fourccAt(avi, strl), "strl");
    const auto stream = chunksIn(avi, strl + 4, strl + u32At(avi, strl - 4));
    const std::size_t strh = stream.find("strh")->second;
    EXPECT_EQ(fourccAt(avi, strh), "vids");
    EXPECT_EQ(fourccAt(avi, strh + 4), c.handler);
    EXPECT_EQ(u32At(avi, strh + 20), 200u); // scale / rate: 0.2 s
    EXPECT_EQ(u32At(avi, strh + 24), 1000u);
    EXPECT_EQ(u32At(avi, strh + 32), 3u);
    const std::size_t strf = stream.find("strf")->second;
    EXPECT_EQ(u32At(avi, strf - 4), 40u + 4 * 3);
    EXPECT_EQ(u16At(avi, strf + 14), 8u);
    EXPECT_EQ(u32At(avi, strf + 16), c.biCompression);
    EXPECT_EQ(u32At(avi, strf + 32), 3u);        // colours
    EXPECT_EQ(u32At(avi, strf + 40), 0xFF00FFu); // palette entry 0: B, G, R, 0

    // The movie holds the frames alone (the animation control counts its chunks), and the
    // index points at each one, counted from the list's type.
    const auto frames = chunksIn(avi, movi + 4, movi + u32At(avi, movi - 4));
    ASSERT_EQ(frames.size(), 3u);
    ASSERT_EQ(frames.count(c.frameChunk), 3u);
    const std::size_t idx1 = top.find("idx1")->second;
    EXPECT_EQ(u32At(avi, idx1 - 4), 3u * 16);
    std::size_t i = 0;
    for (const auto& [id, data] : frames) {
      (void)id;
      SCOPED_TRACE(i);
      const std::size_t entry = idx1 + 16 * i++;
      EXPECT_EQ(fourccAt(avi, entry), c.frameChunk);
      EXPECT_EQ(u32At(avi, entry + 4), 0x10u); // key frame
      EXPECT_EQ(movi + u32At(avi, entry + 8) + 8, data);
      EXPECT_EQ(u32At(avi, entry + 12), u32At(avi, data - 4));
    }
  }
}

TEST(WindowsFormats, IconHoldsBitmapsWithMasksAndPngAsGiven) {
  PixelImage small{16, 16, std::vector<std::uint32_t>(256, 0xFF102030)};
  small.argb[0] = 0x00000000;  // transparent: masked
  small.argb[15] = 0x7F102030; // half: masked for systems without alpha
  const Bytes png = {0x89, 'P', 'N', 'G'};
  const Bytes ico = iconFile({{small, {}}, {{256, 256, std::vector<std::uint32_t>(65536)}, png}});
  EXPECT_EQ(u16At(ico, 2), 1u);
  ASSERT_EQ(u16At(ico, 4), 2u);
  EXPECT_EQ(ico[6], 16);
  EXPECT_EQ(ico[6 + 16], 0); // 256 is written as 0
  EXPECT_EQ(u16At(ico, 6 + 6), 32u);
  const std::size_t dib = u32At(ico, 6 + 12);
  EXPECT_EQ(u32At(ico, 6 + 8), 40u + 16 * 16 * 4 + 16 * 4);
  EXPECT_EQ(u32At(ico, dib + 8), 32u); // twice the height: colours and mask
  // Top row last: its first pixel's colour, then its mask bits.
  const std::size_t topRow = dib + 40 + 15 * 16 * 4;
  EXPECT_EQ(u32At(ico, topRow + 4), 0xFF102030u);
  const std::size_t topMask = dib + 40 + 16 * 16 * 4 + 15 * 4;
  EXPECT_EQ(ico[topMask], 0x80);
  EXPECT_EQ(ico[topMask + 1], 0x01);
  EXPECT_EQ(ico[topMask - 4], 0x00);
  const std::size_t stored = u32At(ico, 6 + 16 + 12);
  EXPECT_EQ(Bytes(ico.begin() + static_cast<std::ptrdiff_t>(stored), ico.end()), png);
  EXPECT_THROW(iconFile({{{16, 8, std::vector<std::uint32_t>(128)}, {}}}), FormatError);
}

TEST(WindowsFormats, BitmapIs24BitsBottomUpWithPaddedRows) {
  PixelImage image{3, 2, {0xFFFF00FF, 0xFF000000, 0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}};
  const Bytes bmp = bitmapFile(image);
  EXPECT_EQ(fourccAt(bmp, 0).substr(0, 2), "BM");
  EXPECT_EQ(u32At(bmp, 2), bmp.size());
  EXPECT_EQ(u32At(bmp, 10), 54u);
  EXPECT_EQ(u16At(bmp, 28), 24u);
  EXPECT_EQ(bmp.size(), 54u + 2 * 12); // rows of 9 bytes padded to 12
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 57), (Bytes{0x66, 0x55, 0x44}));
  EXPECT_EQ(Bytes(bmp.begin() + 66, bmp.begin() + 69), (Bytes{0xFF, 0x00, 0xFF}));
}

TEST(WindowsFormats, ClipPicturesShareOnePaletteWithTheKeyFirst) {
  PixelImage a{2, 1, {0x00000000, 0xFF00FF00}};
  PixelImage b{2, 1, {0x80FFFFFF, 0xFFFF00FF}}; // half white; a drawn pixel of the key colour
  const auto indexed = indexedWithKey({a, b}, 0xFF00FF, 0x000000, 64);
  ASSERT_EQ(indexed.size(), 2u);
  EXPECT_EQ(indexed[0].palette, indexed[1].palette);
  const auto& palette = indexed[0].palette;
  EXPECT_EQ(palette.front(), 0xFF00FFu);
  EXPECT_EQ(indexed[0].pixels[0], 0);
  EXPECT_EQ(palette[indexed[0].pixels[1]], 0x00FF00u);
  EXPECT_EQ(palette[indexed[1].pixels[0]], 0x808080u); // laid over the black background
  EXPECT_NE(indexed[1].pixels[1], 0);
  EXPECT_NE(palette[indexed[1].pixels[1]], 0xFF00FFu);

  // More colours than a palette holds are cut down to 255 and the key.
  PixelImage many{4096, 1, {}};
  for (std::uint32_t i = 0; i < 4096; ++i) {
    many.argb.push_back(0xFF000000 | (i & 0xF) << 20 | (i >> 4 & 0xF) << 12 | (i >> 8) << 4);
  }
  const auto reduced = indexedWithKey({many}, 0xFF00FF, 0, 64);
  EXPECT_LE(reduced[0].palette.size(), 256u);
  EXPECT_GT(reduced[0].palette.size(), 200u);
  for (std::size_t i = 0; i < many.argb.size(); i += 97) {
    const std::uint32_t want = many.argb[i];
    const std::uint32_t got = reduced[0].palette[reduced[0].pixels[i]];
    for (int shift = 0; shift <= 16; shift += 8) {
      const int diff =
          static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF);
      EXPECT_LE(std::abs(diff), 48) << i;
    }
  }
}

} // namespace
} // namespace texkit2::res
