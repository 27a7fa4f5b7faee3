#include "app/qt/Screenshots.h"

#include "app/ExtractDlg.h"
#include "app/WadInfoDlg.h"
#include "framework/qt/QtDialog.h"
#include "framework/qt/QtTree.h"
#include "locate/LocateDlg.h"
#include "platform/MemoryDrives.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

namespace texkit2::app {
namespace {

QString save(framework::CDialog& dialog, const QString& folder, const QString& name,
             QStringList& written) {
  QApplication::processEvents();
  const QString path = QDir(folder).filePath(name + ".png");
  if (framework::qtDialog(dialog)->grab().save(path)) {
    written << path;
  }
  return path;
}

// The Locate dialog over a made-up drive table, so that the pictures do not show this machine:
// the folder two levels above the data folder as the hard disk (the fill opens it), beside an
// empty CD-ROM and stick.
void saveLocateDialog(framework::CDialog& owner, const QString& dataFolder, AppServices& services,
                      const QString& folder, QStringList& written) {
  const std::filesystem::path install =
      std::filesystem::path(QDir(dataFolder).absolutePath().toStdString()).parent_path();
  QTemporaryDir media;
  if (!media.isValid()) {
    return;
  }
  const std::filesystem::path mediaRoot = media.path().toStdString();
  std::filesystem::create_directories(mediaRoot / "cdrom");
  std::filesystem::create_directories(mediaRoot / "stick");
  platform::MemoryDrives drives;
  drives.addDrive(install.parent_path(), platform::DriveType::Fixed);
  drives.addDrive(mediaRoot / "cdrom", platform::DriveType::CdRom, 0x1234abcd);
  drives.addDrive(mediaRoot / "stick", platform::DriveType::Removable, 0x0badf00d);

  locate::CLocateDlg locateDlg(drives, services.files, &owner);
  locateDlg.SetPrompt(extract::gameInfo(extract::kGameQuake)->locatePrompt, extract::kGameQuake);
  locateDlg.Create();
  framework::qtDialog(locateDlg)->show();
  save(locateDlg, folder, "locate-browsing", written);

  locate::CDirTreeCtrl& tree = locateDlg.tree();
  const std::string installName = install.filename().string();
  for (auto drive = tree.GetRootItem(); drive != nullptr; drive = tree.GetNextSiblingItem(drive)) {
    for (auto child = tree.GetChildItem(drive); child != nullptr;
         child = tree.GetNextSiblingItem(child)) {
      if (tree.GetItemText(child) == installName) {
        tree.SelectItem(child);
      }
    }
  }
  if (locateDlg.found()) {
    save(locateDlg, folder, "locate-found", written);
  }
  locateDlg.KillTimer(locate::CLocateDlg::kFlashTimer);
  locateDlg.FlashWindow(false);
  framework::qtDialog(locateDlg)->hide();
}

} // namespace

QStringList writeScreenshots(const QString& requestedFolder, const QString& dataFolder,
                             AppServices& services, QString& error) {
  QStringList written;
  const QString data = QDir(dataFolder).absolutePath();
  const QString here = QDir::currentPath();
  const bool holdsArchives = services.files.setCurrentDirectory(data.toStdString()) &&
                             services.files.openForReading("PAK0.PAK") &&
                             services.files.openForReading("PAK1.PAK");
  QDir::setCurrent(here);
  if (!holdsArchives) {
    error = QString("%1 is not a game data folder: it must hold PAK0.PAK and PAK1.PAK (for "
                    "Quake the id1 folder of the game)")
                .arg(data);
    return written;
  }
  // The extraction makes the data folder current; a relative folder must not follow it.
  const QString folder = QDir(requestedFolder).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QString("cannot make the folder %1").arg(folder);
    return written;
  }
  CExtractDlg dialog(services);
  dialog.Create();
  framework::QtDialog& window = *framework::qtDialog(dialog);
  window.show();
  save(dialog, folder, "main-start", written);

  window.item<QRadioButton>(CExtractDlg::kQuake)->click();
  save(dialog, folder, "main-game-chosen", written);
  saveLocateDialog(dialog, dataFolder, services, folder, written);

  QString folderText = data;
  if (!folderText.endsWith('/')) {
    folderText += '/';
  }
  dialog.dataFolderRef() = folderText.toStdString();
  dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
  dialog.UpdateData(false);
  save(dialog, folder, "main-folder-located", written);

  // The look of a run in progress, set up on the controls the run drives.
  dialog.StartBusyAnimation();
  dialog.AnimateStop(CExtractDlg::kAnimation);
  for (int i = 0; i < 8; ++i) {
    dialog.AnimatePlay(CExtractDlg::kAnimation, i, i, 1);
  }
  dialog.SetStatusText("Extracting textures. Please wait...");
  dialog.SetProgressRange(300);
  dialog.SetProgressPos(130);
  save(dialog, folder, "main-extracting", written);
  dialog.StopBusyAnimation();
  dialog.SetProgressPos(0);

  // The real run; its summary box is photographed and closed as soon as it opens.
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* modal = qobject_cast<framework::QtDialog*>(QApplication::activeModalWidget());
    if (modal != nullptr && modal->dialog().templateId() == 133) {
      poll.stop();
      save(modal->dialog(), folder, "wad-file-info", written);
      modal->dialog().EndDialog(framework::CDialog::IDOK);
    }
  });
  poll.start();
  dialog.OnBegin();
  poll.stop();
  if (!written.last().endsWith("wad-file-info.png")) {
    error = QString("the extraction of %1 failed").arg(data);
    window.hide();
    return written;
  }
  save(dialog, folder, "main-extracted", written);

  CAboutDlg about(&dialog);
  about.Create();
  framework::qtDialog(about)->show();
  save(about, folder, "about", written);
  framework::qtDialog(about)->hide();
  window.hide();
  return written;
}

} // namespace texkit2::app
