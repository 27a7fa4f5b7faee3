#pragma once

#include "app/AppServices.h"
#include "extract/ExtractionFeedback.h"
#include "extract/GameKind.h"
#include "framework/Dialog.h"

#include <string>

namespace texkit2::app {

// The main window: choose the game, find its data folder, extract.
class CExtractDlg final : public framework::CDialog, public extract::ExtractionFeedback {
 public:
  static constexpr int kAboutCommand = 16;
  static constexpr int kBrowseCommand = 32;
  static constexpr int kProgress = 1000;
  static constexpr int kManualLocate = 1002;
  static constexpr int kExit = 1004;
  static constexpr int kAnimation = 1005;
  static constexpr int kStatus = 1006;
  static constexpr int kBegin = 1007;
  static constexpr int kSearch = 1026;
  static constexpr int kQuake = 1033;
  static constexpr int kHexen2 = 1034;
  static constexpr int kArrowLocate = 1035;
  static constexpr int kArrowSearch = 1036;
  static constexpr int kArrowBegin = 1037;
  static constexpr int kIcon = 128;

  explicit CExtractDlg(AppServices& services, framework::CDialog* owner = nullptr);

  // The step change once a game data folder has been accepted; the caller stored the folder
  // and pushes data afterwards.
  void ShowFolderLocated(const std::string& statusText);

  extract::GameKind gameKind() const { return m_gameKind; }
  const std::string& dataFolder() const { return m_dataFolder; }
  // Written by the locate commands; ends in the platform's separator.
  std::string& dataFolderRef() { return m_dataFolder; }
  const std::string& statusText() const { return m_statusText; }
  // The icon resource shown while the minimised window is dragged.
  int OnQueryDragIcon() const { return kIcon; }

  void OnGameChoice();
  void OnManualLocate();
  void OnSearch();
  void OnBegin();
  void OnExit();
  void OnCommand(int controlId) override;
  void OnSysCommand(int command) override;
  void OnHelp() override;

  // Carried out on this dialog's controls; call on its thread.
  void SetStatusText(const std::string& text) override;
  void SetProgressRange(std::int32_t maximum) override;
  void SetProgressPos(std::int32_t position) override;
  void StepProgress() override;
  void StartBusyAnimation() override;
  void StopBusyAnimation() override;
  void ShowMessage(const std::string& text, const std::string& caption,
                   extract::MessageIcon icon) override;

  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnToolTipNeedText(int controlId, std::string& text) override;

 private:
  AppServices& m_services;
  std::string m_dataFolder;
  std::string m_statusText;
  extract::GameKind m_gameKind = extract::kGameNone;
};

} // namespace texkit2::app
