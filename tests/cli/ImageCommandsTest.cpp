#include "cli/Commands.h"
#include "images/ContactSheet.h"
#include "images/Image.h"
#include "images/TextureFileNames.h"
#include "tests/common/Corpus.h"
#include "tests/common/PngReader.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace texkit2::cli {
namespace {

using fixtures::Bytes;
using fixtures::getI32;
using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, false};
  context.openRegistry = [](const std::optional<std::filesystem::path>&) {
    platform::HostRegistry none;
    none.unavailableReason = "no Wine prefix given in a test";
    return none;
  };
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// One mip-texture entry of a WAD file, read by hand from its bytes rather than by the reader
// under test.
struct EntryBytes {
  std::string name;
  std::int32_t position = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

std::vector<EntryBytes> entriesOf(const Bytes& wad) {
  std::vector<EntryBytes> entries;
  const auto count = static_cast<std::size_t>(getI32(wad, 4));
  const auto directory = static_cast<std::size_t>(getI32(wad, 8));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = directory + 32 * i;
    EntryBytes entry;
    entry.position = getI32(wad, at);
    for (std::size_t k = 16; k < 32 && wad[at + k] != 0; ++k) {
      entry.name += static_cast<char>(wad[at + k]);
    }
    entry.width = getI32(wad, static_cast<std::size_t>(entry.position) + 16);
    entry.height = getI32(wad, static_cast<std::size_t>(entry.position) + 20);
    entries.push_back(entry);
  }
  return entries;
}

// The PNG file shows the entry's level at its size, each pixel the palette's colour of its
// index; for names beginning with '{' index 255 is transparent.
void expectPaletteLookup(const Bytes& wad, const EntryBytes& entry, int level, const Bytes& palette,
                         const std::filesystem::path& png) {
  SCOPED_TRACE(png.filename().string());
  const images::Image image = testing::readPng(png);
  const std::int32_t width = entry.width >> level;
  const std::int32_t height = entry.height >> level;
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, height);
  const bool transparent = entry.name[0] == '{';
  ASSERT_EQ(image.channels, transparent ? 4 : 3);
  const auto levelStart =
      static_cast<std::size_t>(entry.position) +
      static_cast<std::size_t>(getI32(wad, static_cast<std::size_t>(entry.position) + 24 +
                                               4 * static_cast<std::size_t>(level)));
  const auto channels = static_cast<std::size_t>(image.channels);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width * height); ++i) {
    const std::uint8_t index = wad[levelStart + i];
    for (std::size_t c = 0; c < 3; ++c) {
      ASSERT_EQ(image.pixels[i * channels + c], palette[3 * index + c]) << "pixel " << i;
    }
    if (transparent) {
      ASSERT_EQ(image.pixels[i * channels + 3], index == 255 ? 0 : 255) << "pixel " << i;
    }
  }
}

// Every entry of `wad` written into `folder`, each level asked for, under the names the
// entries take in directory order, and nothing else there.
void expectExported(const Bytes& wad, const Bytes& palette, const std::filesystem::path& folder,
                    int levels) {
  std::set<std::string> expected;
  images::TextureFileNamer namer(levels);
  for (const EntryBytes& entry : entriesOf(wad)) {
    const std::string stem = namer.stem(entry.name);
    for (int level = 0; level < levels; ++level) {
      const std::string file = images::TextureFileName(stem, level);
      expected.insert(file);
      expectPaletteLookup(wad, entry, level, palette, folder / file);
    }
  }
  const auto names = testing::folderNames(folder);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
}

// A path as a JSON string holds it: Windows' backslashes doubled.
std::string jsonEscaped(const std::string& path) {
  std::string escaped;
  for (const char c : path) {
    escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  }
  return escaped;
}

class ImageCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
    ASSERT_EQ(run({"extract", "--no-register", "--game", "quake", sample.dataFolder.string()}).code,
              kExitSuccess);
    wadPath = (sample.dataFolder / "Quake.wad").string();
    wad = testing::readAll(wadPath);
  }

  TempFolder folder;
  fixtures::SampleGameInfo sample;
  std::string wadPath;
  Bytes wad;
};

