#include "framework/Dialog.h"

#include "framework/Choosers.h"

#include "framework/Toolkit.h"
#include "framework/TreeCtrl.h"


namespace texkit2::framework {

void DDX_Text(DataExchange& dx, int controlId, std::string& value) {
  if (dx.saveAndValidate()) {
    value = dx.dialog().GetDlgItemText(controlId);
  } else {
    dx.dialog().SetDlgItemText(controlId, value);
  }
}

void DDX_Check(DataExchange& dx, int controlId, int& value) {
  if (dx.saveAndValidate()) {
    value = dx.dialog().IsDlgButtonChecked(controlId) ? 1 : 0;
  } else {
    dx.dialog().CheckDlgButton(controlId, value == 1);
  }
}

void DDX_Radio(DataExchange& dx, int firstId, int& index) {
  const std::vector<int> group = dx.dialog().radioGroup(firstId);
  if (dx.saveAndValidate()) {
    index = -1;
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (dx.dialog().IsDlgButtonChecked(group[i])) {
        index = static_cast<int>(i);
      }
    }
    return;
  }
  for (std::size_t i = 0; i < group.size(); ++i) {
    dx.dialog().CheckDlgButton(group[i], static_cast<int>(i) == index);
  }
}

CDialog::CDialog(int templateId, CDialog* owner) : m_templateId(templateId), m_owner(owner) {}

CDialog::~CDialog() = default;

DialogPeer& CDialog::built() const {
  if (!m_peer) {
    // Controls are reached before the window exists only by mistake; build it rather than
    // crash, as the window would be built at the first DoModal anyway.
    auto* self = const_cast<CDialog*>(this);
    self->m_peer = toolkit().createDialog(*self);
    self->m_peer->build();
  }
  return *m_peer;
}

void CDialog::Create() {
  built();
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
}

int CDialog::DoModal() {
  Create();
  return m_peer->runModal();
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  DataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
  return true;
}

void CDialog::OnOK() {
  if (UpdateData(true)) {
    EndDialog(IDOK);
  }
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::OnCommand(int controlId) {
  if (controlId == IDOK) {
    OnOK();
  } else if (controlId == IDCANCEL) {
    OnCancel();
  }
}

void CDialog::OnSysCommand(int command) {
  if ((command & 0xFFF0) == SC_CLOSE) {
    OnClose();
  }
}

void CDialog::EndDialog(int result) {
  built().end(result);
}

void CDialog::EnableItem(int controlId, bool enable) {
  built().setEnabled(controlId, enable);
}

void CDialog::ShowItem(int controlId, bool show) {
  built().setShown(controlId, show);
}

bool CDialog::isItemEnabled(int controlId) const {
  return built().isEnabled(controlId);
}

bool CDialog::isItemShown(int controlId) const {
  return built().isShown(controlId);
}

void CDialog::SetDlgItemText(int controlId, const std::string& text) {
  built().setText(controlId, text);
}

std::string CDialog::GetDlgItemText(int controlId) const {
  return built().text(controlId);
}

bool CDialog::IsDlgButtonChecked(int controlId) const {
  return built().isChecked(controlId);
}

void CDialog::CheckDlgButton(int controlId, bool checked) {
  built().setChecked(controlId, checked);
}

std::vector<int> CDialog::radioGroup(int firstId) const {
  return built().radioGroup(firstId);
}

void CDialog::SetButtonIcon(int controlId, int iconId) {
  built().setButtonIcon(controlId, iconId);
}

void CDialog::SetIcon(int iconId) {
  built().setWindowIcon(iconId);
}

void CDialog::SetProgressRange(int controlId, std::int32_t maximum) {
  built().setProgressRange(controlId, maximum);
}

void CDialog::SetProgressPos(int controlId, std::int32_t position) {
  built().setProgressPos(controlId, position);
}

std::int32_t CDialog::GetProgressPos(int controlId) const {
  return built().progressPos(controlId);
}

std::int32_t CDialog::GetProgressMax(int controlId) const {
  return built().progressMax(controlId);
}

bool CDialog::AnimateOpen(int controlId, int clipId) {
  return built().animationOpen(controlId, clipId);
}

bool CDialog::AnimatePlay(int controlId, int from, int to, int repeat) {
  return built().animationPlay(controlId, from, to, repeat);
}

void CDialog::AnimateStop(int controlId) {
  built().animationStop(controlId);
}

void CDialog::AnimateClose(int controlId) {
  built().animationClose(controlId);
}

bool CDialog::IsAnimationOpen(int controlId) const {
  return built().animationIsOpen(controlId);
}

bool CDialog::IsAnimationPlaying(int controlId) const {
  return built().animationIsPlaying(controlId);
}

void CDialog::SetTimer(int id, int milliseconds) {
  built().startTimer(id, milliseconds);
}

void CDialog::KillTimer(int id) {
  built().stopTimer(id);
}

bool CDialog::hasTimer(int id) const {
  return built().hasTimer(id);
}

void CDialog::FlashWindow(bool invert) {
  if (invert) {
    m_flashed = !m_flashed;
    ++m_flashToggles;
  } else {
    m_flashed = false;
  }
  built().flash(m_flashed, invert);
}

void CDialog::AppendMenuSeparator() {
  built().menuAppendSeparator();
}

void CDialog::AppendMenuCommand(int command, const std::string& text) {
  built().menuAppendCommand(command, text);
}

void CDialog::DeleteMenuItem(int position) {
  built().menuDelete(position);
}

std::vector<int> CDialog::menuCommands() const {
  return built().menuCommands();
}

std::string CDialog::toolTipText(int controlId) {
  std::string text;
  if (!m_toolTips || controlId <= 0 || !OnToolTipNeedText(controlId, text)) {
    return {};
  }
  return text;
}

void CDialog::SetThumbnailCount(int controlId, int count) {
  built().thumbnailsSetCount(controlId, count);
}

int CDialog::GetThumbnailCount(int controlId) const {
  return built().thumbnailsCount(controlId);
}

void CDialog::UpdateThumbnails(int controlId, int first, int last) {
  built().thumbnailsUpdate(controlId, first, last);
}

std::vector<int> CDialog::GetThumbnailSelection(int controlId) const {
  return built().thumbnailsSelection(controlId);
}

void CDialog::SetThumbnailSelection(int controlId, const std::vector<int>& items) {
  built().thumbnailsSetSelection(controlId, items);
}

std::vector<int> CDialog::GetVisibleThumbnails(int controlId) const {
  return built().thumbnailsVisible(controlId);
}

void CDialog::SetPicture(int controlId, const Picture& picture) {
  built().setPicture(controlId, picture);
}

Picture CDialog::GetPicture(int controlId) const {
  return built().picture(controlId);
}

std::optional<std::string> ChooseFileToOpen(CDialog* owner, const std::string& title,
                                            const std::string& filterName,
                                            const std::string& patterns) {
  return toolkit().chooseFileToOpen(owner, title, filterName, patterns);
}

std::optional<std::string> ChooseFolder(CDialog* owner, const std::string& title) {
  return toolkit().chooseFolder(owner, title);
}

} // namespace texkit2::framework
