#include "cli/ImageCommands.h"

#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/TextureNames.h"
#include "extract/Palette.h"
#include "extract/WadReader.h"
#include "images/ContactSheet.h"
#include "images/Png.h"
#include "images/TextureCatalog.h"
#include "images/TextureFileNames.h"
#include "platform/AsciiCase.h"

#include <charconv>
#include <numeric>
#include <optional>
#include <sstream>

namespace texkit2::cli {
namespace {

constexpr const char* kPaletteHelp =
    R"(The colours are the game's palette, gfx/palette.lmp, found as the engine finds it in the
folder that holds WADFILE (the game's data folder, where extract writes it): in the last of
PAK0.PAK, PAK1.PAK, ... (up to the first one missing) that holds it, else in the loose file
gfx/palette.lmp there. --palette FILE gives another: a 768-byte palette.lmp (256 RGB triples).
With no palette found the command says where it looked and writes nothing.
Textures whose name begins with '{' are transparent where their index is 255.
)";

constexpr const char* kExportHelp =
    R"(Usage: texkit2-cli export --png DIR [--palette FILE] [--mips] [--json] WADFILE

Writes each mip-texture of WADFILE as a PNG file of its own size into DIR (made when missing),
in the game's colours, and prints each file written beside the name of its texture. Files of
the same name in DIR are replaced.

Options:
  --png DIR       the folder to write into (required)
  --palette FILE  the palette to use instead of the game's
  --mips          also write the three smaller levels, as NAME.mip1.png to NAME.mip3.png
  --json          print the files written as JSON, each with its texture's name, entry and
                  level, and the problems met
  --help          show this text

File names: the texture's name, then .png, so that it works on every system and in every
shell:
  - the name as it is where it is a portable file name (wall1 -> wall1.png, WALL1 ->
    WALL1.png);
  - * as #, as Quake engines name the external textures of liquids (*water1 -> #water1.png);
  - bytes no system takes (control bytes, / \ : ? " < > | and bytes beyond ASCII) as % and
    two upper-case hex digits (a:b -> a%3Ab.png);
  - a name Windows keeps for a device (con, nul, prn, aux, com1-com9, lpt1-lpt9, in any letter
    case, also before a dot) with _ after it (con -> con_.png);
  - a name whose file would meet an earlier one's where letter case is not told apart, or
    after these changes, gets ~2, ~3, ... before .png (wall1, WALL1 -> wall1.png,
    WALL1~2.png; *water1, #water1 -> #water1.png, #water1~2.png).
Only the textures written take names, in directory order.

)"
    "%s"
    R"(
Damaged entries (a mip header that does not fit its entry, a level outside it), entries of
another type and compressed ones are reported on stderr and skipped.
Exit status: 0 when every texture that could be read was written, 1 when WADFILE is missing
or malformed, no palette was found or a file could not be written, 2 on a usage error.
)";

constexpr const char* kSheetHelp =
    R"(Usage: texkit2-cli sheet -o FILE [--palette FILE] [--columns N] WADFILE

Draws every mip-texture of WADFILE (level 0, at its own size, in the game's colours) on one
contact sheet, in directory order, row after row, with its name under it. A column is as wide
as its widest texture or name, a row as tall as its tallest texture. Transparent pixels show
over a grey checkerboard.

Options:
  -o, --output FILE  the picture to write (required), in the format its name ends in: .png,
                     .jpg, .bmp or .tga (any letter case); a file of that name is replaced
  --palette FILE     the palette to use instead of the game's
  --columns N        textures in a row (default 8)
  --help             show this text

)"
    "%s"
    R"(
Damaged entries, entries of another type and compressed ones are reported on stderr and left
out.
Exit status: 0 when the sheet was written, 1 when WADFILE is missing or malformed, holds no
texture that can be drawn, no palette was found or the sheet could not be written (or would
be too large for one file of its format: give fewer columns), 2 on a usage error (an output
file of another extension among them).
)";

// The help text with the palette's paragraph in its place.
std::string help(const char* text) {
  std::string out = text;
  out.replace(out.find("%s"), 2, kPaletteHelp);
  return out;
}

// The palette for WADFILE, or nullopt after saying on stderr why there is none.
std::optional<extract::Palette> paletteFor(const std::optional<std::string>& given,
                                           const std::string& wadPath, const char* command,
                                           CliContext& context, std::string& source) {
  const std::string prefix = std::string("texkit2-cli ") + command + ": ";
  if (given) {
    const auto lookup = extract::LoadPaletteFile(context.files, *given);
    if (!lookup.palette) {
      context.err << prefix << "--palette: " << lookup.error << '\n';
      return std::nullopt;
    }
    source = lookup.source;
    return lookup.palette;
  }
  const auto lookup = extract::FindPaletteBesideWad(context.files, wadPath);
  if (!lookup.error.empty()) {
    context.err << prefix << lookup.error
                << "\nGive the game's palette with --palette FILE (a 768-byte palette.lmp).\n";
    return std::nullopt;
  }
  if (!lookup.palette) {
    context.err << prefix << "no palette found for " << wadPath << ". Looked for "
                << extract::kPaletteEntryName << " in the folder that holds it:\n";
    for (const auto& place : lookup.looked) {
      context.err << "  " << place << '\n';
    }
    // The places looked at say whether the folder is a data folder; advice to move the WAD file
    // into one would mislead when it already is.
    context.err << "Give the game's palette with --palette FILE (a 768-byte palette.lmp, 256 "
                   "RGB triples).\n";
    return std::nullopt;
  }
  source = lookup.source;
  return lookup.palette;
}

// A WAD file's directory, and the file kept open to read its textures.
struct OpenWad {
  std::unique_ptr<platform::File> file;
  extract::WadContents contents;
};

std::optional<OpenWad> openWad(const std::string& path, const char* command, CliContext& context) {
  OpenWad wad;
  wad.file = context.files.openForReading(path);
  if (!wad.file) {
    context.err << "texkit2-cli " << command << ": cannot open " << path << ": "
                << context.files.lastError() << '\n';
    return std::nullopt;
  }
  try {
    wad.contents = extract::ReadWad(*wad.file);
  } catch (const extract::WadFormatError& error) {
    context.err << "texkit2-cli " << command << ": " << path
                << " is not a valid WAD2 file: " << error.what() << '\n';
    return std::nullopt;
  }
  return wad;
}

// "entry 3 ("*water1")", for messages.
std::string entryText(std::size_t index, const extract::WadEntry& entry) {
  return "entry " + std::to_string(index) + " (\"" + printableName(entry.name) + "\")";
}

// The entry's texture, or nullopt after reporting it skipped.
std::optional<extract::MipTexture> textureOf(OpenWad& wad, std::size_t index, const char* command,
                                             CliContext& context) {
  const extract::WadEntry& entry = wad.contents.entries[index];
  try {
    return extract::ReadMipTexture(*wad.file, entry);
  } catch (const extract::WadFormatError& error) {
    context.err << "texkit2-cli " << command << ": " << entryText(index, entry)
                << " skipped: " << error.what() << '\n';
    return std::nullopt;
  }
}

// The one positional argument, WADFILE; nullopt after a usage error.
std::optional<std::string> wadArgument(const std::vector<std::string>& positional,
                                       const char* command, CliContext& context) {
  if (positional.size() != 1) {
    context.err << "texkit2-cli " << command << ": give exactly one WADFILE (see --help)\n";
    return std::nullopt;
  }
  if (positional[0].empty()) {
    context.err << "texkit2-cli " << command << ": WADFILE is empty\n";
    return std::nullopt;
  }
  return positional[0];
}

} // namespace