TEST_F(ImageCommandsTest, ExportsEveryTextureInTheGamesColours) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  const auto result = run({"export", "--png", (folder / "png").string(), wadPath});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(result.err.empty()) << result.err;
  expectExported(wad, fixtures::samplePalette(fixtures::Game::Quake), folder / "png", 1);
  // Each file beside the name of its texture.
  for (const auto& [file, name] : {std::pair<std::string, std::string>{"#water1.png", "*water1"},
                                   {"wall1.png", "wall1"},
                                   {"WALL1~2.png", "WALL1"}}) {
    EXPECT_TRUE(contains(result.out, "wrote " + (folder / "png" / file).string() +
                                         " (64 x 64) for \"" + name + "\"\n"))
        << result.out;
  }
  EXPECT_TRUE(contains(result.out, "25 files written for 25 of 25 entries, colours from " +
                                       sample.dataFolder.string() +
                                       "/PAK0.PAK (gfx/palette.lmp)\n"))
      << result.out;

  // All four levels, in the colours of a palette given instead of the game's.
  Bytes palette(768);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    palette[i] = static_cast<std::uint8_t>(i * 5 + 3);
  }
  fixtures::writeFile(folder / "other.lmp", palette);
  const auto mips = run({"export", "--mips", "--png=" + (folder / "mips").string(), "--palette",
                         (folder / "other.lmp").string(), wadPath});
  ASSERT_EQ(mips.code, kExitSuccess) << mips.err;
  expectExported(wad, palette, folder / "mips", 4);
  EXPECT_TRUE(contains(mips.out, "colours from " + (folder / "other.lmp").string() + "\n"));
}

TEST_F(ImageCommandsTest, CarriesEachFileWithItsTexturesNameAsJson) {
  const auto png = folder / "png";
  const auto result = run({"export", "--json", "--png", png.string(), wadPath});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  const auto entries = entriesOf(wad);
  for (const auto& [file, name] :
       {std::pair<std::string, std::string>{"#water1.png", "*water1"}, {"WALL1~2.png", "WALL1"}}) {
    SCOPED_TRACE(name);
    const auto entry = std::find_if(entries.begin(), entries.end(),
                                    [&](const EntryBytes& e) { return e.name == name; });
    ASSERT_NE(entry, entries.end());
    EXPECT_TRUE(contains(
        result.out, "{\"name\": \"" + name + "\", \"entry\": " +
                        std::to_string(entry - entries.begin()) + ", \"level\": 0, \"file\": \"" +
                        jsonEscaped((png / file).string()) + "\", \"width\": 64, \"height\": 64}"))
        << result.out;
  }
  EXPECT_TRUE(contains(result.out, "\"filesWritten\": 25, \"texturesWritten\": 25"));
  EXPECT_EQ(result.out.front(), '{');
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1); // one object, nothing else

  const auto missing =
      run({"export", "--json", "--png", png.string(), (folder / "none.wad").string()});
  EXPECT_EQ(missing.code, kExitFailure);
  EXPECT_EQ(missing.out.rfind("{\"error\": \"cannot open ", 0), 0u) << missing.out;
  EXPECT_TRUE(contains(missing.err, "texkit2-cli export: cannot open ")) << missing.err;
}

