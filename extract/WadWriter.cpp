#include "extract/WadWriter.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace texkit2::extract {
namespace {

constexpr const char* kExtractingText = "Extracting textures. Please wait...";
constexpr const char* kDirectoryText = "Writing directory table. Please wait...";
constexpr std::size_t kCopyBufferSize = 256 * 1024;

std::int32_t progressMaximum(std::int32_t count) {
  const std::int64_t maximum = 3 * static_cast<std::int64_t>(count);
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(maximum, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t fail(ExtractionFeedback& feedback, const std::string& detail) {
  feedback.ShowMessageWithDetail(kWadWriteFailed, kFileIoCaption, MessageIcon::Warning, detail);
  return -1;
}

// Why writing `wad` failed, for the detail of the message.
std::string writeFailure(const platform::File& wad) {
  const std::string reason = wad.lastError();
  return wad.fileName() + (reason.empty() ? ": write failed" : ": " + reason);
}

std::string readFailure(const TextureRecord& record) {
  std::string detail = record.source->fileName() + ": the " + std::to_string(record.size) +
                       " bytes of texture \"" + TextureNameText(record.name) + "\" at offset " +
                       std::to_string(record.offset) + " cannot be read";
  if (const std::string reason = record.source->lastError(); !reason.empty()) {
    detail += " (" + reason + ")";
  }
  return detail;
}

} // namespace

std::int32_t WriteWadData(platform::File& wad, TextureTable& table, ExtractionFeedback& feedback) {
  feedback.SetProgressRange(progressMaximum(table.count));
  feedback.SetProgressPos(0);
  feedback.SetStatusText(kExtractingText);

  std::int32_t largest = 0;
  std::int64_t directoryOffset = static_cast<std::int64_t>(layout::kWadHeaderSize);
  for (const auto& record : table.slots) {
    largest = std::max(largest, record->size);
    directoryOffset += record->size;
    feedback.StepProgress();
  }
  // The directory offset and every position in it are 32-bit.
  if (directoryOffset > std::numeric_limits<std::int32_t>::max()) {
    return fail(feedback, wad.fileName() + ": the textures pass the 2 GB a WAD2 file can hold");
  }
  // Every copy is written whole or the run fails, so the header is final at once: patching it
  // at the end would dirty its page again after it went to the disk.
  std::array<std::uint8_t, layout::kWadHeaderSize> header{};
  std::copy(layout::kWadMagic.begin(), layout::kWadMagic.end(), header.begin());
  layout::writeI32(header, 4, table.count);
  layout::writeI32(header, 8, static_cast<std::int32_t>(directoryOffset));
  if (!wad.seek(0) || !wad.write(header.data(), header.size())) {
    return fail(feedback, writeFailure(wad));
  }

  // Textures are gathered into one buffer and written together: one write per texture costs
  // more than the copy itself. Not zero-filled: every byte written is read into it first.
  const std::size_t bufferSize =
      std::max<std::size_t>(static_cast<std::size_t>(largest), kCopyBufferSize);
  const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[bufferSize]);
  if (!buffer) {
    feedback.ShowMessage("Could not allocate memory!", "Allocation failure", MessageIcon::Error);
    return -1;
  }
  std::size_t buffered = 0;
  auto flush = [&] {
    const bool written = buffered == 0 || wad.write(buffer.get(), buffered);
    buffered = 0;
    return written;
  };

  std::int64_t position = static_cast<std::int64_t>(layout::kWadHeaderSize);
  for (const auto& record : table.slots) {
    const auto size = static_cast<std::size_t>(record->size);
    if (buffered + size > bufferSize && !flush()) {
      return fail(feedback, writeFailure(wad));
    }
    if (record->source == nullptr) {
      return fail(feedback, "texture \"" + TextureNameText(record->name) + "\" has no archive");
    }
    if (!record->source->seek(record->offset) ||
        !record->source->readExact(buffer.get() + buffered, size)) {
      return fail(feedback, readFailure(*record));
    }
    buffered += size;
    record->offset = static_cast<std::int32_t>(position);
    position += record->size;
    feedback.StepProgress();
  }
  if (!flush()) {
    return fail(feedback, writeFailure(wad));
  }

  feedback.SetStatusText(kDirectoryText);
  return static_cast<std::int32_t>(position);
}

bool WriteWadDirectory(platform::File& wad, const TextureTable& table, std::int32_t directoryOffset,
                       ExtractionFeedback& feedback) {
  feedback.SetStatusText(kDirectoryText);
  if (!wad.seek(directoryOffset)) {
    fail(feedback, writeFailure(wad));
    return false;
  }
  // Entries go out in large chunks, most directories in one write.
  constexpr std::size_t kChunkEntries = 4096;
  std::vector<std::uint8_t> chunk;
  try {
    chunk.reserve(std::min(table.slots.size(), kChunkEntries) * layout::kWadEntrySize);
  } catch (const std::bad_alloc&) {
    feedback.ShowMessage("Could not allocate memory!", "Allocation failure", MessageIcon::Error);
    return false;
  }
  std::size_t pendingSteps = 0;
  auto flush = [&] {
    if (!chunk.empty() && !wad.write(chunk.data(), chunk.size())) {
      return false;
    }
    chunk.clear();
    for (; pendingSteps > 0; --pendingSteps) {
      feedback.StepProgress();
    }
    return true;
  };
  for (const auto& record : table.slots) {
    std::array<std::uint8_t, layout::kWadEntrySize> entry{};
    layout::writeI32(entry, 0, record->offset);
    layout::writeI32(entry, 4, record->size);
    layout::writeI32(entry, 8, record->size);
    entry[12] = layout::kWadTypeMipTexture;
    entry[13] = layout::kWadNoCompression;
    std::copy(record->name.begin(), record->name.end(), entry.begin() + 16);
    chunk.insert(chunk.end(), entry.begin(), entry.end());
    ++pendingSteps;
    if (pendingSteps == kChunkEntries && !flush()) {
      fail(feedback, writeFailure(wad));
      return false;
    }
  }
  if (!flush()) {
    fail(feedback, writeFailure(wad));
    return false;
  }

  return true;
}

void TallyAndFree(TextureTable& table, std::int32_t& simple, std::int32_t& animated) {
  for (auto it = table.slots.rbegin(); it != table.slots.rend(); ++it) {
    if (IsAnimatedTexture((*it)->name)) {
      ++animated;
    } else {
      ++simple;
    }
  }
  table.clear();
}

} // namespace texkit2::extract
