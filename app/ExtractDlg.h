#pragma once

#include "app/AppServices.h"
#include "extract/ExtractionFeedback.h"
#include "extract/GameKind.h"
#include "framework/Dialog.h"

#include <QIcon>
#include <string>

namespace texkit2::framework {
class AnimationControl;
}
class QProgressBar;

namespace texkit2::app {

// The main window: choose the game, find its data folder, extract.
class CExtractDlg final : public framework::CDialog, public extract::ExtractionFeedback {
  Q_OBJECT
 public:
  static constexpr int kAboutCommand = 16;

  explicit CExtractDlg(AppServices& services, QWidget* parent = nullptr);

  // The step change once a game data folder has been accepted; the caller stored the folder
  // and pushes data afterwards.
  void ShowFolderLocated(const QString& statusText);

  extract::GameKind gameKind() const { return m_gameKind; }
  const std::string& dataFolder() const { return m_dataFolder; }
  // Written by the locate commands; ends in the platform's separator.
  std::string& dataFolderRef() { return m_dataFolder; }
  const QString& statusText() const { return m_statusText; }
  QIcon OnQueryDragIcon() const { return m_icon; }

  void OnGameChoice();
  void OnManualLocate();
  void OnSearch();
  void OnBegin();
  void OnExit();
  void OnSysCommand(int command) override;

  // Carried out on this dialog's controls; call on its thread.
  void SetStatusText(const std::string& text) override;
  void SetProgressRange(std::int32_t maximum) override;
  void SetProgressPos(std::int32_t position) override;
  void StepProgress() override;
  void StartBusyAnimation() override;
  void StopBusyAnimation() override;
  void ShowMessage(const std::string& text, const std::string& caption,
                   extract::MessageIcon icon) override;

  framework::AnimationControl* animation() const;
  QProgressBar* progressBar() const;

 protected:
  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnToolTipNeedText(int controlId, QString& text) override;

 private:
  AppServices& m_services;
  std::string m_dataFolder;
  QString m_statusText;
  extract::GameKind m_gameKind = extract::kGameNone;
  QIcon m_icon;
};

} // namespace texkit2::app
