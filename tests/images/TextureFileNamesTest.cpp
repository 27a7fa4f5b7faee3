#include "images/TextureFileNames.h"

#include "platform/AsciiCase.h"

#include <gtest/gtest.h>
#include <set>

namespace texkit2::images {
namespace {

TEST(TextureFileNamesTest, WritesWhatWindowsForbidsOrFoldsAsEscapes) {
  const struct {
    std::string name;
    int level;
    std::string file;
  } cases[] = {
      {"wall1", 0, "wall1.png"},
      {"+0slime", 0, "+0slime.png"},
      {"{grate", 2, "{grate.mip2.png"},
      {"*water1", 0, "%2Awater1.png"},
      {"*water1", 3, "%2Awater1.mip3.png"},
      {"WALL1", 0, "^W^A^L^L1.png"},
      {"+0Displ_1", 1, "+0^Displ_1.mip1.png"},
      {"a<b>c:d\"e/f\\g|h?i", 0, "a%3Cb%3Ec%3Ad%22e%2Ff%5Cg%7Ch%3Fi.png"},
      {"50%^2", 0, "50%25%5E2.png"},
      {"e1m1.tex ", 0, "e1m1%2Etex%20.png"},
      {std::string("caf\xe9\x01", 5), 0, "caf%E9%01.png"},
      {"con", 0, "%63on.png"},
      {"lpt9", 1, "%6Cpt9.mip1.png"},
      {"com", 0, "com.png"},
      {"console", 0, "console.png"},
      {"CON", 0, "^C^O^N.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextureFileName(c.name, c.level), c.file);
    const auto parsed = ParseTextureFileName(c.file);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->name, c.name);
    EXPECT_EQ(parsed->level, c.level);
  }
}

// Every name of one or two bytes: back to itself, and never into the file of another name,
// not even where letter case is not told apart.
TEST(TextureFileNamesTest, IsReversibleAndOneFilePerNameInAnyLetterCase) {
  std::set<std::string> folded;
  std::size_t names = 0;
  for (int a = 1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      std::string name(1, static_cast<char>(a));
      if (b != 0) {
        name += static_cast<char>(b);
      }
      for (const int level : {0, 1}) {
        const std::string file = TextureFileName(name, level);
        const auto parsed = ParseTextureFileName(file);
        ASSERT_TRUE(parsed.has_value()) << file;
        ASSERT_EQ(parsed->name, name) << file;
        ASSERT_EQ(parsed->level, level) << file;
        folded.insert(platform::lowerAscii(file));
        ++names;
      }
    }
  }
  EXPECT_EQ(folded.size(), names);
}

TEST(TextureFileNamesTest, ParsesOnlyItsOwnFileNames) {
  for (const char* file : {"wall1.PNG", "wall1", ".png", "WALL1.png", "%2awater.png",
                           "%2Awater.jpg", "%2.png", "^w.png", "*water.png", "a.mip4.png",
                           "a.mip0.png", "a.b.png", "a.mip1.mip2.png", "a b.png"}) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(ParseTextureFileName(file).has_value());
  }
}

} // namespace
} // namespace texkit2::images
