#include "app/Screenshots.h"

#include "app/ExtractDlg.h"
#include "app/TextureBrowserDlg.h"
#include "app/WadInfoDlg.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"
#include "platform/MemoryDrives.h"

#include <filesystem>

namespace texkit2::app {
namespace {

namespace fs = std::filesystem;

void keep(const std::string& file, std::vector<std::string>& written) {
  if (!file.empty()) {
    written.push_back(file);
  }
}

// The Locate dialog over a made-up drive table, so that the pictures do not show this machine:
// the folder two levels above the data folder as the hard disk (the fill opens it), beside an
// empty CD-ROM and stick.
void takeLocateDialog(ScreenshotCamera& camera, CExtractDlg& owner, const fs::path& data,
                      AppServices& services, const std::string& folder,
                      std::vector<std::string>& written) {
  const fs::path install = data.parent_path();
  std::error_code ec;
  const fs::path media =
      fs::temp_directory_path(ec) / ("texkit2-media-" + install.filename().string());
  fs::create_directories(media / "cdrom", ec);
  fs::create_directories(media / "stick", ec);
  platform::MemoryDrives drives;
  drives.addDrive(install.parent_path(), platform::DriveType::Fixed);
  drives.addDrive(media / "cdrom", platform::DriveType::CdRom, 0x1234abcd);
  drives.addDrive(media / "stick", platform::DriveType::Removable, 0x0badf00d);
  {
    locate::CLocateDlg locateDlg(drives, services.files, &owner);
    locateDlg.SetPrompt(extract::gameInfo(extract::kGameQuake)->locatePrompt, extract::kGameQuake);
    locateDlg.Create();
    keep(camera.take(locateDlg, folder, "locate-browsing"), written);

    locate::CDirTreeCtrl& tree = locateDlg.tree();
    const std::string installName = install.filename().string();
    for (auto drive = tree.GetRootItem(); drive != nullptr;
         drive = tree.GetNextSiblingItem(drive)) {
      for (auto child = tree.GetChildItem(drive); child != nullptr;
           child = tree.GetNextSiblingItem(child)) {
        if (tree.GetItemText(child) == installName) {
          tree.SelectItem(child);
        }
      }
    }
    if (locateDlg.found()) {
      keep(camera.take(locateDlg, folder, "locate-found"), written);
    }
    locateDlg.KillTimer(locate::CLocateDlg::kFlashTimer);
    locateDlg.FlashWindow(false);
    camera.hide(locateDlg);
  }
  fs::remove_all(media, ec);
}

// The Search dialog with Game Libraries ticked, then its found state: the libraries here are
// made up to record `data`, and no drive is walked, so the pictures do not show this machine.
void takeSearchDialog(ScreenshotCamera& camera, CExtractDlg& owner, const std::string& data,
                      AppServices& services, const std::string& folder,
                      std::vector<std::string>& written) {
  platform::MemoryDrives noDrives;
  std::string found;
  locate::CSearchDlg searchDlg(noDrives, services.files, &owner,
                               [&data](extract::GameKind) { return data; });
  searchDlg.SetSearchTarget(extract::gameInfo(extract::kGameQuake)->executable, found,
                            extract::kGameQuake);
  searchDlg.Create();
  searchDlg.CheckDlgButton(locate::CSearchDlg::kGameLibraries, true);
  searchDlg.OnSearchOption();
  keep(camera.take(searchDlg, folder, "search-libraries"), written);
  searchDlg.OnBeginSearch();
  searchDlg.KillTimer(locate::CSearchDlg::kFlashTimer);
  searchDlg.FlashWindow(false);
  if (searchDlg.found()) {
    keep(camera.take(searchDlg, folder, "search-found"), written);
  }
  camera.hide(searchDlg);
}

// The browser over the WAD file the run wrote, its first animated texture chosen.
void takeTextureBrowser(ScreenshotCamera& camera, CExtractDlg& owner, const std::string& wadPath,
                        AppServices& services, const std::string& folder,
                        std::vector<std::string>& written) {
  const auto lookup = extract::FindPaletteBesideWad(services.files, wadPath);
  if (!lookup.palette) {
    return;
  }
  try {
    images::TextureCatalog catalog(services.files, wadPath, *lookup.palette);
    BrowserServices browserServices{services.files, services.messages, {}, {}};
    CTextureBrowserDlg browser(catalog, browserServices, &owner);
    browser.Create();
    browser.KillTimer(CTextureBrowserDlg::kAnimationTimer);
    for (std::size_t i = 0; i < browser.shown().size(); ++i) {
      if (catalog.isAnimated(browser.shown()[i])) {
        browser.SetThumbnailSelection(CTextureBrowserDlg::kThumbnails, {static_cast<int>(i)});
        break;
      }
    }
    keep(camera.take(browser, folder, "texture-browser"), written);
    camera.hide(browser);
  } catch (const std::exception&) {
    // No picture of the browser; the others stand.
  }
}

class PrintedMessages final : public framework::MessageBoxService {
 public:
  explicit PrintedMessages(const std::function<void(const std::string&)>& print) : m_print(print) {}
  void show(framework::CDialog* /*owner*/, const std::string& text, const std::string& caption,
            framework::BoxIcon /*icon*/) override {
    m_print("texkit2: " + caption + ": " + text);
  }

