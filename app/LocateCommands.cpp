#include "app/LocateCommands.h"

#include "app/ExtractDlg.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"

namespace texkit2::app {

void installLocateCommands(AppServices& services, platform::Drives& drives) {
  services.search = [&services, &drives](CExtractDlg& main) {
    if (locate::RunSearch(&main, main.gameKind(), main.dataFolderRef(), drives, services.files)) {
      main.ShowFolderLocated("Found pak0.pak and pak1.pak");
    }
    main.UpdateData(false);
  };
  services.manualLocate = [&services, &drives](CExtractDlg& main) {
    auto folder = locate::RunManualLocate(&main, main.gameKind(), drives, services.files);
    if (!folder)
      return;
    main.dataFolderRef() = *folder;
    main.ShowFolderLocated(" Found pak0.pak and pak1.pak");
    main.UpdateData(false);
  };
}

} // namespace texkit2::app
