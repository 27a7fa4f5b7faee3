#include "images/TextureFileNames.h"

#include "platform/AsciiCase.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace texkit2::images {
namespace {

TEST(TextureFileNamesTest, KeepsPortableNamesAndChangesOnlyWhatSomeSystemRefuses) {
  const struct {
    std::string name;
    std::string stem;
  } cases[] = {
      {"wall1", "wall1"},
      {"WALL1", "WALL1"},
      {"+0Displ_1", "+0Displ_1"},
      {"{grate", "{grate"},
      {"50%^2 e1m1.tex", "50%^2 e1m1.tex"},
      {"*water1", "#water1"},
      {"a<b>c:d\"e/f\\g|h?i", "a%3Cb%3Ec%3Ad%22e%2Ff%5Cg%7Ch%3Fi"},
      {std::string("caf\xe9\x01\x7f", 6), "caf%E9%01%7F"},
      {"con", "con_"},
      {"NUL", "NUL_"},
      {"Lpt9.tex", "Lpt9_.tex"},
      {"aux .x", "aux _.x"},
      {"com1", "com1_"},
      {"com0", "com0"},
      {"com", "com"},
      {"console", "console"},
      {"prn1", "prn1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PortableTextureName(c.name), c.stem);
  }
  EXPECT_EQ(TextureFileName("#water1"), "#water1.png");
  EXPECT_EQ(TextureFileName("#water1", 3), "#water1.mip3.png");
}

TEST(TextureFileNamesTest, NumbersFilesThatWouldMeetEarlierOnes) {
  const struct {
    std::vector<std::string> names;
    int levels;
    std::vector<std::string> stems;
  } cases[] = {
      {{"wall1", "WALL1", "Wall1"}, 1, {"wall1", "WALL1~2", "Wall1~3"}},
      {{"*water1", "#water1", "#WATER1"}, 1, {"#water1", "#water1~2", "#WATER1~3"}},
      {{"a:b", "a%3Ab"}, 1, {"a%3Ab", "a%3Ab~2"}},
      {{"wall1~2", "wall1", "wall1"}, 1, {"wall1~2", "wall1", "wall1~3"}},
      {{"con", "con_"}, 1, {"con_", "con_~2"}},
      // With the smaller levels, a name ending in .mip1 meets level 1 of another.
      {{"a", "a.mip1"}, 4, {"a", "a.mip1~2"}},
      {{"a", "a.mip1"}, 1, {"a", "a.mip1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names.front() + ", " + std::to_string(c.levels) + " levels");
    TextureFileNamer namer(c.levels);
    std::vector<std::string> stems;
    for (const auto& name : c.names) {
      stems.push_back(namer.stem(name));
    }
    EXPECT_EQ(stems, c.stems);
  }
}

// Every name of one or two bytes: a file every system takes, and none that meets another's in
// any letter case.
TEST(TextureFileNamesTest, GivesEveryNameAPortableFileOfItsOwn) {
  TextureFileNamer namer(4);
  std::set<std::string> folded;
  std::size_t files = 0;
  for (int a = 1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      std::string name(1, static_cast<char>(a));
      if (b != 0) {
        name += static_cast<char>(b);
      }
      const std::string stem = namer.stem(name);
      for (int level = 0; level < 4; ++level) {
        const std::string file = TextureFileName(stem, level);
        for (const char c : file) {
          const auto byte = static_cast<unsigned char>(c);
          ASSERT_TRUE(byte >= 0x20 && byte < 0x7F &&
                      std::string_view("/\\:?\"<>|*").find(c) == std::string_view::npos)
              << file;
        }
        folded.insert(platform::lowerAscii(file));
        ++files;
      }
    }
  }
  EXPECT_EQ(folded.size(), files);
}

} // namespace
} // namespace texkit2::images
