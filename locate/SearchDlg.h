#pragma once

#include "extract/GameKind.h"
#include "framework/Dialog.h"
#include "locate/LibrarySearch.h"
#include "platform/Drives.h"
#include "platform/File.h"

#include <string>

namespace texkit2::locate {

// Finds the game by walking the drives of the kinds the user ticks.
class CSearchDlg final : public framework::CDialog {
 public:
  static constexpr int kCloseButton = 1032;
  static constexpr int kAnimation = 1027;
  static constexpr int kBeginSearch = 1026;
  static constexpr int kStatus = 1021;
  static constexpr int kRemovable = 1029;
  static constexpr int kHardDrives = 1030;
  static constexpr int kNetwork = 1031;
  static constexpr int kGameLibraries = 1039;
  static constexpr int kFlashTimer = 1;

  // `libraries` answers for the Game Libraries box; empty, they record nothing.
  CSearchDlg(platform::Drives& drives, platform::FileSystem& files,
             framework::CDialog* owner = nullptr, LibraryLookup libraries = {});
  ~CSearchDlg() override;

  void SetSearchTarget(const std::string& executableName, std::string& gameDataFolder,
                       extract::GameKind game);

  void OnSearchOption();
  void OnBeginSearch();
  void OnOkCancel();

  void OnCommand(int controlId) override;

  bool found() const { return m_found; }
  // Flashes so far of every Search dialog of the process; it is never reset.
  static int& flashCounter();

  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnClose() override { OnOkCancel(); }
  void OnTimer(int id) override;
  bool OnToolTipNeedText(int controlId, std::string& text) override;

 private:
  platform::Drives& m_drives;
  platform::FileSystem& m_files;
  LibraryLookup m_libraries;
  std::string* m_gameDataFolder = nullptr;
  bool m_found = false;
  extract::GameKind m_game = extract::kGameNone;
  std::string m_executableName;
  int m_hardDrives = 0;
  int m_networkDrives = 0;
  int m_removableDrives = 0;
  int m_gameLibraries = 0;
  std::string m_statusText;
};

// The main window's Search command: the accepted data folder, or nullopt.
// `gameDataFolder` receives what the search writes, also without success.
bool RunSearch(framework::CDialog* owner, extract::GameKind game, std::string& gameDataFolder,
               platform::Drives& drives, platform::FileSystem& files,
               const LibraryLookup& libraries = {});

} // namespace texkit2::locate
