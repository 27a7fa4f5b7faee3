#include "app/LocateCommands.h"

#include "app/ExtractDlg.h"
#include "locate/DriveSearch.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"

namespace texkit2::app {
namespace {

// Both dialogs have just accepted the folder and left it current; it is looked at again only to
// tell one archive from two.
std::string foundText(platform::FileSystem& files, const std::string& folder) {
  files.setCurrentDirectory(folder);
  return locate::FoundArchivesText(locate::FindDataArchives(files));
}

} // namespace

void installLocateCommands(AppServices& services, platform::Drives& drives,
                           locate::LibraryLookup libraries) {
  services.search = [&services, &drives, libraries = std::move(libraries)](CExtractDlg& main) {
    if (locate::RunSearch(&main, main.gameKind(), main.dataFolderRef(), drives, services.files,
                          libraries)) {
      main.ShowFolderLocated(foundText(services.files, main.dataFolderRef()));
    }
    main.UpdateData(false);
  };
  services.manualLocate = [&services, &drives](CExtractDlg& main) {
    auto folder = locate::RunManualLocate(&main, main.gameKind(), drives, services.files);
    if (!folder)
      return;
    main.dataFolderRef() = *folder;
    main.ShowFolderLocated(" " + foundText(services.files, *folder));
    main.UpdateData(false);
  };
}

} // namespace texkit2::app
