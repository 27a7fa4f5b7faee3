#include "app/ExtractDlg.h"

#include "app/TrenchBroomSetup.h"
#include "app/WadInfoDlg.h"
#include "extract/Extraction.h"
#include "extract/TexturePack.h"
#include "framework/LongOperation.h"
#include "framework/Resources.h"

#include <optional>

namespace texkit2::app {
namespace {

using framework::callOnGuiThread;

constexpr int kExtractionClip = 132;

// The extraction runs on a worker thread; what it reports is carried out on the dialog's.
class GuiThreadFeedback final : public extract::ExtractionFeedback {
 public:
  explicit GuiThreadFeedback(CExtractDlg& dialog) : m_dialog(dialog) {}

  void SetStatusText(const std::string& text) override {
    post([this, text] { m_dialog.SetStatusText(text); });
  }
  void SetProgressRange(std::int32_t maximum) override {
    post([this, maximum] { m_dialog.SetProgressRange(maximum); });
  }
  void SetProgressPos(std::int32_t position) override {
    post([this, position] { m_dialog.SetProgressPos(position); });
  }
  void StepProgress() override {
    post([this] { m_dialog.StepProgress(); });
  }
  void StartBusyAnimation() override {
    post([this] { m_dialog.StartBusyAnimation(); });
  }
  void StopBusyAnimation() override {
    post([this] { m_dialog.StopBusyAnimation(); });
  }
  void ShowMessage(const std::string& text, const std::string& caption,
                   extract::MessageIcon icon) override {
    callOnGuiThread([this, text, caption, icon] { m_dialog.ShowMessage(text, caption, icon); },
                    true);
  }

 private:
  void post(std::function<void()> fn) { callOnGuiThread(std::move(fn), false); }

  CExtractDlg& m_dialog;
};

} // namespace

CExtractDlg::CExtractDlg(AppServices& services, framework::CDialog* owner)
    : CDialog(102, owner), m_services(services) {}

void CExtractDlg::DoDataExchange(framework::DataExchange& dx) {
  framework::DDX_Text(dx, kStatus, m_statusText);
  framework::DDX_Radio(dx, kQuake, m_gameKind);
}

bool CExtractDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The system's own entries go first: counted by position, the deletions would otherwise take
  // the appended ones on a menu as short as Move and Close.
  DeleteMenuItem(0);
  DeleteMenuItem(1);
  DeleteMenuItem(2);
  const auto browse = framework::LoadString(103);
  const auto about = framework::LoadString(101);
  const bool browses = m_services.browseTextures && browse && !browse->empty();
  if (browses || (about && !about->empty())) {
    AppendMenuSeparator();
  }
  if (browses) {
    AppendMenuCommand(kBrowseCommand, *browse);
  }
  if (about && !about->empty()) {
    AppendMenuCommand(kAboutCommand, *about);
  }
  SetIcon(kIcon);
  EnableToolTips();
  SetButtonIcon(kManualLocate, 135);
  SetButtonIcon(kSearch, 136);
  SetButtonIcon(kBegin, 137);
  ShowItem(kAnimation, false);
  AnimateOpen(kAnimation, kExtractionClip);
  EnableItem(kBegin, false);
  EnableItem(kManualLocate, false);
  EnableItem(kSearch, false);
  ShowItem(kArrowLocate, false);
  ShowItem(kArrowSearch, false);
  ShowItem(kArrowBegin, false);
  m_statusText = "Welcome to Texkit2\nWritten by the Texkit2 developers";
  UpdateData(false);
  return false;
}

void CExtractDlg::OnCommand(int controlId) {
  switch (controlId) {
  case kQuake:
  case kHexen2:
    OnGameChoice();
    break;
  case kManualLocate:
    OnManualLocate();
    break;
  case kSearch:
    OnSearch();
    break;
  case kBegin:
    OnBegin();
    break;
  case kExit:
    OnExit();
    break;
  default:
    CDialog::OnCommand(controlId);
  }
}

void CExtractDlg::OnHelp() {
  if (m_services.openHelp) {
    m_services.openHelp();
  }
}

bool CExtractDlg::OnToolTipNeedText(int controlId, std::string& text) {
  const auto entry = framework::LoadString(controlId & 0xFFFF);
  if (!entry) {
    return false;
  }
  text = *entry;
  return true;
}

void CExtractDlg::OnSysCommand(int command) {
  if ((command & 0xFFF0) == kAboutCommand) {
    CAboutDlg about(this);
    about.DoModal();
    return;
  }
  if ((command & 0xFFF0) == kBrowseCommand && m_services.browseTextures) {
    m_services.browseTextures(this, "");
    return;
  }
  CDialog::OnSysCommand(command);
}

