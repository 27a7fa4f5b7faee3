#include "images/TextureCatalog.h"

#include "images/Png.h"
#include "images/TextureFileNames.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <filesystem>

namespace texkit2::images {
namespace {

Image toRgba(const Image& image) {
  if (image.channels == 4) {
    return image;
  }
  Image rgba;
  rgba.width = image.width;
  rgba.height = image.height;
  rgba.channels = 4;
  rgba.pixels.reserve(image.pixels.size() / 3 * 4);
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    rgba.pixels.insert(rgba.pixels.end(), {image.pixels[i], image.pixels[i + 1],
                                           image.pixels[i + 2], std::uint8_t{255}});
  }
  return rgba;
}

// The sequence a frame belongs to: its name after the frame number, folded, and whether it is
// the alternate one (+a...+j), which the engine plays apart from the base frames.
std::string sequenceKey(std::string_view name, int frame) {
  return platform::lowerAscii(std::string(name.substr(2))) + (frame >= 10 ? 'a' : '0');
}

} // namespace

std::optional<int> AnimationFrameNumber(std::string_view name) {
  if (name.size() < 3 || name[0] != '+') {
    return std::nullopt;
  }
  const char c = name[1];
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'j') {
    return 10 + (c - 'a');
  }
  if (c >= 'A' && c <= 'J') {
    return 10 + (c - 'A');
  }
  return std::nullopt;
}

ExportTotals ExportTextures(platform::FileSystem& files, platform::File& wad,
                            const extract::WadContents& contents,
                            const std::vector<std::size_t>& entries,
                            const extract::Palette& palette, const std::string& folder, bool mips,
                            const std::function<void(const ExportEvent&)>& report) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw ImageError("cannot make the folder " + folder + ": " + ec.message());
  }
  ExportTotals totals;
  const int levels = mips ? 4 : 1;
  TextureFileNamer namer(levels);
  for (const std::size_t i : entries) {
    const auto& entry = contents.entries.at(i);
    std::optional<extract::MipTexture> texture;
    try {
      texture = extract::ReadMipTexture(wad, entry);
    } catch (const extract::WadFormatError& error) {
      ExportEvent event;
      event.kind = ExportEvent::Kind::Unreadable;
      event.entry = i;
      event.message = error.what();
      report(event);
      ++totals.skipped;
      continue;
    }
    // Only what is written claims a name.
    const std::string stem = namer.stem(extract::TextureNameText(entry.name));
    const bool transparent = HasTransparentIndex(entry.name);
    for (int level = 0; level < levels; ++level) {
      const auto& mip = texture->levels[static_cast<std::size_t>(level)];
      ExportEvent event;
      event.entry = i;
      event.level = level;
      event.path = (std::filesystem::path(folder) / TextureFileName(stem, level)).string();
      event.width = mip.width;
      event.height = mip.height;
      if (mip.width == 0 || mip.height == 0) {
        event.kind = ExportEvent::Kind::EmptyLevel;
        report(event);
        continue;
      }
      try {
        WritePngFile(files, event.path, Colorize(mip, palette, transparent));
      } catch (const ImageError& error) {
        event.kind = ExportEvent::Kind::WriteFailed;
        event.message = error.what();
        totals.failed = true;
        report(event);
        continue;
      }
      ++totals.files;
      report(event);
    }
    ++totals.textures;
  }
  return totals;
}

TextureCatalog::TextureCatalog(platform::FileSystem& files, const std::string& wadPath,
                               const extract::Palette& palette)
    : m_path(wadPath), m_palette(palette), m_file(files.openForReading(wadPath)) {
  if (!m_file) {
    throw ImageError("cannot open " + wadPath + ": " + files.lastError());
  }
  m_contents = extract::ReadWad(*m_file);
  const std::size_t count = m_contents.entries.size();
  m_items.reserve(count);
  m_decoded.resize(count);
  m_tried.assign(count, false);
  m_sequenceOf.assign(count, nullptr);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& entry = m_contents.entries[i];
    Item item;
    item.name = extract::TextureNameText(entry.name);
    if (entry.mip) {
      item.width = entry.mip->width;
      item.height = entry.mip->height;
    }
    if (!entry.isMipTexture()) {
      item.problem = "not a mip-texture";
    } else if (entry.compression != extract::layout::kWadNoCompression) {
      item.problem = "compressed";
    } else {
      item.problem = entry.problem;
    }
    if (const auto frame = AnimationFrameNumber(item.name); frame && item.problem.empty()) {
      m_sequences[sequenceKey(item.name, *frame)].push_back(i);
    }
    m_items.push_back(std::move(item));
  }
  for (auto& [key, members] : m_sequences) {
    std::stable_sort(members.begin(), members.end(), [this](std::size_t a, std::size_t b) {
      return *AnimationFrameNumber(m_items[a].name) < *AnimationFrameNumber(m_items[b].name);
    });
    for (const std::size_t member : members) {
      m_sequenceOf[member] = &members;
    }
  }
}

