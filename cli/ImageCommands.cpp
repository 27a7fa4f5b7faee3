#include "cli/ImageCommands.h"

#include "cli/TextureNames.h"
#include "extract/Palette.h"
#include "extract/WadReader.h"
#include "images/ContactSheet.h"
#include "images/Png.h"
#include "images/TextureCatalog.h"
#include "images/TextureFileNames.h"
#include "platform/AsciiCase.h"

#include <charconv>
#include <map>
#include <numeric>
#include <optional>
#include <set>

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
    R"(Usage: texkit2-cli export --png DIR [--palette FILE] [--mips] WADFILE

Writes each mip-texture of WADFILE as a PNG file of its own size into DIR (made when missing),
in the game's colours, and prints each file written. Files of the same name in DIR are
replaced.

Options:
  --png DIR       the folder to write into (required)
  --palette FILE  the palette to use instead of the game's
  --mips          also write the three smaller levels, as NAME.mip1.png to NAME.mip3.png
  --help          show this text

File names: the texture's name, then .png. So that every name gets a file of its own on every
system, Windows included (which refuses * and ignores letter case), the name is written so:
  - lower-case letters, digits and + - _ { } ( ) [ ] ! # $ & ' , ; = @ ~ stay as they are;
  - an upper-case letter becomes ^ and the letter (WALL1 -> ^W^A^L^L1.png);
  - every other byte becomes % and two upper-case hex digits (*water1 -> %2Awater1.png), and so
    do % ^ . and the space;
  - a name Windows keeps for a device (con, prn, aux, nul, com0-9, lpt0-9) has its first
    letter so written (con -> %63on.png).
The mapping is the same on every system and can be undone. Two entries whose names agree up
to their first zero byte would share a file: the second is not written and is reported.

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

struct ImageArguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values; // option -> value
  bool mips = false;
  bool help = false;
};

// Parses `args` given the options that take a value (each also as --option=VALUE) and the flag
// --mips when `acceptsMips`; nullopt after reporting a usage error.
std::optional<ImageArguments> parse(const std::vector<std::string>& args, const char* command,
                                    const std::map<std::string, std::string>& valueOptions,
                                    bool acceptsMips, CliContext& context) {
  ImageArguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg == "--mips" && acceptsMips) {
      parsed.mips = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string option = arg.substr(0, equals);
    const auto known = valueOptions.find(option);
    if (known == valueOptions.end()) {
      context.err << "texkit2-cli " << command << ": unknown option '" << arg << "'\n";
      return std::nullopt;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    }
    if (value.empty()) {
      context.err << "texkit2-cli " << command << ": " << option << " needs " << known->second
                  << '\n';
      return std::nullopt;
    }
    parsed.values[option] = value;
  }
  return parsed;
}