void CExtractDlg::OnGameChoice() {
  UpdateData(true);
  if (m_gameKind != extract::kGameQuake && m_gameKind != extract::kGameHexen2) {
    return;
  }
  EnableItem(kSearch, true);
  EnableItem(kManualLocate, true);
  EnableItem(kBegin, false);
  ShowItem(kArrowLocate, true);
  ShowItem(kArrowSearch, true);
  m_statusText = "Please choose either manual search or auto search.";
  UpdateData(false);
}

void CExtractDlg::ShowFolderLocated(const std::string& statusText) {
  EnableItem(kBegin, true);
  EnableItem(kManualLocate, false);
  EnableItem(kSearch, false);
  ShowItem(kArrowLocate, false);
  ShowItem(kArrowSearch, false);
  ShowItem(kArrowBegin, true);
  m_statusText = statusText;
}

void CExtractDlg::OnManualLocate() {
  if (m_services.manualLocate && extract::gameInfo(m_gameKind) != nullptr) {
    m_services.manualLocate(*this);
  }
}

void CExtractDlg::OnSearch() {
  if (m_services.search && extract::gameInfo(m_gameKind) != nullptr) {
    m_services.search(*this);
  }
}

void CExtractDlg::OnBegin() {
  framework::WaitCursorCapture capture(*this);
  std::optional<extract::ExtractionSummary> summary;
  GuiThreadFeedback feedback(*this);
  const extract::GameKind game = m_gameKind;
  const std::string folder = m_dataFolder;
  framework::runLongOperation(
      [&] { summary = extract::RunExtraction(m_services.files, game, folder, feedback); });
  if (!summary) {
    // A run whose data pass failed has started the animation; nothing is left to show.
    if (IsAnimationPlaying(kAnimation)) {
      StopBusyAnimation();
    }
    return;
  }
  if (m_services.openRegistry) {
    const platform::HostRegistry registry = m_services.openRegistry();
    if (registry.store && registry.unavailableReason.empty()) {
      extract::RegisterTexturePack(*registry.store, game, registry.editorFolder(folder));
    }
  }
  SetProgressPos(0);
  SetStatusText("Extraction complete!");
  StopBusyAnimation();
  EnableItem(kBegin, false);
  ShowItem(kArrowBegin, false);

  CWadInfoDlg info(this);
  info.SetSummary(summary->fileName, summary->fileLength, summary->totalEntries,
                  summary->simpleTextures, summary->animatedTextures);
  if (m_services.browseTextures) {
    const std::string wadPath = m_dataFolder + summary->fileName;
    info.m_browseTextures = [this, wadPath](framework::CDialog& owner) {
      m_services.browseTextures(&owner, wadPath);
    };
  }
  if (m_services.trenchBroomPreferences && m_services.confirm) {
    info.m_setUpTrenchBroom = [this, game, folder,
                               wadName = summary->fileName](framework::CDialog& owner) {
      SetUpTrenchBroom(m_services, owner, game, folder, wadName);
    };
  }
  info.DoModal();
}

void CExtractDlg::OnExit() {
  OnOK();
}

void CExtractDlg::SetStatusText(const std::string& text) {
  SetDlgItemText(kStatus, text);
}

void CExtractDlg::SetProgressRange(std::int32_t maximum) {
  CDialog::SetProgressRange(kProgress, maximum);
}

void CExtractDlg::SetProgressPos(std::int32_t position) {
  CDialog::SetProgressPos(kProgress, position);
}

void CExtractDlg::StepProgress() {
  const std::int32_t position = GetProgressPos(kProgress);
  if (position < GetProgressMax(kProgress)) {
    CDialog::SetProgressPos(kProgress, position + 1);
  }
}

void CExtractDlg::StartBusyAnimation() {
  ShowItem(kAnimation, true);
  // The clip is closed at the end of each successful run; a later run opens it again.
  if (!IsAnimationOpen(kAnimation)) {
    AnimateOpen(kAnimation, kExtractionClip);
  }
  AnimatePlay(kAnimation, 0, -1, -1);
}

void CExtractDlg::StopBusyAnimation() {
  AnimateStop(kAnimation);
  AnimateClose(kAnimation);
  ShowItem(kAnimation, false);
}

void CExtractDlg::ShowMessage(const std::string& text, const std::string& caption,
                              extract::MessageIcon icon) {
  const framework::BoxIcon kind = icon == extract::MessageIcon::Warning
                                      ? framework::BoxIcon::Warning
                                  : icon == extract::MessageIcon::Error ? framework::BoxIcon::Error
                                                                        : framework::BoxIcon::None;
  m_services.messages.show(this, text, caption, kind);
}

} // namespace texkit2::app
