#include "app/Screenshots.h"

#include "app/ExtractDlg.h"
#include "app/WadInfoDlg.h"
#include "framework/AnimationControl.h"
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

QString save(QWidget& widget, const QString& folder, const QString& name, QStringList& written) {
  QApplication::processEvents();
  const QString path = QDir(folder).filePath(name + ".png");
  if (widget.grab().save(path)) {
    written << path;
  }
  return path;
}

// The Locate dialog over a made-up drive table, so that the pictures do not show this machine:
// the folder two levels above the data folder as the hard disk (the fill opens it), beside an
// empty CD-ROM and stick.
void saveLocateDialog(QWidget& owner, const QString& dataFolder, AppServices& services,
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
  locateDlg.SetPrompt(QString::fromUtf8(extract::gameInfo(extract::kGameQuake)->locatePrompt),
                      extract::kGameQuake);
  locateDlg.Create();
  locateDlg.show();
  save(locateDlg, folder, "locate-browsing", written);

  locate::CDirTreeCtrl& tree = locateDlg.tree();
  const QString installName = QString::fromStdString(install.filename().string());
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    QTreeWidgetItem* drive = tree.topLevelItem(i);
    for (int j = 0; j < drive->childCount(); ++j) {
      if (drive->child(j)->text(0) == installName) {
        tree.setCurrentItem(drive->child(j));
      }
    }
  }
  if (locateDlg.found()) {
    save(locateDlg, folder, "locate-found", written);
  }
  locateDlg.KillTimer(locate::CLocateDlg::kFlashTimer);
  locateDlg.FlashWindow(false);
  locateDlg.hide();
}

} // namespace

QStringList writeScreenshots(const QString& requestedFolder, const QString& dataFolder,
                             AppServices& services) {
  // The extraction makes the data folder current; a relative folder must not follow it.
  const QString folder = QDir(requestedFolder).absolutePath();
  QDir().mkpath(folder);
  QStringList written;
  CExtractDlg dialog(services);
  dialog.Create();
  dialog.show();
  save(dialog, folder, "main-start", written);

  dialog.item<QRadioButton>(1033)->click();
  save(dialog, folder, "main-game-chosen", written);
  saveLocateDialog(dialog, dataFolder, services, folder, written);

  QString folderText = dataFolder;
  if (!folderText.endsWith('/')) {
    folderText += '/';
  }
  dialog.dataFolderRef() = folderText.toStdString();
  dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
  dialog.UpdateData(false);
  save(dialog, folder, "main-folder-located", written);

  // The look of a run in progress, set up on the controls the run drives.
  dialog.StartBusyAnimation();
  dialog.animation()->Stop();
  for (int i = 0; i < 8; ++i) {
    dialog.animation()->Play(i, i, 1);
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
    if (auto* info = qobject_cast<CWadInfoDlg*>(QApplication::activeModalWidget())) {
      poll.stop();
      save(*info, folder, "wad-file-info", written);
      info->EndDialog(framework::CDialog::IDOK);
    }
  });
  poll.start();
  dialog.OnBegin();
  poll.stop();
  save(dialog, folder, "main-extracted", written);

  CAboutDlg about(&dialog);
  about.Create();
  about.show();
  save(about, folder, "about", written);
  about.hide();
  dialog.hide();
  return written;
}

} // namespace texkit2::app
