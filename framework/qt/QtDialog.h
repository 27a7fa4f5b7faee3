#pragma once

#include "framework/Dialog.h"
#include "framework/Toolkit.h"
#include "framework/qt/DialogTemplate.h"

#include <QButtonGroup>
#include <QDialog>
#include <QMap>
#include <QString>
#include <map>
#include <vector>

class QMenu;

namespace texkit2::framework {

class AnimationControl;
class PictureControl;
class QtTree;
class ThumbnailList;

// The Qt window of one dialog: its layout's controls as widgets, each named after its id
// (ctl1033), and the dialog's handlers called as the user acts.
class QtDialog final : public QDialog, public DialogPeer {
  Q_OBJECT
 public:
  QtDialog(CDialog& dialog, QWidget* parent);
  ~QtDialog() override;

  CDialog& dialog() const { return m_dialog; }
  QWidget* GetDlgItem(int controlId) const;
  template <class T> T* item(int controlId) const {
    return qobject_cast<T*>(GetDlgItem(controlId));
  }
  AnimationControl* animation(int controlId) const;
  QtTree* treeView(int controlId) const;
  ThumbnailList* thumbnails(int controlId) const;
  PictureControl* pictureControl(int controlId) const;
  const DialogTemplate& dialogTemplate() const { return m_template; }
  QMenu* systemMenu() const { return m_systemMenu; }
  // The text of the tooltip shown last, empty when the last request got none.
  const QString& lastToolTip() const { return m_lastToolTip; }

  // DialogPeer
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

 protected:
  void accept() override { m_dialog.OnCommand(CDialog::IDOK); }
  void reject() override { m_dialog.OnCommand(CDialog::IDCANCEL); }
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QWidget* makeControl(const ControlTemplate& control);

  CDialog& m_dialog;
  DialogTemplate m_template;
  bool m_built = false;
  std::map<int, QWidget*> m_controls;
  std::map<int, QButtonGroup*> m_radioGroups; // by first id
  QMap<int, int> m_timers;                    // our id -> Qt timer id
  QString m_lastToolTip;
  QMenu* m_systemMenu = nullptr;
};

// The Qt window of a dialog; null before it is built.
QtDialog* qtDialog(const CDialog& dialog);

} // namespace texkit2::framework
