#include "locate/LocateDlg.h"

#include "framework/LongOperation.h"
#include "locate/DriveSearch.h"

namespace texkit2::locate {

using platform::kPathSeparator;

std::int32_t CLocateDlg::s_flashTicks = 0;

CLocateDlg::CLocateDlg(platform::Drives& drives, platform::FileSystem& files,
                       framework::CDialog* owner)
    : CDialog(kTemplateId, owner), m_files(files), m_tree(drives) {}

CLocateDlg::~CLocateDlg() = default;

void CLocateDlg::SetPrompt(const std::string& prompt, extract::GameKind gameKind) {
  m_prompt = prompt;
  m_gameKind = gameKind;
}

void CLocateDlg::DoDataExchange(framework::DataExchange& dx) {
  framework::DDX_Text(dx, kPath, m_pathText);
  framework::DDX_Text(dx, kPrompt, m_prompt);
}

bool CLocateDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_tree.SubclassDlgItem(kTree, *this);
  {
    const framework::WaitCursorCapture capture(*this);
    m_imageList.Create(kTreeBitmap, 16, 0xFF00FF);
    m_tree.SetImageList(&m_imageList);
    m_tree.PopulateDrives();
    // The fill may have found the game already on the first fixed drive; the button then
    // says what it does.
    SetDlgItemText(kOkCancel, m_found ? "&Ok" : "&Cancel");
  }
  return true;
}

void CLocateDlg::OnCommand(int controlId) {
  if (controlId == kOkCancel) {
    OnOkCancel();
    return;
  }
  CDialog::OnCommand(controlId);
}

void CLocateDlg::OnTreeSelChanged(int controlId, const TreeNotification& notification) {
  if (controlId == kTree) {
    OnSelChanged(notification);
  }
}

void CLocateDlg::OnSelChanged(const TreeNotification& notification) {
  if (notification.itemNew == nullptr) {
    return; // nothing selected
  }
  m_dataFolder = m_tree.GetNotifyItemPath(notification);
  m_pathText = m_dataFolder;
  if (m_dataFolder.empty() || m_dataFolder.back() != kPathSeparator) {
    m_dataFolder += kPathSeparator;
  }
  if (const extract::GameInfo* game = extract::gameInfo(m_gameKind)) {
    m_dataFolder += m_files.existingName(m_dataFolder + game->dataFolderName);
    m_dataFolder += kPathSeparator;
  }
  if (holdsArchives()) {
    m_pathText = "File(s) found";
    SetDlgItemText(kOkCancel, "&Ok");
    EnableItem(kTree, false);
    FlashWindow(true);
    SetTimer(kFlashTimer, kFlashMs);
    m_found = true;
  } else {
    SetDlgItemText(kOkCancel, "&Cancel");
    m_found = false;
  }
  UpdateData(false);
}

bool CLocateDlg::holdsArchives() {
  // By bare name in the candidate folder made current; the file layer matches names without
  // regard to case, and only files count.
  return m_files.setCurrentDirectory(m_dataFolder) &&
         FindDataArchives(m_files) != DataArchives::None;
}

void CLocateDlg::OnTimer(int id) {
  FlashWindow(true);
  if (s_flashTicks == 3) {
    KillTimer(kFlashTimer);
    FlashWindow(false);
  } else {
    ++s_flashTicks;
  }
  CDialog::OnTimer(id);
}

void CLocateDlg::OnOkCancel() {
  if (m_found) {
    OnOK();
  } else {
    OnCancel();
  }
}

void CLocateDlg::OnClose() {
  OnOkCancel();
}

std::optional<std::string> RunManualLocate(framework::CDialog* owner, extract::GameKind gameKind,
                                           platform::Drives& drives, platform::FileSystem& files) {
  const extract::GameInfo* game = extract::gameInfo(gameKind);
  if (game == nullptr) {
    return std::nullopt;
  }
  CLocateDlg dialog(drives, files, owner);
  dialog.SetPrompt(game->locatePrompt, gameKind);
  if (dialog.DoModal() != framework::CDialog::IDOK) {
    return std::nullopt;
  }
  std::string folder = dialog.GetDataFolder();
  if (folder.empty()) {
    return std::nullopt;
  }
  return folder;
}

} // namespace texkit2::locate
