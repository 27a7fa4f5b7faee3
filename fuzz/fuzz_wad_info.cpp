// The WAD2 reader behind `texkit2-cli info`, over a file of arbitrary bytes: the command never
// crashes, succeeds exactly when the reader accepts the file, and every entry it accepts lies
// inside the file. Decoding an entry (as export and sheet do) succeeds exactly when its header
// fits it, and gives each level its own dimensions.
#include "cli/Commands.h"
#include "extract/WadReader.h"
#include "fuzz/FuzzCheck.h"
#include "tests/common/MemoryFile.h"

#include <cstdint>
#include <sstream>

using namespace texkit2;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  bool valid = true;
  try {
    testing::MemoryFile file(bytes);
    const extract::WadContents wad = extract::ReadWad(file);
    TEXKIT2_FUZZ_CHECK(wad.fileLength == static_cast<std::int64_t>(size));
    for (const auto& entry : wad.entries) {
      TEXKIT2_FUZZ_CHECK(entry.position >= 0 && entry.storedSize >= 0);
      TEXKIT2_FUZZ_CHECK(static_cast<std::int64_t>(entry.position) + entry.storedSize <=
                         wad.fileLength);
      TEXKIT2_FUZZ_CHECK(entry.mip.has_value() == (entry.type == 0x44 && entry.storedSize >= 40));
      TEXKIT2_FUZZ_CHECK(entry.problem.empty() || entry.type == 0x44);
      const bool decodable = entry.mip && entry.problem.empty() && entry.compression == 0;
      try {
        const extract::MipTexture texture = extract::ReadMipTexture(file, entry);
        TEXKIT2_FUZZ_CHECK(decodable);
        for (std::size_t level = 0; level < texture.levels.size(); ++level) {
          const auto& mip = texture.levels[level];
          TEXKIT2_FUZZ_CHECK(mip.width == entry.mip->width >> level &&
                             mip.height == entry.mip->height >> level);
          TEXKIT2_FUZZ_CHECK(mip.indices.size() == static_cast<std::size_t>(mip.width) *
                                                       static_cast<std::size_t>(mip.height));
        }
      } catch (const extract::WadFormatError&) {
        TEXKIT2_FUZZ_CHECK(!decodable);
      }
    }
  } catch (const extract::WadFormatError&) {
    valid = false;
  }

  for (const bool json : {false, true}) {
    testing::MemoryFileSystem files;
    files.add("textures.wad", bytes);
    std::ostringstream out;
    std::ostringstream err;
    cli::CliContext context{files, out, err};
    std::vector<std::string> args = {"info", "textures.wad"};
    if (json) {
      args.insert(args.begin() + 1, "--json");
    }
    const int code = cli::runCli(args, context);
    TEXKIT2_FUZZ_CHECK(code == (valid ? cli::kExitSuccess : cli::kExitFailure));
    // A rejected file is reported on stderr; with --json, stdout holds the error object alone.
    TEXKIT2_FUZZ_CHECK(valid ? err.str().empty()
                             : (json ? out.str().starts_with("{\"error\": ") : out.str().empty()));
  }
  return 0;
}
