#include "images/Png.h"

#include "tests/common/PngReader.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

namespace texkit2::images {
namespace {

Image gradient(std::int32_t width, std::int32_t height, std::int32_t channels) {
  Image image{width, height, channels, {}};
  for (std::int32_t i = 0; i < width * height * channels; ++i) {
    image.pixels.push_back(static_cast<std::uint8_t>(i * 7 + i / 5));
  }
  return image;
}

TEST(PngTest, ReadsBackAsWritten) {
  for (const std::int32_t channels : {3, 4}) {
    SCOPED_TRACE(channels);
    const Image image = gradient(17, 5, channels);
    const Image back = testing::decodePng(EncodePng(image));
    EXPECT_EQ(back.width, 17);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.channels, channels);
    EXPECT_EQ(back.pixels, image.pixels);
  }
}

TEST(PngTest, RefusesWhatCannotBeAPngFile) {
  Image wrongSize = gradient(4, 4, 3);
  wrongSize.pixels.pop_back();
  const struct {
    const char* what;
    Image image;
    std::string error;
  } cases[] = {
      {"empty", Image{0, 8, 3, {}}, "an image of 0 x 8 pixels cannot be a PNG file"},
      {"grey", Image{1, 1, 1, {0}}, "1 channels: neither RGB nor RGBA"},
      {"too large", Image{40000, 40000, 4, {}}, "is too large for one PNG file"},
      {"short of pixels", wrongSize, "an image of 4 x 4 pixels holds 47 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      EncodePng(c.image);
      ADD_FAILURE() << "encoded";
    } catch (const ImageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
}

// JPEG and TGA hold each dimension in 16 bits: a wider picture is refused, not cut short.
TEST(PngTest, RefusesWhatAFormatCannotHold) {
  const Image wide = gradient(0x10000, 1, 3);
  const struct {
    ImageFormat format;
    bool fits;
  } cases[] = {{ImageFormat::Png, true},
               {ImageFormat::Bmp, true},
               {ImageFormat::Jpeg, false},
               {ImageFormat::Tga, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    if (c.fits) {
      EXPECT_FALSE(EncodeImage(wide, c.format).empty());
    } else {
      EXPECT_THROW(EncodeImage(wide, c.format), ImageError);
    }
  }
}

TEST(PngTest, WritesAFileOrSaysWhyNot) {
  testing::TempFolder folder;
  const Image image = gradient(3, 2, 3);
  WritePngFile(platform::hostFileSystem(), (folder / "a.png").string(), image);
  EXPECT_EQ(testing::readPng(folder / "a.png").pixels, image.pixels);
  const std::string nowhere = (folder / "missing" / "a.png").string();
  try {
    WritePngFile(platform::hostFileSystem(), nowhere, image);
    ADD_FAILURE() << "written";
  } catch (const ImageError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(nowhere + " cannot be created", 0), 0u)
        << error.what();
  }
}

} // namespace
} // namespace texkit2::images