std::optional<std::string> valueOf(const ImageArguments& arguments, const std::string& option) {
  const auto it = arguments.values.find(option);
  return it == arguments.values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

// The help text with the palette's paragraph in its place.
std::string help(const char* text) {
  std::string out = text;
  out.replace(out.find("%s"), 2, kPaletteHelp);
  return out;
}

// The palette for WADFILE, or nullopt after saying on stderr why there is none.
std::optional<extract::Palette> paletteFor(const ImageArguments& arguments,
                                           const std::string& wadPath, const char* command,
                                           CliContext& context, std::string& source) {
  const std::string prefix = std::string("texkit2-cli ") + command + ": ";
  if (const auto given = valueOf(arguments, "--palette")) {
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
    context.err << "Give the game's palette with --palette FILE (a 768-byte palette.lmp, 256 "
                   "RGB triples), or put the WAD file in the game's data folder.\n";
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
std::optional<std::string> wadArgument(const ImageArguments& parsed, const char* command,
                                       CliContext& context) {
  if (parsed.positional.size() != 1) {
    context.err << "texkit2-cli " << command << ": give exactly one WADFILE (see --help)\n";
    return std::nullopt;
  }
  if (parsed.positional[0].empty()) {
    context.err << "texkit2-cli " << command << ": WADFILE is empty\n";
    return std::nullopt;
  }
  return parsed.positional[0];
}

} // namespace

int runExport(const std::vector<std::string>& args, CliContext& context) {
  const auto parsed =
      parse(args, "export", {{"--png", "a folder"}, {"--palette", "a file"}}, true, context);
  if (!parsed) {
    return kExitUsage;
  }
  if (parsed->help) {
    context.out << help(kExportHelp);
    return kExitSuccess;
  }
  const auto folder = valueOf(*parsed, "--png");
  if (!folder) {
    context.err << "texkit2-cli export: --png DIR is required (see --help)\n";
    return kExitUsage;
  }
  const auto wadPath = wadArgument(*parsed, "export", context);
  if (!wadPath) {
    return kExitUsage;
  }
  auto wad = openWad(*wadPath, "export", context);
  if (!wad) {
    return kExitFailure;
  }
  std::string paletteSource;
  const auto palette = paletteFor(*parsed, *wadPath, "export", context, paletteSource);
  if (!palette) {
    return kExitFailure;
  }
  std::vector<std::size_t> entries(wad->contents.entries.size());
  std::iota(entries.begin(), entries.end(), std::size_t{0});
  const auto report = [&](const images::ExportEvent& event) {
    using Kind = images::ExportEvent::Kind;
    const auto& entry = wad->contents.entries[event.entry];
    switch (event.kind) {
    case Kind::Wrote:
      context.out << "wrote " << event.path << " (" << event.width << " x " << event.height
                  << ")\n";
      break;
    case Kind::SharedFile:
      context.err << "texkit2-cli export: " << entryText(event.entry, entry)
                  << " skipped: its file " << event.path << " is entry " << event.other << "'s\n";
      break;
    case Kind::Unreadable:
      context.err << "texkit2-cli export: " << entryText(event.entry, entry)
                  << " skipped: " << event.message << '\n';
      break;
    case Kind::EmptyLevel:
      context.err << "texkit2-cli export: " << entryText(event.entry, entry) << ": level "
                  << event.level << " is " << event.width << " x " << event.height
                  << " pixels; not written\n";
      break;
    case Kind::WriteFailed:
      context.err << "texkit2-cli export: " << event.message << '\n';
      break;
    }
  };
  images::ExportTotals totals;
  try {
    totals = images::ExportTextures(context.files, *wad->file, wad->contents, entries, *palette,
                                    *folder, parsed->mips, report);
  } catch (const images::ImageError& error) {
    context.err << "texkit2-cli export: " << error.what() << '\n';
    return kExitFailure;
  }
  const std::size_t files = totals.files;
  const std::size_t textures = totals.textures;
  const std::size_t skipped = totals.skipped;
  const bool failed = totals.failed;
  context.out << files << " files written for " << textures << " of "
              << wad->contents.entries.size() << " entries";
  if (skipped > 0) {
    context.out << " (" << skipped << " skipped)";
  }
  context.out << ", colours from " << paletteSource << '\n';
  return failed ? kExitFailure : kExitSuccess;
}

int runSheet(const std::vector<std::string>& args, CliContext& context) {
  const auto parsed = parse(args, "sheet",
                            {{"-o", "a file"},
                             {"--output", "a file"},
                             {"--palette", "a file"},
                             {"--columns", "a number"}},
                            false, context);
  if (!parsed) {
    return kExitUsage;
  }
  if (parsed->help) {
    context.out << help(kSheetHelp);
    return kExitSuccess;
  }
  auto output = valueOf(*parsed, "-o");
  if (!output) {
    output = valueOf(*parsed, "--output");
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
  if (const auto given = valueOf(*parsed, "--columns")) {
    const auto [end, error] =
        std::from_chars(given->data(), given->data() + given->size(), columns);
    if (error != std::errc() || end != given->data() + given->size() || columns < 1) {
      context.err << "texkit2-cli sheet: --columns needs a whole number of at least 1, not '"
                  << *given << "'\n";
      return kExitUsage;
    }
  }
  const auto wadPath = wadArgument(*parsed, "sheet", context);
  if (!wadPath) {
    return kExitUsage;
  }
  auto wad = openWad(*wadPath, "sheet", context);
  if (!wad) {
    return kExitFailure;
  }
  std::string paletteSource;
  const auto palette = paletteFor(*parsed, *wadPath, "sheet", context, paletteSource);
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
