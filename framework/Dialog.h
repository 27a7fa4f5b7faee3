#pragma once

#include "framework/DialogTemplate.h"

#include <QButtonGroup>
#include <QDialog>
#include <QMap>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class QMenu;

namespace texkit2::framework {

class CDialog;

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
void DDX_Text(DataExchange& dx, int controlId, QString& value);
// A check box as 0 or 1.
void DDX_Check(DataExchange& dx, int controlId, int& value);
// The radio group starting at `firstId`: the index of the checked button, -1 for none.
void DDX_Radio(DataExchange& dx, int firstId, int& index);

// A modal dialog built from a layout in the program's resources. Results are 1 (accept) and
// 2 (cancel); Enter presses the default button (accepts without one), Escape cancels.
class CDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDOK = 1;
  static constexpr int IDCANCEL = 2;

  explicit CDialog(int templateId, QWidget* parent = nullptr);
  ~CDialog() override;

  // Builds the controls (once), initialises the dialog and runs it modally.
  int DoModal();
  // Builds and initialises the dialog without running it (for screenshots and tests).
  void Create();

  bool UpdateData(bool saveAndValidate = true);
  void EndDialog(int result);

  QWidget* GetDlgItem(int controlId) const;
  template <class T> T* item(int controlId) const {
    return qobject_cast<T*>(GetDlgItem(controlId));
  }
  void EnableItem(int controlId, bool enable);
  void ShowItem(int controlId, bool show);
  void SetDlgItemText(int controlId, const QString& text);
  QString GetDlgItemText(int controlId) const;
  bool isItemEnabled(int controlId) const;
  // Shown by the dialog, whether or not the dialog itself is on screen.
  bool isItemShown(int controlId) const;

  const DialogTemplate& dialogTemplate() const { return m_template; }
  // The controls of a radio group, first to last.
  std::vector<int> radioGroup(int firstId) const;

  // Window timers: OnTimer(id) every `milliseconds` until KillTimer(id).
  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  bool hasTimer(int id) const { return m_timers.contains(id); }

  // Toggles the window's attention state (invert true) or restores it (false), and asks the
  // window system to draw the user's attention.
  void FlashWindow(bool invert);
  bool flashState() const { return m_flashed; }
  int flashToggles() const { return m_flashToggles; }

  // Entries of the window's own menu (a context menu where the window system has no system
  // menu to extend); choosing one calls OnSysCommand with its command number.
  // It starts with the window system's two entries for a dialog: Move and Close.
  void AppendMenuSeparator();
  void AppendMenuCommand(int command, const QString& text);
  void DeleteMenuItem(int position);
  QMenu* systemMenu() const { return m_systemMenu; }
  // The entries' command numbers in menu order, 0 for a separator.
  std::vector<int> menuCommands() const;

  static constexpr int SC_MOVE = 0xF010;
  static constexpr int SC_CLOSE = 0xF060;

  // Children ask OnToolTipNeedText for their tooltip once this is on.
  void EnableToolTips(bool enable = true) { m_toolTips = enable; }
  // The text of the tooltip shown last, empty when the last request got none.
  const QString& lastToolTip() const { return m_lastToolTip; }

  virtual void OnSysCommand(int command);

 protected:
  virtual void DoDataExchange(DataExchange& /*dx*/) {}
  // The layout's controls exist; the default pushes the members into them.
  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // The window's close box; cancels by default.
  virtual void OnClose() { OnCancel(); }
  virtual void OnTimer(int /*id*/) {}
  // The tooltip text of control `controlId`; false when it has none.
  virtual bool OnToolTipNeedText(int /*controlId*/, QString& /*text*/) { return false; }
  // Controls of types the framework does not know (a tree, say).
  virtual QWidget* CreateCustomControl(const ControlTemplate& /*control*/) { return nullptr; }

  void accept() override { OnOK(); }
  void reject() override { OnCancel(); }
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void buildControls();
  QWidget* makeControl(const ControlTemplate& control);

  DialogTemplate m_template;
  bool m_built = false;
  bool m_initialised = false;
  std::map<int, QWidget*> m_controls;
  std::map<int, QButtonGroup*> m_radioGroups; // by first id
  QMap<int, int> m_timers;                    // our id -> Qt timer id
  bool m_flashed = false;
  int m_flashToggles = 0;
  bool m_toolTips = false;
  QString m_lastToolTip;
  QMenu* m_systemMenu = nullptr;
};

} // namespace texkit2::framework