const extract::MipTexture* TextureCatalog::texture(std::size_t index) {
  if (!m_tried.at(index)) {
    m_tried[index] = true;
    try {
      m_decoded[index] = extract::ReadMipTexture(*m_file, m_contents.entries[index]);
    } catch (const extract::WadFormatError& error) {
      m_items[index].problem = error.what();
    }
  }
  return m_decoded[index] ? &*m_decoded[index] : nullptr;
}

Image TextureCatalog::levelImage(std::size_t index, int level) {
  const auto* mip = texture(index);
  if (mip == nullptr || level < 0 || level > 3) {
    return {};
  }
  return toRgba(Colorize(mip->levels[static_cast<std::size_t>(level)], m_palette,
                         HasTransparentIndex(m_contents.entries[index].name)));
}

Image TextureCatalog::thumbnail(std::size_t index, std::int32_t side) {
  const auto* mip = texture(index);
  if (mip == nullptr) {
    return {};
  }
  // The smallest level that still fills the square, then nearest-neighbour from it: the
  // engine's own smaller levels look better than any filter of ours.
  int level = 0;
  while (level < 3 && mip->levels[static_cast<std::size_t>(level) + 1].width >= side &&
         mip->levels[static_cast<std::size_t>(level) + 1].height >= side) {
    ++level;
  }
  Image source = levelImage(index, level);
  const std::int32_t largest = std::max(source.width, source.height);
  if (largest <= side || largest == 0) {
    return source;
  }
  Image scaled;
  scaled.channels = 4;
  scaled.width = std::max<std::int32_t>(1, source.width * side / largest);
  scaled.height = std::max<std::int32_t>(1, source.height * side / largest);
  scaled.pixels.resize(static_cast<std::size_t>(scaled.width) *
                       static_cast<std::size_t>(scaled.height) * 4);
  for (std::int32_t y = 0; y < scaled.height; ++y) {
    const std::int32_t sy = y * source.height / scaled.height;
    for (std::int32_t x = 0; x < scaled.width; ++x) {
      const std::int32_t sx = x * source.width / scaled.width;
      const auto from = (static_cast<std::size_t>(sy) * static_cast<std::size_t>(source.width) +
                         static_cast<std::size_t>(sx)) *
                        4;
      const auto to = (static_cast<std::size_t>(y) * static_cast<std::size_t>(scaled.width) +
                       static_cast<std::size_t>(x)) *
                      4;
      std::copy_n(source.pixels.begin() + static_cast<std::ptrdiff_t>(from), 4,
                  scaled.pixels.begin() + static_cast<std::ptrdiff_t>(to));
    }
  }
  return scaled;
}

Image TextureCatalog::levelsView(std::size_t index, std::int32_t gap) {
  const auto* mip = texture(index);
  if (mip == nullptr) {
    return {};
  }
  // Level 0 above, the three smaller ones in a row under it: fits a tall view best.
  const auto& levels = mip->levels;
  Image view;
  view.channels = 4;
  view.width =
      std::max(levels[0].width, levels[1].width + levels[2].width + levels[3].width + 2 * gap);
  view.height = levels[0].height + gap + levels[1].height;
  view.pixels.assign(
      static_cast<std::size_t>(view.width) * static_cast<std::size_t>(view.height) * 4, 0);
  std::int32_t left = 0;
  for (int level = 0; level < 4; ++level) {
    const Image image = levelImage(index, level);
    const std::int32_t top = level == 0 ? 0 : levels[0].height + gap;
    for (std::int32_t y = 0; y < image.height; ++y) {
      std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width * 4,
                  static_cast<std::ptrdiff_t>(image.width) * 4,
                  view.pixels.begin() +
                      (static_cast<std::ptrdiff_t>(top + y) * view.width + left) * 4);
    }
    if (level > 0) {
      left += image.width + gap;
    }
  }
  return view;
}

std::vector<std::size_t> TextureCatalog::filter(std::string_view text) const {
  const std::string wanted = platform::lowerAscii(std::string(text));
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (platform::lowerAscii(m_items[i].name).find(wanted) != std::string::npos) {
      shown.push_back(i);
    }
  }
  return shown;
}

const std::vector<std::size_t>& TextureCatalog::frames(std::size_t index) const {
  static const std::vector<std::size_t> none;
  const auto* sequence = m_sequenceOf.at(index);
  return sequence != nullptr ? *sequence : none;
}

std::size_t TextureCatalog::frameAt(std::size_t index, std::uint64_t tick) const {
  const auto& sequence = frames(index);
  if (sequence.size() < 2) {
    return index;
  }
  // Each frame starts its own cycle at its own place, as the engine's do.
  const auto at = std::find(sequence.begin(), sequence.end(), index) - sequence.begin();
  return sequence[static_cast<std::size_t>((static_cast<std::uint64_t>(at) + tick) %
                                           sequence.size())];
}

} // namespace texkit2::images