int runExport(const std::vector<std::string>& args, CliContext& context) {
  std::optional<std::string> folder;
  std::optional<std::string> paletteFile;
  bool mips = false;
  bool json = false;
  std::vector<std::string> positional;
  CommandLine line("texkit2-cli export: ");
  line.value("--png", folder, "a folder", true)
      .value("--palette", paletteFile, "a file", true)
      .flag("--mips", mips)
      .flag("--json", json)
      .arguments(positional);
  if (const auto exit = line.parse(args, context, help(kExportHelp))) {
    return *exit;
  }
  if (!folder) {
    context.err << "texkit2-cli export: --png DIR is required (see --help)\n";
    return kExitUsage;
  }
  const auto wadPath = wadArgument(positional, "export", context);
  if (!wadPath) {
    return kExitUsage;
  }
  // stdout stays JSON with --json, a failure included: what stderr says goes there too.
  std::ostringstream failure;
  CliContext checked{context.files, context.out, json ? failure : context.err, false};
  const auto fail = [&] {
    if (json) {
      std::string text = failure.str();
      context.err << text;
      constexpr std::string_view kPrefix = "texkit2-cli export: ";
      if (text.starts_with(kPrefix)) {
        text.erase(0, kPrefix.size());
      }
      while (!text.empty() && text.back() == '\n') {
        text.pop_back();
      }
      context.out << jsonObject({{"error", jsonText(text)}}) << '\n';
    }
    return kExitFailure;
  };
  auto wad = openWad(*wadPath, "export", checked);
  if (!wad) {
    return fail();
  }
  std::string paletteSource;
  const auto palette = paletteFor(paletteFile, *wadPath, "export", checked, paletteSource);
  if (!palette) {
    return fail();
  }
  std::vector<std::size_t> entries(wad->contents.entries.size());
  std::iota(entries.begin(), entries.end(), std::size_t{0});
  std::vector<std::string> writtenJson;
  std::vector<std::string> problems;
  const auto report = [&](const images::ExportEvent& event) {
    using Kind = images::ExportEvent::Kind;
    const auto& entry = wad->contents.entries[event.entry];
    std::string problem;
    switch (event.kind) {
    case Kind::Wrote:
      if (json) {
        writtenJson.push_back(
            jsonObject({{"name", jsonString(extract::TextureNameText(entry.name))},
                        {"entry", std::to_string(event.entry)},
                        {"level", std::to_string(event.level)},
                        {"file", jsonPath(event.path)},
                        {"width", std::to_string(event.width)},
                        {"height", std::to_string(event.height)}}));
      } else {
        // The name beside its file: the file's may differ from it (#water1 for *water1).
        context.out << "wrote " << event.path << " (" << event.width << " x " << event.height
                    << ") for \"" << printableName(entry.name) << "\"\n";
      }
      return;
    case Kind::Unreadable:
      problem = entryText(event.entry, entry) + " skipped: " + event.message;
      break;
    case Kind::EmptyLevel:
      problem = entryText(event.entry, entry) + ": level " + std::to_string(event.level) + " is " +
                std::to_string(event.width) + " x " + std::to_string(event.height) +
                " pixels; not written";
      break;
    case Kind::WriteFailed:
      problem = event.message;
      break;
    }
    context.err << "texkit2-cli export: " << problem << '\n';
    problems.push_back(problem);
  };
  images::ExportTotals totals;
  try {
    totals = images::ExportTextures(context.files, *wad->file, wad->contents, entries, *palette,
                                    *folder, mips, report);
  } catch (const images::ImageError& error) {
    checked.err << "texkit2-cli export: " << error.what() << '\n';
    return fail();
  }
  const std::size_t total = wad->contents.entries.size();
  if (json) {
    std::string files = "[";
    for (const auto& file : writtenJson) {
      files += (files.size() == 1 ? "" : ", ") + file;
    }
    context.out << jsonObject({{"folder", jsonPath(*folder)},
                               {"palette", jsonText(paletteSource)},
                               {"files", files + "]"},
                               {"problems", jsonTextList(problems)},
                               {"filesWritten", std::to_string(totals.files)},
                               {"texturesWritten", std::to_string(totals.textures)},
                               {"totalEntries", std::to_string(total)},
                               {"skipped", std::to_string(totals.skipped)}})
                << '\n';
  } else {
    context.out << totals.files << " files written for " << totals.textures << " of " << total
                << " entries";
    if (totals.skipped > 0) {
      context.out << " (" << totals.skipped << " skipped)";
    }
    context.out << ", colours from " << paletteSource << '\n';
  }
  return totals.failed ? kExitFailure : kExitSuccess;
}

