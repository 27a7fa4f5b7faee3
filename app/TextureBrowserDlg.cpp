#include "app/TextureBrowserDlg.h"

#include "framework/Choosers.h"

#include <algorithm>
#include <filesystem>
#include <numeric>

namespace texkit2::app {
namespace {

constexpr const char* kCaption = "Textures";
// Problems listed in the box after an export; the rest are counted.
constexpr std::size_t kProblemsListed = 10;
// Level 0 is shown at least this many pixels across, where whole-pixel magnification allows.
constexpr std::int32_t kPreviewSide = 128;

framework::Picture pictureOf(const images::Image& image) {
  framework::Picture picture;
  if (image.channels != 4) {
    return picture;
  }
  picture.width = image.width;
  picture.height = image.height;
  picture.rgba = image.pixels;
  return picture;
}

std::string sizeText(const images::TextureCatalog::Item& item) {
  return std::to_string(item.width) + " x " + std::to_string(item.height);
}

} // namespace

BrowserServices systemBrowserServices(platform::FileSystem& files,
                                      framework::MessageBoxService& messages) {
  return {files, messages,
          [](framework::CDialog* owner, const std::string& title, const std::string& filterName,
             const std::string& patterns) {
            return framework::ChooseFileToOpen(owner, title, filterName, patterns);
          },
          [](framework::CDialog& owner, const std::string& title) {
            return framework::ChooseFolder(&owner, title);
          }};
}

CTextureBrowserDlg::CTextureBrowserDlg(images::TextureCatalog& catalog, BrowserServices& services,
                                       framework::CDialog* owner)
    : CDialog(kTemplateId, owner), m_catalog(catalog), m_services(services) {}

bool CTextureBrowserDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  applyFilter();
  SetTimer(kAnimationTimer, kFrameMilliseconds);
  return true;
}

std::size_t CTextureBrowserDlg::entryShownAt(int index) const {
  return m_catalog.frameAt(m_shown.at(static_cast<std::size_t>(index)), m_tick);
}

void CTextureBrowserDlg::applyFilter() {
  m_shown = m_catalog.filter(GetDlgItemText(kFilter));
  const std::size_t all = m_catalog.items().size();
  std::string count = std::to_string(all) + (all == 1 ? " texture" : " textures");
  if (m_shown.size() != all) {
    count = std::to_string(m_shown.size()) + " of " + count;
  }
  count += " in " + std::filesystem::path(m_catalog.path()).filename().string();
  SetDlgItemText(kCount, count);
  SetThumbnailCount(kThumbnails, static_cast<int>(m_shown.size()));
  m_chosen.reset();
  EnableItem(kExportSelected, false);
  // All means the WAD's every texture: the filter narrows only what is seen.
  EnableItem(kExportAll, all > 0);
  showChosen();
}

void CTextureBrowserDlg::showChosen() {
  if (!m_chosen) {
    SetPicture(kPicture, {});
    SetDlgItemText(kPicture, "");
    SetDlgItemText(kName, "");
    SetDlgItemText(kDetail, "");
    return;
  }
  const std::size_t frame = m_catalog.frameAt(*m_chosen, m_tick);
  const auto& item = m_catalog.items()[*m_chosen];
  // Small textures are shown larger, by whole pixels, so that their pixels can be seen.
  const std::int32_t largest = std::max(item.width, item.height);
  const std::int32_t factor = largest > 0 ? std::clamp(kPreviewSide / largest, 1, 8) : 1;
  SetPicture(kPicture, pictureOf(images::Magnify(m_catalog.levelsView(frame), factor)));
  // A reason is a sentence, too long for the line under the view: it takes the picture's place.
  SetDlgItemText(kPicture, item.problem);
  SetDlgItemText(kName, item.name);
  if (!item.problem.empty()) {
    SetDlgItemText(kDetail, "Damaged: cannot be shown");
  } else if (frame != *m_chosen) {
    SetDlgItemText(kDetail, sizeText(item) + ", now " + m_catalog.items()[frame].name);
  } else {
    SetDlgItemText(kDetail, sizeText(item) + ", 4 levels" +
                                (factor > 1 ? ", shown at " + std::to_string(factor) + "x" : ""));
  }
}

void CTextureBrowserDlg::OnEditChange(int controlId) {
  if (controlId == kFilter) {
    applyFilter();
  }
}

void CTextureBrowserDlg::OnThumbnailNeedItem(int controlId, int index, std::string& caption,
                                             framework::Picture& picture) {
  if (controlId != kThumbnails || index < 0 || static_cast<std::size_t>(index) >= m_shown.size()) {
    return;
  }
  const std::size_t entry = m_shown[static_cast<std::size_t>(index)];
  const auto& item = m_catalog.items()[entry];
  picture = pictureOf(m_catalog.thumbnail(entryShownAt(index), framework::kThumbnailSide));
  // Decoding may have found what the directory could not tell.
  caption = item.name + "\n" + (item.problem.empty() ? sizeText(item) : std::string("damaged"));
}

void CTextureBrowserDlg::OnThumbnailSelChanged(int controlId) {
  if (controlId != kThumbnails) {
    return;
  }
  const auto selection = GetThumbnailSelection(kThumbnails);
  EnableItem(kExportSelected, !selection.empty());
  std::optional<std::size_t> chosen;
  if (!selection.empty()) {
    chosen = m_shown.at(static_cast<std::size_t>(selection.front()));
  }
  if (chosen != m_chosen) {
    m_chosen = chosen;
    showChosen();
  }
}

