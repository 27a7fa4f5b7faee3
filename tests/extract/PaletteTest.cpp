#include "extract/Palette.h"

#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using fixtures::makePak;
using testing::TempFolder;

Bytes paletteOf(std::uint8_t fill) {
  return Bytes(kPaletteSize, fill);
}

bool isPalette(const PaletteLookup& lookup, std::uint8_t fill) {
  return lookup.palette && lookup.error.empty() &&
         std::all_of(lookup.palette->begin(), lookup.palette->end(),
                     [fill](std::uint8_t byte) { return byte == fill; });
}

TEST(PaletteTest, TakesTheLastArchiveThatHoldsOneAsTheEngineDoes) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  const Bytes withPalette1 = makePak({{"gfx/palette.lmp", paletteOf(1)}});
  const Bytes withPalette2 =
      makePak({{"maps/readme.txt", Bytes(3, 'x')}, {"gfx/palette.lmp", paletteOf(2)}});
  const Bytes without = makePak({{"gfx/colormap.lmp", Bytes(16385, 0)}});
  const struct {
    const char* what;
    std::vector<std::pair<std::string, Bytes>> files;
    int fill; // 0: none found
    std::string source;
  } cases[] = {
      {"PAK1 over PAK0",
       {{"PAK0.PAK", withPalette1}, {"PAK1.PAK", withPalette2}},
       2,
       "PAK1.PAK (gfx/palette.lmp)"},
      {"PAK1 without",
       {{"PAK0.PAK", withPalette1}, {"PAK1.PAK", without}},
       1,
       "PAK0.PAK (gfx/palette.lmp)"},
      {"PAK2 after PAK1",
       {{"PAK0.PAK", without}, {"pak1.pak", withPalette1}, {"PAK2.PAK", withPalette2}},
       2,
       "PAK2.PAK (gfx/palette.lmp)"},
      {"PAK3 after a missing PAK2",
       {{"PAK0.PAK", withPalette1}, {"PAK1.PAK", without}, {"PAK3.PAK", withPalette2}},
       1,
       "PAK0.PAK (gfx/palette.lmp)"},
      {"damaged PAK1",
       {{"PAK0.PAK", withPalette1}, {"PAK1.PAK", Bytes{'J', 'U', 'N', 'K'}}},
       1,
       "PAK0.PAK (gfx/palette.lmp)"},
      {"loose file after the archives",
       {{"PAK0.PAK", without}, {"gfx/palette.lmp", paletteOf(3)}},
       3,
       "gfx/palette.lmp"},
      {"archives before the loose file",
       {{"PAK0.PAK", withPalette1}, {"gfx/palette.lmp", paletteOf(3)}},
       1,
       "PAK0.PAK (gfx/palette.lmp)"},
      {"none", {{"PAK0.PAK", without}, {"PAK1.PAK", without}}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    for (const auto& [name, bytes] : c.files) {
      fixtures::writeFile(folder / name, bytes);
    }
    const auto lookup = FindGamePalette(platform::hostFileSystem(), folder.folderString());
    EXPECT_TRUE(lookup.error.empty()) << lookup.error;
    if (c.fill == 0) {
      EXPECT_FALSE(lookup.palette.has_value());
      EXPECT_TRUE(lookup.source.empty());
      continue;
    }
    EXPECT_TRUE(isPalette(lookup, static_cast<std::uint8_t>(c.fill)));
    EXPECT_EQ(lookup.source, folder.folderString() + c.source);
  }
}

TEST(PaletteTest, SaysWhereItLookedWhenThereIsNone) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  TempFolder folder;
  const std::string base = folder.folderString();
  auto lookup = FindGamePalette(platform::hostFileSystem(), base);
  EXPECT_EQ(lookup.looked,
            (std::vector<std::string>{base + "PAK0.PAK: cannot be opened (No such file or "
                                             "directory)",
                                      base + "gfx/palette.lmp: cannot be opened (No such file "
                                             "or directory)"}));
  fixtures::writeFile(folder / "PAK0.PAK", makePak({}));
  fixtures::writeFile(folder / "PAK1.PAK", Bytes{'P', 'K'});
  lookup = FindGamePalette(platform::hostFileSystem(), base);
  EXPECT_FALSE(lookup.palette.has_value());
  ASSERT_EQ(lookup.looked.size(), 3u);
  EXPECT_EQ(lookup.looked[0], base + "PAK1.PAK: not a usable archive (is only 2 bytes long)");
  EXPECT_EQ(lookup.looked[1], base + "PAK0.PAK: no gfx/palette.lmp");
}

TEST(PaletteTest, RefusesWhatIsNoPalette) {
  TempFolder folder;
  fixtures::writeFile(folder / "short.lmp", Bytes(767, 0));
  fixtures::writeFile(folder / "long.lmp", Bytes(1024, 0));
  fixtures::writeFile(folder / "good.lmp", paletteOf(9));
  fixtures::writeFile(folder / "game" / "PAK0.PAK", makePak({{"gfx/palette.lmp", paletteOf(1)}}));
  fixtures::writeFile(folder / "game" / "PAK1.PAK", makePak({{"gfx/palette.lmp", Bytes(100, 0)}}));
  auto& files = platform::hostFileSystem();
  EXPECT_TRUE(isPalette(LoadPaletteFile(files, (folder / "good.lmp").string()), 9));
  const struct {
    const char* what;
    PaletteLookup lookup;
    std::string error;
  } cases[] = {
      {"short", LoadPaletteFile(files, (folder / "short.lmp").string()),
       "short.lmp is 767 bytes, not the 768 of a palette"},
      {"long", LoadPaletteFile(files, (folder / "long.lmp").string()), "is 1024 bytes"},
      {"missing", LoadPaletteFile(files, (folder / "none.lmp").string()),
       "none.lmp cannot be opened"},
      // The engine would take PAK1's all the same: no falling back to PAK0's.
      {"in an archive", FindGamePalette(files, (folder / "game").string()),
       "PAK1.PAK (gfx/palette.lmp) is 100 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.lookup.palette.has_value());
    EXPECT_NE(c.lookup.error.find(c.error), std::string::npos) << c.lookup.error;
  }
}

} // namespace
} // namespace texkit2::extract