int runSheet(const std::vector<std::string>& args, CliContext& context) {
  std::optional<std::string> output;
  std::optional<std::string> longOutput;
  std::optional<std::string> paletteFile;
  std::optional<std::string> columnsText;
  std::vector<std::string> positional;
  CommandLine line("texkit2-cli sheet: ");
  // Two options, so that a missing value is said under the name given; -o wins over --output.
  line.value("-o", output, "a file", true)
      .value("--output", longOutput, "a file", true)
      .value("--palette", paletteFile, "a file", true)
      .value("--columns", columnsText, "a number", true)
      .arguments(positional);
  if (const auto exit = line.parse(args, context, help(kSheetHelp))) {
    return *exit;
  }
  if (!output) {
    output = longOutput;
  }
  if (!output) {
    context.err << "texkit2-cli sheet: -o FILE is required (see --help)\n";
    return kExitUsage;
  }
  const auto format = images::ImageFormatOf(*output);
  if (!format) {
    context.err << "texkit2-cli sheet: " << *output
                << ": give a file whose name ends in .png, .jpg, .bmp or .tga (see --help)\n";
    return kExitUsage;
  }
  std::int32_t columns = images::kDefaultSheetColumns;
  if (const auto& given = columnsText) {
    const auto [end, error] =
        std::from_chars(given->data(), given->data() + given->size(), columns);
    if (error != std::errc() || end != given->data() + given->size() || columns < 1) {
      context.err << "texkit2-cli sheet: --columns needs a whole number of at least 1, not '"
                  << *given << "'\n";
      return kExitUsage;
    }
  }
  const auto wadPath = wadArgument(positional, "sheet", context);
  if (!wadPath) {
    return kExitUsage;
  }
  auto wad = openWad(*wadPath, "sheet", context);
  if (!wad) {
    return kExitFailure;
  }
  std::string paletteSource;
  const auto palette = paletteFor(paletteFile, *wadPath, "sheet", context, paletteSource);
  if (!palette) {
    return kExitFailure;
  }
  std::vector<images::SheetTexture> textures;
  for (std::size_t i = 0; i < wad->contents.entries.size(); ++i) {
    const auto& entry = wad->contents.entries[i];
    const auto texture = textureOf(*wad, i, "sheet", context);
    if (!texture) {
      continue;
    }
    textures.push_back(
        {extract::TextureNameText(entry.name),
         images::Colorize(texture->levels[0], *palette, images::HasTransparentIndex(entry.name))});
  }
  try {
    const auto sheet = images::DrawContactSheet(textures, columns);
    images::WriteImageFile(context.files, *output, sheet.image, *format);
    context.out << "wrote " << *output << " (" << sheet.image.width << " x " << sheet.image.height
                << ", " << textures.size() << " textures in "
                << std::min<std::size_t>(textures.size(), static_cast<std::size_t>(columns))
                << " columns), colours from " << paletteSource << '\n';
  } catch (const images::ImageError& error) {
    context.err << "texkit2-cli sheet: no sheet written: " << error.what() << '\n';
    return kExitFailure;
  }
  return kExitSuccess;
}

} // namespace texkit2::cli
