#pragma once

// The dialog framework as the dialogs see it: controls by numeric id, texts as UTF-8. It names
// no window toolkit; a backend (framework/qt, framework/win32) draws every dialog.

#include "framework/Picture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace texkit2::framework {

class CDialog;
class DialogPeer;
struct TreeNotification;

// One data-exchange pass: push copies members into controls, pull copies controls into members.
class DataExchange {
 public:
  DataExchange(CDialog& dialog, bool saveAndValidate)
      : m_dialog(dialog), m_saveAndValidate(saveAndValidate) {}
  CDialog& dialog() const { return m_dialog; }
  bool saveAndValidate() const { return m_saveAndValidate; }

 private:
  CDialog& m_dialog;
  bool m_saveAndValidate;
};

// Text of a static, edit or button.
void DDX_Text(DataExchange& dx, int controlId, std::string& value);
// A check box as 0 or 1.
void DDX_Check(DataExchange& dx, int controlId, int& value);
// The radio group starting at `firstId`: the index of the checked button, -1 for none.
void DDX_Radio(DataExchange& dx, int firstId, int& index);

// A modal dialog built from layout `templateId` of the program's resources. Results are 1
// (accept) and 2 (cancel); Enter presses the default button (accepts without one), Escape
// cancels. The handlers (On...) are called by the backend as the user acts.
class CDialog {
 public:
  static constexpr int IDOK = 1;
  static constexpr int IDCANCEL = 2;
  static constexpr int SC_MOVE = 0xF010;
  static constexpr int SC_CLOSE = 0xF060;

  explicit CDialog(int templateId, CDialog* owner = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Builds the window and its controls (once), initialises the dialog and runs it modally.
  int DoModal();
  // Builds and initialises the dialog without running it (for screenshots and tests).
  void Create();
  bool UpdateData(bool saveAndValidate = true);
  void EndDialog(int result);

  int templateId() const { return m_templateId; }
  CDialog* owner() const { return m_owner; }
  // The backend's window; null before Create. Tests reach the real controls through it.
  DialogPeer* peer() const { return m_peer.get(); }

  void EnableItem(int controlId, bool enable);
  void ShowItem(int controlId, bool show);
  bool isItemEnabled(int controlId) const;
  // Shown by the dialog, whether or not the dialog itself is on screen.
  bool isItemShown(int controlId) const;
  void SetDlgItemText(int controlId, const std::string& text);
  std::string GetDlgItemText(int controlId) const;
  bool IsDlgButtonChecked(int controlId) const;
  void CheckDlgButton(int controlId, bool checked);
  // The controls of a radio group, first to last.
  std::vector<int> radioGroup(int firstId) const;
  // The picture of an icon button, and the window's own icon.
  void SetButtonIcon(int controlId, int iconId);
  void SetIcon(int iconId);

  // The progress bar `controlId`, from 0 to its maximum.
  void SetProgressRange(int controlId, std::int32_t maximum);
  void SetProgressPos(int controlId, std::int32_t position);
  std::int32_t GetProgressPos(int controlId) const;
  std::int32_t GetProgressMax(int controlId) const;

  // The animation control `controlId` plays clip resources by itself, so that it keeps moving
  // while the dialog's thread waits for a long operation.
  bool AnimateOpen(int controlId, int clipId);
  // Frames `from` to `to` (-1: the last), `repeat` times (-1: without end).
  bool AnimatePlay(int controlId, int from, int to, int repeat);
  void AnimateStop(int controlId);
  void AnimateClose(int controlId);
  bool IsAnimationOpen(int controlId) const;
  bool IsAnimationPlaying(int controlId) const;

  // Window timers: OnTimer(id) every `milliseconds` until KillTimer(id).
  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  bool hasTimer(int id) const;

  // Toggles the window's attention state (invert true) or restores it (false).
  void FlashWindow(bool invert);
  bool flashState() const { return m_flashed; }
  int flashToggles() const { return m_flashToggles; }

  // The window's system menu (a context menu where the window system has none to extend);
  // choosing an entry calls OnSysCommand with its command number.
  void AppendMenuSeparator();
  void AppendMenuCommand(int command, const std::string& text);
  void DeleteMenuItem(int position);
  // The entries' command numbers in menu order, 0 for a separator.
  std::vector<int> menuCommands() const;

  // The thumbnail list `controlId` (see DialogPeer): its items, selection and visible items.
  void SetThumbnailCount(int controlId, int count);
  int GetThumbnailCount(int controlId) const;
  void UpdateThumbnails(int controlId, int first, int last);
  std::vector<int> GetThumbnailSelection(int controlId) const;
  void SetThumbnailSelection(int controlId, const std::vector<int>& items);
  std::vector<int> GetVisibleThumbnails(int controlId) const;
  // The picture control `controlId`.
  void SetPicture(int controlId, const Picture& picture);
  Picture GetPicture(int controlId) const;

  // Children ask OnToolTipNeedText for their tooltip once this is on.
  void EnableToolTips(bool enable = true) { m_toolTips = enable; }
  // The tooltip of `controlId`, as the backend asks for it; empty for none.
  std::string toolTipText(int controlId);

  // Handlers.
  virtual void DoDataExchange(DataExchange& /*dx*/) {}
  // The layout's controls exist; the default pushes the members into them.
  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // The window's close box; cancels by default.
  virtual void OnClose() { OnCancel(); }
  // A button (or radio, or check box) was clicked; the default sends 1 to OnOK, 2 to OnCancel.
  virtual void OnCommand(int controlId);
  virtual void OnSysCommand(int command);
  virtual void OnTimer(int /*id*/) {}
  // F1.
  virtual void OnHelp() {}
  // The tooltip text of control `controlId`; false when it has none.
  virtual bool OnToolTipNeedText(int /*controlId*/, std::string& /*text*/) { return false; }
  // The user changed the text of edit `controlId` (not reported for SetDlgItemText).
  virtual void OnEditChange(int /*controlId*/) {}
  // Item `index` of thumbnail list `controlId` is about to be shown: its caption (may hold a
  // line break) and picture (at most kThumbnailSide square).
  virtual void OnThumbnailNeedItem(int /*controlId*/, int /*index*/, std::string& /*caption*/,
                                   Picture& /*picture*/) {}
  // The selection of thumbnail list `controlId` changed (by the user or SetThumbnailSelection).
  virtual void OnThumbnailSelChanged(int /*controlId*/) {}
  // An item of thumbnail list `controlId` was double-clicked or Enter pressed on it.
  virtual void OnThumbnailActivate(int /*controlId*/, int /*index*/) {}
  // The selection of tree `controlId` moved.
  virtual void OnTreeSelChanged(int /*controlId*/, const TreeNotification& /*notification*/) {}

 private:
  DialogPeer& built() const;

  int m_templateId;
  CDialog* m_owner;
  std::unique_ptr<DialogPeer> m_peer;
  bool m_initialised = false;
  bool m_flashed = false;
  int m_flashToggles = 0;
  bool m_toolTips = false;
};

} // namespace texkit2::framework
