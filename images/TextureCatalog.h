#pragma once

#include "extract/Palette.h"
#include "extract/WadReader.h"
#include "images/Image.h"
#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::images {

// What one export of pictures did, entry by entry, as it happens.
struct ExportEvent {
  enum class Kind {
    Wrote,       // `path` written, `width` x `height`
    Unreadable,  // not written: `message` says why it cannot be decoded
    EmptyLevel,  // level `level` has no pixels (`width` x `height`); not written
    WriteFailed, // `message` says what could not be written
  };
  Kind kind = Kind::Wrote;
  std::size_t entry = 0;
  int level = 0;
  std::string path;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::string message;
};

struct ExportTotals {
  std::size_t files = 0;
  std::size_t textures = 0; // entries with at least their level 0 decoded
  std::size_t skipped = 0;  // entries not written at all
  bool failed = false;      // a file could not be written
};

// Writes the mip-textures `entries` of a WAD file (indices into `contents`) as PNG files into
// `folder` (made when missing), level 0 and with `mips` the three smaller levels, named by a
// TextureFileNamer in the order given: each entry into files of its own, even where letter
// case is not told apart. Throws ImageError when the folder cannot be made.
ExportTotals ExportTextures(platform::FileSystem& files, platform::File& wad,
                            const extract::WadContents& contents,
                            const std::vector<std::size_t>& entries,
                            const extract::Palette& palette, const std::string& folder, bool mips,
                            const std::function<void(const ExportEvent&)>& report);

// A WAD file's textures for a viewer: each decoded the first time it is asked for and kept.
class TextureCatalog {
 public:
  struct Item {
    std::string name; // up to its first zero byte
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Why it cannot be shown (another type, compressed, a header that does not fit it); empty
    // when it can, as far as its directory entry tells.
    std::string problem;
  };

  // Reads the WAD file's directory; throws extract::WadFormatError for a file that breaks its
  // format and ImageError for one that cannot be opened.
  TextureCatalog(platform::FileSystem& files, const std::string& wadPath,
                 const extract::Palette& palette);

  const std::string& path() const { return m_path; }
  const std::vector<Item>& items() const { return m_items; }
  const extract::WadContents& contents() const { return m_contents; }
  const extract::Palette& palette() const { return m_palette; }
  platform::File& file() { return *m_file; }

  // The texture of entry `index`, decoded; null, with the reason in the item's `problem`,
  // when it cannot be.
  const extract::MipTexture* texture(std::size_t index);
  // Level `level` in colour (RGBA); empty when the texture cannot be decoded.
  Image levelImage(std::size_t index, int level);
  // Level 0 scaled down to fit `side` square (never up), RGBA.
  Image thumbnail(std::size_t index, std::int32_t side);
  // The four levels: level 0, and under it the three smaller ones side by side, `gap` pixels
  // apart, on transparent pixels.
  Image levelsView(std::size_t index, std::int32_t gap = 4);

  // The entries whose name holds `text` in any letter case, in directory order.
  std::vector<std::size_t> filter(std::string_view text) const;

  // The frame of an animated sequence (+0name ... +9name, or +aname ... +jname) that entry
  // `index` shows at tick `tick`: the sequence's frames in order, one per tick; the entry
  // itself when it is in no sequence of two or more frames.
  std::size_t frameAt(std::size_t index, std::uint64_t tick) const;
  bool isAnimated(std::size_t index) const { return frames(index).size() > 1; }

 private:
  const std::vector<std::size_t>& frames(std::size_t index) const;

  std::string m_path;
  extract::Palette m_palette;
  std::unique_ptr<platform::File> m_file;
  extract::WadContents m_contents;
  std::vector<Item> m_items;
  std::vector<std::optional<extract::MipTexture>> m_decoded;
  std::vector<bool> m_tried;
  // Each sequence's frames in order, by the sequence's key; entries point at their sequence.
  std::map<std::string, std::vector<std::size_t>> m_sequences;
  std::vector<const std::vector<std::size_t>*> m_sequenceOf;
};

// Entry `index`'s position in an animated sequence: 0-9 for +0...+9 (the base frames), 10-19
// for +a...+j (the alternate frames); nullopt for any other name.
std::optional<int> AnimationFrameNumber(std::string_view name);

} // namespace texkit2::images
