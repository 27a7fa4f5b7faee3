#include "cli/ConflictReport.h"

#include "cli/Json.h"
#include "cli/TextureNames.h"

namespace texkit2::cli {
namespace {

std::string dimensions(const extract::TextureCopy& copy) {
  return std::to_string(copy.width) + " x " + std::to_string(copy.height);
}

// "PAK0.PAK maps/e1m1.bsp (4136 bytes, 64 x 64)"
std::string describe(const extract::TextureCopy& copy) {
  std::string text =
      copy.place.archive + " " + copy.place.map + " (" + std::to_string(copy.size) + " bytes";
  if (copy.hasHeader) {
    text += ", " + dimensions(copy);
  }
  text += ")";
  if (!copy.problem.empty()) {
    text += " [" + copy.problem + "]";
  }
  return text;
}

std::string differences(const extract::DroppedCopyReport& report,
                        const extract::TextureCopy& kept) {
  const auto& d = report.differences;
  if (!d.compared) {
    return "not compared: " + (report.copy.problem.empty() ? kept.problem : report.copy.problem);
  }
  if (!d.any()) {
    return "same bytes";
  }
  std::vector<std::string> parts;
  if (d.size) {
    parts.push_back("size " + std::to_string(kept.size) + " vs " +
                    std::to_string(report.copy.size));
  }
  if (d.dimensions) {
    parts.push_back("dimensions " + dimensions(kept) + " vs " + dimensions(report.copy));
  }
  if (d.pixels) {
    parts.push_back("other pixels");
  }
  if (d.nameTail) {
    parts.push_back("other bytes after the name's zero byte");
  }
  if (d.otherBytes) {
    parts.push_back("other bytes (level offsets or padding)");
  }
  std::string text;
  for (const auto& part : parts) {
    text += (text.empty() ? "" : ", ") + part;
  }
  return text;
}

std::vector<std::string> differenceWords(const extract::CopyDifferences& d) {
  std::vector<std::string> words;
  const std::pair<bool, const char*> flags[] = {
      {!d.compared, "not compared"}, {d.size, "size"},          {d.dimensions, "dimensions"},
      {d.pixels, "pixels"},          {d.nameTail, "name tail"}, {d.otherBytes, "other bytes"}};
  for (const auto& [set, word] : flags) {
    if (set) {
      words.emplace_back(word);
    }
  }
  return words;
}

std::string copyJson(const extract::TextureCopy& copy, const std::string& more = {}) {
  std::string json = "{\"archive\": " + jsonText(copy.place.archive) +
                     ", \"map\": " + jsonText(copy.place.map) +
                     ", \"size\": " + std::to_string(copy.size);
  if (copy.hasHeader) {
    json += ", \"width\": " + std::to_string(copy.width) +
            ", \"height\": " + std::to_string(copy.height);
  }
  if (!copy.problem.empty()) {
    json += ", \"problem\": " + jsonText(copy.problem);
  }
  return json + more + "}";
}

} // namespace

namespace {

std::string copies(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " copy" : " copies");
}

} // namespace

void printConflicts(const std::vector<extract::NameConflict>& conflicts, std::ostream& out) {
  if (conflicts.empty()) {
    out << "No texture name was met more than once.\n";
    return;
  }
  std::size_t dropped = 0;
  std::size_t differing = 0;
  std::size_t incomplete = 0;
  for (const auto& conflict : conflicts) {
    for (const auto& report : conflict.dropped) {
      if (report.incomplete) {
        ++incomplete;
        continue;
      }
      ++dropped;
      differing += report.differences.any() ? 1u : 0u;
    }
  }
  if (incomplete == 0) {
    out << "Texture names met more than once: " << conflicts.size() << ", with " << copies(dropped)
        << " dropped (" << differing << " of them with other bytes).\n"
        << "The first copy met is the one in the WAD file.\n";
  } else {
    out << "Texture names met more than once or in an incomplete copy: " << conflicts.size()
        << ", with " << copies(dropped) << " dropped (" << differing
        << " of them with other bytes) and " << copies(incomplete) << " left out as incomplete.\n"
        << "The first complete copy met is the one in the WAD file; an incomplete copy (its mip "
           "header does not fit its bytes) is never written.\n";
  }
  for (const auto& conflict : conflicts) {
    out << printableName(conflict.name) << ": ";
    if (conflict.hasKept) {
      out << "kept " << describe(conflict.kept) << '\n';
    } else {
      out << "none kept, no complete copy was met\n";
    }
    for (const auto& report : conflict.dropped) {
      if (report.incomplete) {
        out << "  left out " << describe(report.copy) << ": incomplete\n";
      } else {
        out << "  dropped " << describe(report.copy) << ": " << differences(report, conflict.kept)
            << '\n';
      }
    }
  }
}

std::string conflictsJson(const std::vector<extract::NameConflict>& conflicts) {
  std::string json = "[";
  for (const auto& conflict : conflicts) {
    std::string dropped = "[";
    for (const auto& report : conflict.dropped) {
      const std::string more =
          report.incomplete
              ? std::string(", \"incomplete\": true")
              : std::string(", \"sameBytes\": ") + (report.differences.any() ? "false" : "true") +
                    ", \"differences\": " + jsonTextList(differenceWords(report.differences));
      dropped += (dropped.size() == 1 ? "" : ", ") + copyJson(report.copy, more);
    }
    json += (json.size() == 1 ? "" : ", ") +
            jsonObject({{"name", jsonString(extract::TextureNameText(conflict.name))},
                        {"kept", conflict.hasKept ? copyJson(conflict.kept) : "null"},
                        {"dropped", dropped + "]"}});
  }
  return json + "]";
}

std::string incompleteJson(const std::vector<extract::NameConflict>& conflicts) {
  std::string json = "[";
  for (const auto& conflict : conflicts) {
    for (const auto& report : conflict.dropped) {
      if (!report.incomplete) {
        continue;
      }
      const std::string writtenInstead =
          conflict.hasKept ? jsonObject({{"archive", jsonText(conflict.kept.place.archive)},
                                         {"map", jsonText(conflict.kept.place.map)}})
                           : "null";
      json += (json.size() == 1 ? "" : ", ") +
              copyJson(report.copy,
                       ", \"name\": " + jsonString(extract::TextureNameText(conflict.name)) +
                           ", \"writtenInstead\": " + writtenInstead);
    }
  }
  return json + "]";
}

} // namespace texkit2::cli
