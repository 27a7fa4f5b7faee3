#pragma once

#include "extract/GameKind.h"
#include "framework/Dialog.h"
#include "platform/Drives.h"
#include "platform/File.h"

#include <string>

namespace texkit2::framework {
class AnimationControl;
}

namespace texkit2::locate {

// Finds the game by walking the drives of the kinds the user ticks.
class CSearchDlg final : public framework::CDialog {
  Q_OBJECT
 public:
  CSearchDlg(platform::Drives& drives, platform::FileSystem& files, QWidget* parent = nullptr);
  ~CSearchDlg() override;

  void SetSearchTarget(const std::string& executableName, std::string& gameDataFolder,
                       extract::GameKind game);

  void OnSearchOption();
  void OnBeginSearch();
  void OnOkCancel();

  bool found() const { return m_found; }
  framework::AnimationControl* animation() const;
  // Flashes so far of every Search dialog of the process; it is never reset.
  static int& flashCounter();

 protected:
  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnClose() override { OnOkCancel(); }
  void OnTimer(int id) override;

 private:
  platform::Drives& m_drives;
  platform::FileSystem& m_files;
  std::string* m_gameDataFolder = nullptr;
  bool m_found = false;
  extract::GameKind m_game = extract::kGameNone;
  std::string m_executableName;
  int m_hardDrives = 0;
  int m_networkDrives = 0;
  int m_removableDrives = 0;
  QString m_statusText;
};

// The main window's Search command: the accepted data folder, or nullopt.
// `gameDataFolder` receives what the search writes, also without success.
bool RunSearch(QWidget* owner, extract::GameKind game, std::string& gameDataFolder,
               platform::Drives& drives, platform::FileSystem& files);

} // namespace texkit2::locate
