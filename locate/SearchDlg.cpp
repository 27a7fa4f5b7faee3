#include "locate/SearchDlg.h"

#include "framework/LongOperation.h"
#include "framework/Resources.h"
#include "locate/DriveSearch.h"

#include <atomic>
#include <mutex>

namespace texkit2::locate {
namespace {

constexpr int kStatus = CSearchDlg::kStatus;
constexpr int kSearchClip = 129;

// The walk may enter thousands of folders a second: the status line shows the latest one
// whenever the window gets to paint, instead of queueing every path.
class StatusLine {
 public:
  explicit StatusLine(framework::CDialog& dialog) : m_dialog(dialog) {}

  void enter(const std::string& folder) {
    {
      const std::lock_guard lock(m_mutex);
      m_latest = folder;
    }
    if (!m_pending.exchange(true)) {
      framework::callOnGuiThread(
          [this] {
            std::string text;
            {
              const std::lock_guard lock(m_mutex);
              text = m_latest;
            }
            m_pending = false;
            m_dialog.SetDlgItemText(kStatus, text);
          },
          false);
    }
  }

 private:
  framework::CDialog& m_dialog;
  std::mutex m_mutex;
  std::string m_latest;
  std::atomic<bool> m_pending{false};
};

} // namespace

CSearchDlg::CSearchDlg(platform::Drives& drives, platform::FileSystem& files,
                       framework::CDialog* owner, LibraryLookup libraries)
    : CDialog(138, owner), m_drives(drives), m_files(files), m_libraries(std::move(libraries)) {}

CSearchDlg::~CSearchDlg() {
  if (peer() != nullptr) {
    AnimateClose(kAnimation);
  }
}

int& CSearchDlg::flashCounter() {
  static int counter = 0;
  return counter;
}

void CSearchDlg::SetSearchTarget(const std::string& executableName, std::string& gameDataFolder,
                                 extract::GameKind game) {
  m_executableName = executableName;
  m_gameDataFolder = &gameDataFolder;
  m_game = game;
}

void CSearchDlg::DoDataExchange(framework::DataExchange& dx) {
  framework::DDX_Check(dx, kHardDrives, m_hardDrives);
  framework::DDX_Check(dx, kNetwork, m_networkDrives);
  framework::DDX_Check(dx, kRemovable, m_removableDrives);
  framework::DDX_Check(dx, kGameLibraries, m_gameLibraries);
  framework::DDX_Text(dx, kStatus, m_statusText);
}

bool CSearchDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AnimateOpen(kAnimation, kSearchClip);
  EnableItem(kBeginSearch, false);
  EnableToolTips();
  return true;
}

bool CSearchDlg::OnToolTipNeedText(int controlId, std::string& text) {
  // Only the Game Libraries box explains itself; the drive kinds say what they are.
  if (controlId != kGameLibraries) {
    return false;
  }
  const auto entry = framework::LoadString(kGameLibraries);
  if (!entry) {
    return false;
  }
  text = *entry;
  return true;
}

void CSearchDlg::OnCommand(int controlId) {
  switch (controlId) {
  case kHardDrives:
  case kNetwork:
  case kRemovable:
  case kGameLibraries:
    OnSearchOption();
    break;
  case kBeginSearch:
    OnBeginSearch();
    break;
  case kCloseButton:
    OnOkCancel();
    break;
  default:
    CDialog::OnCommand(controlId);
  }
}

void CSearchDlg::OnSearchOption() {
  UpdateData(true);
  EnableItem(kBeginSearch, m_hardDrives == 1 || m_networkDrives == 1 || m_removableDrives == 1 ||
                               m_gameLibraries == 1);
}

void CSearchDlg::OnBeginSearch() {
  UpdateData(true);
  if (m_gameDataFolder == nullptr) {
    return;
  }
  std::string status;
  {
    framework::WaitCursorCapture capture(*this);
    AnimatePlay(kAnimation, 0, -1, -1);
    m_found = false;
    DriveSearchOptions options;
    options.fixed = m_hardDrives;
    options.remote = m_networkDrives;
    options.removable = m_removableDrives;
    StatusLine statusLine(*this);
    bool success = false;
    std::string& folder = *m_gameDataFolder;
    const bool walk = m_hardDrives == 1 || m_networkDrives == 1 || m_removableDrives == 1;
    framework::runLongOperation([&] {
      // The stores' records answer at once; the drives are walked only when they hold nothing.
      success = m_gameLibraries == 1 && SearchGameLibraries(m_libraries, m_files, m_game, folder);
      if (!success && walk) {
        success = SearchDrives(m_drives, m_files, options, m_executableName, m_game, folder,
                               [&](const std::string& entered) { statusLine.enter(entered); });
      }
    });
    if (success) {
      status = "File found";
      SetDlgItemText(kCloseButton, "&Ok");
      EnableItem(kBeginSearch, false);
      EnableItem(kHardDrives, false);
      EnableItem(kNetwork, false);
      EnableItem(kRemovable, false);
      EnableItem(kGameLibraries, false);
      FlashWindow(true);
      SetTimer(CSearchDlg::kFlashTimer, 400);
      m_found = true;
    } else {
      status = "File not found";
      SetDlgItemText(kCloseButton, "&Cancel");
      m_found = false;
    }
    SetDlgItemText(kStatus, status);
  }
  AnimateStop(kAnimation);
}

void CSearchDlg::OnOkCancel() {
  if (m_found) {
    OnOK();
  } else {
    OnCancel();
  }
}

void CSearchDlg::OnTimer(int /*id*/) {
  FlashWindow(true);
  if (flashCounter() == 3) {
    KillTimer(CSearchDlg::kFlashTimer);
    FlashWindow(false);
  } else {
    ++flashCounter();
  }
}

bool RunSearch(framework::CDialog* owner, extract::GameKind game, std::string& gameDataFolder,
               platform::Drives& drives, platform::FileSystem& files,
               const LibraryLookup& libraries) {
  const extract::GameInfo* info = extract::gameInfo(game);
  if (info == nullptr) {
    return false;
  }
  CSearchDlg dialog(drives, files, owner, libraries);
  dialog.SetSearchTarget(info->executable, gameDataFolder, game);
  return dialog.DoModal() == framework::CDialog::IDOK && !gameDataFolder.empty();
}

} // namespace texkit2::locate
