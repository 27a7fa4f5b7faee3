#pragma once

#include "extract/GameKind.h"
#include "framework/Dialog.h"
#include "locate/DirTreeCtrl.h"
#include "platform/Drives.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>

namespace texkit2::locate {

// Finding the game by hand (layout 130): the user picks a folder in the tree of drives, and
// when the folder's game data folder holds PAK0.PAK and PAK1.PAK the dialog locks the tree,
// flashes, and hands that data folder back.
class CLocateDlg final : public framework::CDialog {
 public:
  static constexpr int kTemplateId = 130;
  static constexpr int kOkCancel = 1032;
  static constexpr int kPrompt = 1006;
  static constexpr int kPath = 1012;
  static constexpr int kTree = 1022;
  static constexpr int kFlashTimer = 1;
  static constexpr int kFlashMs = 400;
  static constexpr int kTreeBitmap = 134;

  CLocateDlg(platform::Drives& drives, platform::FileSystem& files,
             framework::CDialog* owner = nullptr);
  ~CLocateDlg() override;

  void SetPrompt(const std::string& prompt, extract::GameKind gameKind);
  // The accepted game data folder, ending in the separator; meaningful after an OK result.
  std::string GetDataFolder() const { return m_dataFolder; }

  void OnSelChanged(const TreeNotification& notification);
  void OnOkCancel();
  void OnTreeSelChanged(int controlId, const TreeNotification& notification) override;
  void OnCommand(int controlId) override;

  CDirTreeCtrl& tree() { return m_tree; }
  bool found() const { return m_found; }
  const CImageList& imageList() const { return m_imageList; }
  // The timer ticks flashed so far in this process; shared by every opening of the dialog.
  static std::int32_t flashTicks() { return s_flashTicks; }

  void DoDataExchange(framework::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnTimer(int id) override;
  void OnClose() override;

 private:
  bool holdsArchives();

  platform::FileSystem& m_files;
  bool m_found = false;
  extract::GameKind m_gameKind = extract::kGameQuake;
  std::string m_dataFolder;
  CImageList m_imageList;
  CDirTreeCtrl m_tree;
  std::string m_pathText;
  std::string m_prompt;

  // Never reset: a later found state in the process flashes on one tick only.
  static std::int32_t s_flashTicks;
};

// The main dialog's Manual Locate command up to the dialog's answer: runs the Locate dialog for
// `gameKind` and returns the accepted game data folder, or nullopt when the user cancelled.
// For a game other than Quake or Hexen II no dialog is shown. The caller stores the folder and
// moves the main dialog on (" Found pak0.pak and pak1.pak").
std::optional<std::string> RunManualLocate(framework::CDialog* owner, extract::GameKind gameKind,
                                           platform::Drives& drives, platform::FileSystem& files);

} // namespace texkit2::locate
