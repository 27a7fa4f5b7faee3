#pragma once

#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "images/TextureCatalog.h"
#include "platform/File.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::app {

// What the texture browser reaches outside itself; tests hand in their own choosers.
struct BrowserServices {
  platform::FileSystem& files;
  framework::MessageBoxService& messages;
  // A file to open: owner (null for none), title, filter name, patterns ("*.wad"); nothing when
  // cancelled.
  std::function<std::optional<std::string>(framework::CDialog*, const std::string&,
                                           const std::string&, const std::string&)>
      chooseFile;
  // A folder to write into: owner, title; nothing when cancelled.
  std::function<std::optional<std::string>(framework::CDialog&, const std::string&)> chooseFolder;
};

// The system's own choosers.
BrowserServices systemBrowserServices(platform::FileSystem& files,
                                      framework::MessageBoxService& messages);

// The textures of one WAD file in the game's colours: thumbnails with a filter, animated
// sequences playing, the four levels of the chosen one, and export to PNG files.
class CTextureBrowserDlg final : public framework::CDialog {
 public:
  static constexpr int kTemplateId = 140;
  static constexpr int kFilter = 1040;
  static constexpr int kThumbnails = 1041;
  static constexpr int kPicture = 1042;
  static constexpr int kCount = 1043;
  static constexpr int kName = 1044;
  static constexpr int kDetail = 1045;
  static constexpr int kExportSelected = 1046;
  static constexpr int kExportAll = 1047;
  static constexpr int kAnimationTimer = 1;
  // The engines show the next frame of a sequence five times a second.
  static constexpr int kFrameMilliseconds = 200;

  CTextureBrowserDlg(images::TextureCatalog& catalog, BrowserServices& services,
                     framework::CDialog* owner = nullptr);

  // The entries shown, in the grid's order.
  const std::vector<std::size_t>& shown() const { return m_shown; }
  std::uint64_t tick() const { return m_tick; }
  // The entry that thumbnail `index` shows now (another frame of its sequence while it plays).
  std::size_t entryShownAt(int index) const;

  bool OnInitDialog() override;
  void OnCommand(int controlId) override;
  void OnTimer(int id) override;
  void OnEditChange(int controlId) override;
  void OnThumbnailNeedItem(int controlId, int index, std::string& caption,
                           framework::Picture& picture) override;
  void OnThumbnailSelChanged(int controlId) override;

 private:
  void applyFilter();
  void showChosen();
  void exportEntries(const std::vector<std::size_t>& entries);

  images::TextureCatalog& m_catalog;
  BrowserServices& m_services;
  std::vector<std::size_t> m_shown;
  std::optional<std::size_t> m_chosen;
  std::uint64_t m_tick = 0;
};

// Opens the browser over `wadPath` (asks for a WAD file when it is empty), with the palette
// found beside it, or one the user picks when there is none; says in a box what went wrong.
// With no owner the browser stands alone, as when the program is started on a WAD file.
void BrowseTextures(BrowserServices& services, framework::CDialog* owner, std::string wadPath);

} // namespace texkit2::app