TEST_F(ImageCommandsTest, ReportsAndSkipsDamagedEntries) {
  const auto name = fixtures::textureName;
  Bytes negative = fixtures::makeMipTexture(name("negative"), 16, 16, 2);
  fixtures::setI32(negative, 16, -16);
  Bytes outside = fixtures::makeMipTexture(name("outside"), 16, 16, 3);
  fixtures::setI32(outside, 36, 4000);
  // A grate whose counting pixels reach index 255 on level 0.
  const Bytes grate = fixtures::makeCountingMipTexture(name("{grate"), 16, 16, 200);
  const Bytes good = fixtures::makeMipTexture(name("good"), 16, 16, 1);
  const auto tail = fixtures::rawTextureName(std::string_view("good\0tail\0\0\0\0\0\0\0", 16));
  const Bytes damaged = fixtures::makeWad({
      {name("good"), good},
      {name("negative"), negative},
      {name("outside"), outside},
      {name("palette"), Bytes(768, 1), 0x40},
      {name("packed"), good, fixtures::kWadMipTexture, 1},
      {tail, fixtures::makeMipTexture(tail, 16, 16, 4)},
      {name("{grate"), grate},
  });
  const auto data = folder / "damaged";
  fixtures::writeFile(data / "textures.wad", damaged);
  fixtures::writeFile(data / "palette.lmp", fixtures::samplePalette(fixtures::Game::Quake));
  const auto result = run({"export", "--png", (folder / "png").string(), "--palette",
                           (data / "palette.lmp").string(), (data / "textures.wad").string()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  for (const std::string& message : {
           std::string("entry 1 (\"negative\") skipped: dimensions -16 x 16 are not positive\n"),
           std::string("entry 2 (\"outside\") skipped: level 3 at offset 4000"),
           std::string("entry 3 (\"palette\") skipped: not a mip-texture (type 0x40)\n"),
           std::string("entry 4 (\"packed\") skipped: compressed (method 1)\n"),
       }) {
    EXPECT_TRUE(contains(result.err, "texkit2-cli export: " + message)) << result.err;
  }
  // The second "good" (its name ends at the zero byte) gets a file of its own.
  EXPECT_EQ(testing::folderNames(folder / "png"),
            (std::vector<std::string>{"good.png", "good~2.png", "{grate.png"}));
  EXPECT_TRUE(contains(result.out, "3 files written for 3 of 7 entries (4 skipped)"));
  const auto entries = entriesOf(damaged);
  const Bytes palette = fixtures::samplePalette(fixtures::Game::Quake);
  expectPaletteLookup(damaged, entries[0], 0, palette, folder / "png" / "good.png");
  expectPaletteLookup(damaged, entries[6], 0, palette, folder / "png" / "{grate.png");
  EXPECT_EQ(testing::readPng(folder / "png" / "{grate.png").pixels[55 * 4 + 3], 0); // index 255
}

TEST_F(ImageCommandsTest, LeavesOutLevelsTooSmallToHaveAPixel) {
  const auto tiny = fixtures::textureName("tiny");
  fixtures::writeFile(folder / "tiny" / "tiny.wad",
                      fixtures::makeWad({{tiny, fixtures::makeCountingMipTexture(tiny, 4, 8)}}));
  fixtures::writeFile(folder / "tiny" / "palette.lmp",
                      fixtures::samplePalette(fixtures::Game::Quake));
  const auto result =
      run({"export", "--mips", "--png", (folder / "png").string(), "--palette",
           (folder / "tiny" / "palette.lmp").string(), (folder / "tiny" / "tiny.wad").string()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.err,
            "texkit2-cli export: entry 0 (\"tiny\"): level 3 is 0 x 1 pixels; not written\n");
  EXPECT_EQ(testing::folderNames(folder / "png"),
            (std::vector<std::string>{"tiny.mip1.png", "tiny.mip2.png", "tiny.png"}));
  EXPECT_EQ(testing::readPng(folder / "png" / "tiny.mip2.png").width, 1);
}

TEST_F(ImageCommandsTest, SaysWhereItLookedForAPaletteAndWritesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  const auto alone = folder / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(wadPath, alone / "Quake.wad");
  fixtures::writeFile(alone / "PAK0.PAK", fixtures::makePak({}));
  for (const std::string command : {"export", "sheet"}) {
    SCOPED_TRACE(command);
    const auto result = run({command, command == "export" ? "--png" : "-o",
                             (folder / (command == "export" ? "out" : "out.png")).string(),
                             (alone / "Quake.wad").string()});
    EXPECT_EQ(result.code, kExitFailure);
    const std::string base = alone.string() + "/";
    EXPECT_EQ(result.err, "texkit2-cli " + command + ": no palette found for " + base +
                              "Quake.wad. Looked for gfx/palette.lmp in the folder that holds "
                              "it:\n  " +
                              base + "PAK0.PAK: no gfx/palette.lmp\n  " + base +
                              "gfx/palette.lmp: cannot be opened (No such file or directory)\n"
                              "Give the game's palette with --palette FILE (a 768-byte "
                              "palette.lmp, 256 RGB triples).\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out.png"));
  }
  fixtures::writeFile(folder / "short.lmp", Bytes(700, 0));
  const auto result = run({"export", "--png", (folder / "out").string(), "--palette",
                           (folder / "short.lmp").string(), wadPath});
  EXPECT_EQ(result.code, kExitFailure);
  EXPECT_TRUE(contains(result.err, "--palette: " + (folder / "short.lmp").string() +
                                       " is 700 bytes, not the 768 of a palette"))
      << result.err;
}

TEST_F(ImageCommandsTest, DrawsTheContactSheetInDirectoryOrder) {
  const auto sheetPath = folder / "sheet.png";
  const auto result = run({"sheet", "-o", sheetPath.string(), "--columns", "5", wadPath});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  const images::Image image = testing::readPng(sheetPath);
  EXPECT_TRUE(contains(result.out,
                       "wrote " + sheetPath.string() + " (" + std::to_string(image.width) + " x " +
                           std::to_string(image.height) + ", 25 textures in 5 columns)"))
      << result.out;
  // The layout, worked out again from the textures as the WAD file lists them.
  const Bytes palette = fixtures::samplePalette(fixtures::Game::Quake);
  const auto entries = entriesOf(wad);
  std::vector<images::SheetTexture> textures;
  for (const auto& entry : entries) {
    textures.push_back(
        {entry.name,
         images::Image{entry.width, entry.height, 3,
                       Bytes(static_cast<std::size_t>(entry.width * entry.height * 3))}});
  }
  const auto layout = images::DrawContactSheet(textures, 5);
  ASSERT_EQ(image.width, layout.image.width);
  ASSERT_EQ(image.height, layout.image.height);
  ASSERT_EQ(image.channels, 3);
  for (std::size_t t = 0; t < entries.size(); ++t) {
    SCOPED_TRACE(entries[t].name);
    const auto& place = layout.places[t];
    const auto start = static_cast<std::size_t>(
        entries[t].position + getI32(wad, static_cast<std::size_t>(entries[t].position) + 24));
    for (std::int32_t y = 0; y < entries[t].height; ++y) {
      for (std::int32_t x = 0; x < entries[t].width; ++x) {
        const std::uint8_t index = wad[start + static_cast<std::size_t>(y * entries[t].width + x)];
        const auto at = static_cast<std::size_t>(((place.y + y) * image.width + place.x + x) * 3);
        for (std::size_t c = 0; c < 3; ++c) {
          ASSERT_EQ(image.pixels[at + c], palette[3 * index + c]) << x << "," << y;
        }
      }
    }
  }
  // The default is eight columns.
  ASSERT_EQ(run({"sheet", "--output", sheetPath.string(), wadPath}).code, kExitSuccess);
  EXPECT_EQ(testing::readPng(sheetPath).width, images::DrawContactSheet(textures, 8).image.width);
}

TEST_F(ImageCommandsTest, WritesTheSheetInTheFormatItsExtensionNames) {
  const struct {
    std::string file;
    Bytes start; // the format's own first bytes
    bool lossless;
  } cases[] = {
      {"sheet.png", {0x89, 'P', 'N', 'G'}, true},
      {"sheet.JPG", {0xFF, 0xD8, 0xFF}, false},
      {"sheet.bmp", {'B', 'M'}, true},
      {"sheet.Tga", {0, 0, 10}, true}, // no colour map, true colour run-length encoded
  };
  const auto png = run({"sheet", "-o", (folder / "reference.png").string(), wadPath});
  ASSERT_EQ(png.code, kExitSuccess) << png.err;
  const images::Image reference = testing::readPng(folder / "reference.png");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto result = run({"sheet", "-o", (folder / c.file).string(), wadPath});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    const Bytes bytes = testing::readAll(folder / c.file);
    ASSERT_GE(bytes.size(), c.start.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.start.size())),
              c.start);
    const images::Image image = testing::decodePng(bytes);
    EXPECT_EQ(image.width, reference.width);
    EXPECT_EQ(image.height, reference.height);
    if (c.lossless) {
      EXPECT_TRUE(image.pixels == reference.pixels);
    }
  }
}

