#pragma once

// One CDialog as a real dialog window, made by the dialog manager from the program's dialog
// resource of the same number; its controls are the resource's, found by their ids.

#include "framework/Toolkit.h"
#include "framework/win32/Win32Api.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace texkit2::framework::win32 {

class Win32Thumbnails;
class Win32Tree;

class Win32Dialog final : public DialogPeer {
 public:
  explicit Win32Dialog(CDialog& dialog);
  ~Win32Dialog() override;
  Win32Dialog(const Win32Dialog&) = delete;
  Win32Dialog& operator=(const Win32Dialog&) = delete;

  HWND hwnd() const { return m_hwnd; }
  // The DPI the dialog is laid out for: its monitor's, followed as it moves (WM_DPICHANGED).
  int dpi() const { return m_dpi; }

  void build() override;
  int runModal() override;
  void end(int result) override;

  void setEnabled(int controlId, bool enable) override;
  bool isEnabled(int controlId) const override;
  void setShown(int controlId, bool show) override;
  bool isShown(int controlId) const override;
  void setText(int controlId, const std::string& text) override;
  std::string text(int controlId) const override;
  bool isChecked(int controlId) const override;
  void setChecked(int controlId, bool checked) override;
  std::vector<int> radioGroup(int firstId) const override;
  void setButtonIcon(int controlId, int iconId) override;
  void setWindowIcon(int iconId) override;

  void setProgressRange(int controlId, std::int32_t maximum) override;
  void setProgressPos(int controlId, std::int32_t position) override;
  std::int32_t progressPos(int controlId) const override;
  std::int32_t progressMax(int controlId) const override;

  bool animationOpen(int controlId, int clipId) override;
  bool animationPlay(int controlId, int from, int to, int repeat) override;
  void animationStop(int controlId) override;
  void animationClose(int controlId) override;
  bool animationIsOpen(int controlId) const override;
  bool animationIsPlaying(int controlId) const override;

  void startTimer(int id, int milliseconds) override;
  void stopTimer(int id) override;
  bool hasTimer(int id) const override;

  void flash(bool on, bool toggled) override;

  void menuAppendSeparator() override;
  void menuAppendCommand(int command, const std::string& text) override;
  void menuDelete(int position) override;
  std::vector<int> menuCommands() const override;

  TreePeer* tree(int controlId) override;

  void thumbnailsSetCount(int controlId, int count) override;
  int thumbnailsCount(int controlId) const override;
  void thumbnailsUpdate(int controlId, int first, int last) override;
  std::vector<int> thumbnailsSelection(int controlId) const override;
  void thumbnailsSetSelection(int controlId, const std::vector<int>& items) override;
  std::vector<int> thumbnailsVisible(int controlId) const override;

  void setPicture(int controlId, const Picture& picture) override;
  Picture picture(int controlId) const override;

 private:
  // The control's own state the window system does not keep: whether a clip is open, whether
  // it plays, and how many stop notifications of our own stops are still on their way (the
  // control posts them, so one could arrive after the next play started).
  struct Animation {
    bool open = false;
    bool playing = false;
    bool finite = false;
    int stopsOnTheWay = 0;
  };

  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR onCommand(WPARAM wParam, LPARAM lParam);
  INT_PTR onNotify(const NMHDR& header);
  INT_PTR answer(LRESULT result);
  void addToolTips();
  void centre();
  void stopAnimation(Animation& animation, HWND control);
  HWND item(int controlId) const;
  Win32Thumbnails* thumbnails(int controlId) const;
  // The layout's thumbnail lists and picture controls, which the dialog drives itself.
  void adoptOwnControls();
  HICON loadIcon(int iconId, int size);
  // Lays the dialog out again for `dpi` in `suggested` (screen coordinates): controls and font
  // scaled from the DPI they had, the icons and pictures drawn again for the new one.
  void onDpiChanged(int dpi, const RECT& suggested);
  void showPicture(int controlId);

  CDialog& m_dialog;
  HWND m_hwnd = nullptr;
  HWND m_toolTip = nullptr;
  bool m_running = false;
  bool m_ended = false;
  int m_result = 0;
  std::vector<int> m_timers;
  std::vector<HICON> m_icons;
  std::map<int, Animation> m_animations;
  std::map<int, std::unique_ptr<Win32Tree>> m_trees;
  std::map<int, std::unique_ptr<Win32Thumbnails>> m_thumbnails;
  std::map<int, Picture> m_pictures;
  std::map<int, Picture> m_shownPictures; // at the dialog's DPI
  std::map<int, int> m_buttonIcons;       // control id to icon id, drawn again at a new DPI
  int m_windowIcon = 0;
  int m_dpi = 96;
  HFONT m_font = nullptr; // made for a DPI the dialog moved to; the layout's font before that
  // Counts the dialog's own changes of edit texts, which are no user's edits.
  int m_quietEdits = 0;
  std::string m_toolTipText;
  std::wstring m_wideToolTipText;
};

// The window of `dialog`; null when it has none (yet).
HWND windowOf(const CDialog* dialog);

// The system's question box over `owner`, with OK and Cancel; true for OK.
bool askOkCancel(CDialog& owner, const std::string& text, const std::string& caption);

} // namespace texkit2::framework::win32