 private:
  const std::function<void(const std::string&)>& m_print;
};

} // namespace

int runScreenshotCommand(ScreenshotCamera& camera, platform::FileSystem& files,
                         const std::string& folder, const std::string& dataFolder,
                         const std::function<void(const std::string&)>& out,
                         const std::function<void(const std::string&)>& err) {
  PrintedMessages printed(err);
  // The Textures button is drawn as the program has it, on; nothing here presses it.
  AppServices services{files, printed, [] { return platform::HostRegistry{}; },       {},
                       {},    {},      [](framework::CDialog*, const std::string&) {}};
  std::string error;
  const auto written = writeScreenshots(camera, folder, dataFolder, services, error);
  for (const std::string& file : written) {
    out(file);
  }
  if (!error.empty()) {
    err("texkit2: " + error);
    return 1;
  }
  return written.empty() ? 1 : 0;
}

std::vector<std::string> writeScreenshots(ScreenshotCamera& camera, const std::string& requested,
                                          const std::string& dataFolder, AppServices& services,
                                          std::string& error) {
  std::vector<std::string> written;
  std::error_code ec;
  const fs::path data = fs::absolute(dataFolder, ec).lexically_normal();
  const std::string here = services.files.currentDirectory();
  const bool holdsArchives = services.files.setCurrentDirectory(data.string()) &&
                             services.files.openForReading("PAK0.PAK") &&
                             services.files.openForReading("PAK1.PAK");
  services.files.setCurrentDirectory(here);
  if (!holdsArchives) {
    error = data.string() +
            " is not a game data folder: it must hold PAK0.PAK and PAK1.PAK (for Quake the id1 "
            "folder of the game)";
    return written;
  }
  // The extraction makes the data folder current; a relative folder must not follow it.
  const std::string folder = fs::absolute(requested, ec).lexically_normal().string();
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = "cannot make the folder " + folder;
    return written;
  }
  CExtractDlg dialog(services);
  dialog.Create();
  keep(camera.take(dialog, folder, "main-start"), written);

  dialog.CheckDlgButton(CExtractDlg::kQuake, true);
  dialog.OnCommand(CExtractDlg::kQuake);
  keep(camera.take(dialog, folder, "main-game-chosen"), written);
  takeLocateDialog(camera, dialog, data, services, folder, written);

  std::string folderText = data.string();
  if (folderText.back() != platform::kPathSeparator) {
    folderText += platform::kPathSeparator;
  }
  takeSearchDialog(camera, dialog, folderText, services, folder, written);
  dialog.dataFolderRef() = folderText;
  dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
  dialog.UpdateData(false);
  keep(camera.take(dialog, folder, "main-folder-located"), written);

  // The look of a run in progress, set up on the controls the run drives.
  dialog.StartBusyAnimation();
  dialog.AnimateStop(CExtractDlg::kAnimation);
  for (int i = 0; i < 8; ++i) {
    dialog.AnimatePlay(CExtractDlg::kAnimation, i, i, 1);
  }
  dialog.SetStatusText("Extracting textures. Please wait...");
  dialog.SetProgressRange(300);
  dialog.SetProgressPos(130);
  keep(camera.take(dialog, folder, "main-extracting"), written);
  dialog.StopBusyAnimation();
  dialog.SetProgressPos(0);

  // The real run; its summary box is photographed and closed as soon as it opens.
  const std::string info = camera.takeModal(CWadInfoDlg::kTemplateId, folder, "wad-file-info",
                                            [&] { dialog.OnBegin(); });
  if (info.empty()) {
    error = "the extraction of " + data.string() + " failed";
    camera.hide(dialog);
    return written;
  }
  written.push_back(info);
  keep(camera.take(dialog, folder, "main-extracted"), written);

  takeTextureBrowser(camera, dialog,
                     folderText + extract::gameInfo(extract::kGameQuake)->wadFileName, services,
                     folder, written);

  CAboutDlg about(&dialog);
  about.Create();
  keep(camera.take(about, folder, "about"), written);
  camera.hide(about);
  camera.hide(dialog);
  return written;
}

} // namespace texkit2::app