TEST_F(ImageCommandsTest, RefusesUsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"export", wadPath}, "export: --png DIR is required"},
      {{"export", "--png"}, "export: --png needs a folder"},
      {{"export", "--png", "out"}, "export: give exactly one WADFILE"},
      {{"export", "--png", "out", wadPath, wadPath}, "export: give exactly one WADFILE"},
      {{"export", "--png", "out", ""}, "export: WADFILE is empty"},
      {{"export", "--png", "out", "--columns", "3", wadPath}, "unknown option '--columns'"},
      {{"sheet", wadPath}, "sheet: -o FILE is required"},
      {{"sheet", "-o", "a.gif", wadPath}, "a.gif: give a file whose name ends in .png, .jpg"},
      {{"sheet", "-o", "a.jpeg", wadPath}, "a.jpeg: give a file"},
      {{"sheet", "-o", "png", wadPath}, "png: give a file"},
      {{"sheet", "-o", "a.png.txt", wadPath}, "a.png.txt: give a file"},
      {{"sheet", "-o", "a.png", "--mips", wadPath}, "sheet: unknown option '--mips'"},
      {{"sheet", "-o", "a.png", "--columns", "0", wadPath},
       "--columns needs a whole number of at least 1, not '0'"},
      {{"sheet", "-o", "a.png", "--columns=4x", wadPath}, "not '4x'"},
      {{"sheet", "-o", "a.png", "--palette", "", wadPath}, "--palette needs a file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const auto result = run(c.args);
    EXPECT_EQ(result.code, kExitUsage);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
    EXPECT_TRUE(result.out.empty());
  }
  for (const std::string command : {"export", "sheet"}) {
    const auto missing = run({command, command == "export" ? "--png" : "-o",
                              (folder / "x.png").string(), (folder / "none.wad").string()});
    EXPECT_EQ(missing.code, kExitFailure);
    EXPECT_TRUE(contains(missing.err, "cannot open " + (folder / "none.wad").string()));
    const auto help = run({command, "--help"});
    EXPECT_EQ(help.code, kExitSuccess);
    EXPECT_TRUE(contains(help.out, "Usage: texkit2-cli " + command));
    EXPECT_TRUE(contains(help.out, "--palette FILE"));
  }
}

