#include "app/ExtractDlg.h"

#include "app/WadInfoDlg.h"
#include "extract/Extraction.h"
#include "extract/TexturePack.h"
#include "framework/AnimationControl.h"
#include "framework/LongOperation.h"
#include "framework/Resources.h"

#include <QAbstractButton>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <optional>

namespace texkit2::app {
namespace {

using framework::callOnGuiThread;

constexpr int kProgress = 1000;
constexpr int kManualLocate = 1002;
constexpr int kExit = 1004;
constexpr int kAnimation = 1005;
constexpr int kStatus = 1006;
constexpr int kBegin = 1007;
constexpr int kSearch = 1026;
constexpr int kQuake = 1033;
constexpr int kHexen2 = 1034;
constexpr int kArrowLocate = 1035;
constexpr int kArrowSearch = 1036;
constexpr int kArrowBegin = 1037;
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
    callOnGuiThread(
        &m_dialog, [this, text, caption, icon] { m_dialog.ShowMessage(text, caption, icon); },
        true);
  }

 private:
  void post(std::function<void()> fn) { callOnGuiThread(&m_dialog, std::move(fn), false); }

  CExtractDlg& m_dialog;
};

} // namespace

CExtractDlg::CExtractDlg(AppServices& services, QWidget* parent)
    : CDialog(102, parent), m_services(services), m_icon(framework::LoadIcon(128)) {}

void CExtractDlg::DoDataExchange(framework::DataExchange& dx) {
  framework::DDX_Text(dx, kStatus, m_statusText);
  framework::DDX_Radio(dx, kQuake, m_gameKind);
}

bool CExtractDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (const auto about = framework::LoadString(101); about && !about->isEmpty()) {
    AppendMenuSeparator();
    AppendMenuCommand(kAboutCommand, *about);
  }
  setWindowIcon(m_icon);
  DeleteMenuItem(0);
  DeleteMenuItem(1);
  DeleteMenuItem(2);
  EnableToolTips();
  item<QPushButton>(kManualLocate)->setIcon(framework::LoadIcon(135));
  item<QPushButton>(kSearch)->setIcon(framework::LoadIcon(136));
  item<QPushButton>(kBegin)->setIcon(framework::LoadIcon(137));
  ShowItem(kAnimation, false);
  animation()->Open(kExtractionClip);
  EnableItem(kBegin, false);
  EnableItem(kManualLocate, false);
  EnableItem(kSearch, false);
  ShowItem(kArrowLocate, false);
  ShowItem(kArrowSearch, false);
  ShowItem(kArrowBegin, false);
  m_statusText = "Welcome to Texkit2\nWritten by the Texkit2 developers";
  UpdateData(false);

  for (const int radio : {kQuake, kHexen2}) {
    connect(item<QAbstractButton>(radio), &QAbstractButton::clicked, this,
            &CExtractDlg::OnGameChoice);
  }
  connect(item<QAbstractButton>(kManualLocate), &QAbstractButton::clicked, this,
          &CExtractDlg::OnManualLocate);
  connect(item<QAbstractButton>(kSearch), &QAbstractButton::clicked, this, &CExtractDlg::OnSearch);
  connect(item<QAbstractButton>(kBegin), &QAbstractButton::clicked, this, &CExtractDlg::OnBegin);
  connect(item<QAbstractButton>(kExit), &QAbstractButton::clicked, this, &CExtractDlg::OnExit);
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] {
    if (m_services.openHelp) {
      m_services.openHelp();
    }
  });
  return false;
}

bool CExtractDlg::OnToolTipNeedText(int controlId, QString& text) {
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

void CExtractDlg::ShowFolderLocated(const QString& statusText) {
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
  framework::WaitCursorCapture capture(this);
  std::optional<extract::ExtractionSummary> summary;
  GuiThreadFeedback feedback(*this);
  const extract::GameKind game = m_gameKind;
  const std::string folder = m_dataFolder;
  framework::runLongOperation(
      [&] { summary = extract::RunExtraction(m_services.files, game, folder, feedback); });
  if (!summary) {
    // A run whose data pass failed has started the animation; nothing is left to show.
    if (animation()->isPlaying()) {
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
  info.SetSummary(QString::fromStdString(summary->fileName), summary->fileLength,
                  summary->totalEntries, summary->simpleTextures, summary->animatedTextures);
  info.DoModal();
}

void CExtractDlg::OnExit() {
  OnOK();
}

void CExtractDlg::SetStatusText(const std::string& text) {
  SetDlgItemText(kStatus, QString::fromStdString(text));
}

void CExtractDlg::SetProgressRange(std::int32_t maximum) {
  progressBar()->setRange(0, maximum);
}

void CExtractDlg::SetProgressPos(std::int32_t position) {
  progressBar()->setValue(position);
}

void CExtractDlg::StepProgress() {
  QProgressBar* bar = progressBar();
  if (bar->value() < bar->maximum()) {
    bar->setValue(bar->value() + 1);
  }
}

void CExtractDlg::StartBusyAnimation() {
  ShowItem(kAnimation, true);
  // The clip is closed at the end of each successful run; a later run opens it again.
  if (!animation()->isOpen()) {
    animation()->Open(kExtractionClip);
  }
  animation()->Play(0, -1, -1);
}

void CExtractDlg::StopBusyAnimation() {
  animation()->Stop();
  animation()->Close();
  ShowItem(kAnimation, false);
}

void CExtractDlg::ShowMessage(const std::string& text, const std::string& caption,
                              extract::MessageIcon icon) {
  const framework::BoxIcon kind = icon == extract::MessageIcon::Warning
                                      ? framework::BoxIcon::Warning
                                  : icon == extract::MessageIcon::Error ? framework::BoxIcon::Error
                                                                        : framework::BoxIcon::None;
  m_services.messages.show(this, QString::fromStdString(text), QString::fromStdString(caption),
                           kind);
}

framework::AnimationControl* CExtractDlg::animation() const {
  return item<framework::AnimationControl>(kAnimation);
}

QProgressBar* CExtractDlg::progressBar() const {
  return item<QProgressBar>(kProgress);
}

} // namespace texkit2::app