void CTextureBrowserDlg::OnTimer(int id) {
  if (id != kAnimationTimer) {
    return;
  }
  ++m_tick;
  // Only what is seen is drawn again: a long list stays cheap.
  for (const int index : GetVisibleThumbnails(kThumbnails)) {
    if (static_cast<std::size_t>(index) < m_shown.size() &&
        m_catalog.isAnimated(m_shown[static_cast<std::size_t>(index)])) {
      UpdateThumbnails(kThumbnails, index, index);
    }
  }
  if (m_chosen && m_catalog.isAnimated(*m_chosen)) {
    showChosen();
  }
}

void CTextureBrowserDlg::OnCommand(int controlId) {
  if (controlId == kExportSelected) {
    std::vector<std::size_t> entries;
    for (const int index : GetThumbnailSelection(kThumbnails)) {
      entries.push_back(m_shown.at(static_cast<std::size_t>(index)));
    }
    exportEntries(entries);
    return;
  }
  if (controlId == kExportAll) {
    std::vector<std::size_t> entries(m_catalog.items().size());
    std::iota(entries.begin(), entries.end(), std::size_t{0});
    exportEntries(entries);
    return;
  }
  CDialog::OnCommand(controlId);
}

void CTextureBrowserDlg::exportEntries(const std::vector<std::size_t>& entries) {
  if (entries.empty()) {
    return;
  }
  const auto folder = m_services.chooseFolder(*this, "Export Textures");
  if (!folder || folder->empty()) {
    return;
  }
  std::vector<std::string> problems;
  const auto note = [&](const images::ExportEvent& event) {
    using Kind = images::ExportEvent::Kind;
    const std::string& name = m_catalog.items()[event.entry].name;
    switch (event.kind) {
    case Kind::Wrote:
      return;
    case Kind::Unreadable:
      problems.push_back(name + ": not written, " + event.message);
      return;
    case Kind::EmptyLevel:
      problems.push_back(name + ": level " + std::to_string(event.level) + " has no pixels");
      return;
    case Kind::WriteFailed:
      problems.push_back(event.message);
      return;
    }
  };
  images::ExportTotals totals;
  try {
    totals = images::ExportTextures(m_services.files, m_catalog.file(), m_catalog.contents(),
                                    entries, m_catalog.palette(), *folder, false, note);
  } catch (const images::ImageError& error) {
    m_services.messages.show(this, std::string("Nothing was exported: ") + error.what(), kCaption,
                             framework::BoxIcon::Error);
    return;
  }
  std::string text = std::to_string(totals.files) + (totals.files == 1 ? " texture" : " textures") +
                     " exported to " + *folder + ".";
  for (std::size_t i = 0; i < problems.size() && i < kProblemsListed; ++i) {
    text += "\n" + problems[i];
  }
  if (problems.size() > kProblemsListed) {
    text += "\n(and " + std::to_string(problems.size() - kProblemsListed) + " more)";
  }
  m_services.messages.show(this, text, kCaption,
                           problems.empty() ? framework::BoxIcon::None
                                            : framework::BoxIcon::Warning);
}

void BrowseTextures(BrowserServices& services, framework::CDialog* owner, std::string wadPath) {
  if (wadPath.empty()) {
    const auto chosen = services.chooseFile(owner, "Open a WAD File", "WAD files", "*.wad");
    if (!chosen || chosen->empty()) {
      return;
    }
    wadPath = *chosen;
  }
  auto lookup = extract::FindPaletteBesideWad(services.files, wadPath);
  if (!lookup.palette) {
    std::string text;
    if (!lookup.error.empty()) {
      text = lookup.error;
    } else {
      text = "No palette was found for " + wadPath + ". Looked for " + extract::kPaletteEntryName +
             " in the folder that holds it:";
      for (const auto& place : lookup.looked) {
        text += "\n  " + place;
      }
    }
    text += "\n\nChoose the game's palette (a 768-byte palette.lmp, 256 RGB triples) next.";
    services.messages.show(owner, text, kCaption, framework::BoxIcon::Warning);
    const auto chosen =
        services.chooseFile(owner, "Choose the Game's Palette", "Palette files", "*.lmp");
    if (!chosen || chosen->empty()) {
      return;
    }
    lookup = extract::LoadPaletteFile(services.files, *chosen);
    if (!lookup.palette) {
      services.messages.show(owner, lookup.error, kCaption, framework::BoxIcon::Error);
      return;
    }
  }
  std::optional<images::TextureCatalog> catalog;
  try {
    catalog.emplace(services.files, wadPath, *lookup.palette);
  } catch (const extract::WadFormatError& error) {
    services.messages.show(owner, wadPath + " is not a valid WAD2 file: " + error.what(), kCaption,
                           framework::BoxIcon::Error);
    return;
  } catch (const images::ImageError& error) {
    services.messages.show(owner, error.what(), kCaption, framework::BoxIcon::Error);
    return;
  }
  CTextureBrowserDlg browser(*catalog, services, owner);
  browser.DoModal();
}

} // namespace texkit2::app