// Every texture of every corpus installation, in the colours of its own palette where its
// archives carry one and of a palette given on the command line where they do not.
TEST(ImageCommandsCorpusTest, ExportsEveryTextureOfEveryInstallation) {
  const auto installations = testing::corpusInstallations();
  if (installations.empty()) {
    GTEST_SKIP() << "no corpus at " << testing::corpusFolder();
  }
  TempFolder folder;
  Bytes given(768);
  for (std::size_t i = 0; i < given.size(); ++i) {
    given[i] = static_cast<std::uint8_t>(i * 7 + i / 3);
  }
  fixtures::writeFile(folder / "given.lmp", given);
  int ownPalettes = 0;
  for (const auto& c : installations) {
    SCOPED_TRACE(c.name);
    const auto data = testing::copyInstallation(c, folder.path());
    ASSERT_EQ(run({"extract", "--no-register", "--game", c.game, data.string()}).code,
              kExitSuccess);
    const std::string wadPath = (data / c.fileName).string();
    const Bytes wad = testing::readAll(wadPath);
    const auto png = folder / (c.name + "-png");
    auto result = run({"export", "--png", png.string(), wadPath});
    Bytes palette = given;
    if (result.code == kExitSuccess) {
      ++ownPalettes;
      // The archives' own palette, which the test reads itself.
      for (const std::string archive : {"PAK1.PAK", "PAK0.PAK"}) {
        const Bytes pak = testing::readAll(data / archive);
        for (std::size_t at = static_cast<std::size_t>(getI32(pak, 4));
             at + 64 <= pak.size() && palette == given; at += 64) {
          if (std::string(reinterpret_cast<const char*>(&pak[at])) == "gfx/palette.lmp") {
            const auto from = pak.begin() + getI32(pak, at + 56);
            palette.assign(from, from + 768);
          }
        }
      }
      ASSERT_NE(palette, given);
    } else {
      EXPECT_TRUE(contains(result.err, "no palette found")) << result.err;
      result = run(
          {"export", "--png", png.string(), "--palette", (folder / "given.lmp").string(), wadPath});
      ASSERT_EQ(result.code, kExitSuccess) << result.err;
    }
    EXPECT_FALSE(contains(result.err, "skipped")) << result.err;
    expectExported(wad, palette, png, 1);
    EXPECT_EQ(entriesOf(wad).size(), static_cast<std::size_t>(c.totalEntries));
    const auto sheet = run({"sheet", "-o", (folder / (c.name + ".png")).string(), "--palette",
                            (folder / "given.lmp").string(), wadPath});
    EXPECT_EQ(sheet.code, kExitSuccess) << sheet.err;
  }
  EXPECT_GE(ownPalettes, 2); // quake-slowjam and quake-openquartz carry theirs
}

} // namespace
} // namespace texkit2::cli
