#include "framework/qt/QtDialog.h"

#include "framework/qt/AnimationControl.h"
#include "framework/qt/PictureControl.h"
#include "framework/qt/QtResources.h"
#include "framework/qt/QtTree.h"
#include "framework/qt/ThumbnailList.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QToolTip>

namespace texkit2::framework {
namespace {

constexpr const char* kTextProperty = "dlgText";

// Statics show "&&" as "&" and take a lone "&" as a mnemonic marker.
QString withoutMnemonic(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
    }
    out += text[i];
  }
  return out;
}

// A static shows its text as the system's would: a static that holds more than one line wraps
// at words; one a line high keeps to that line, shortened in the middle when the text is too
// long for it, so that a path keeps both its ends.
void showStaticText(QLabel& label, const QString& text) {
  label.setProperty(kTextProperty, text);
  QString shown = label.property("noPrefix").toBool() ? text : withoutMnemonic(text);
  if (!label.wordWrap() && label.width() > 0) {
    shown = label.fontMetrics().elidedText(shown, Qt::ElideMiddle, label.width());
  }
  label.setText(shown);
}

Qt::Alignment alignmentOf(const ControlTemplate& control) {
  if (control.align == "right") {
    return Qt::AlignRight | Qt::AlignTop;
  }
  if (control.align == "center") {
    return Qt::AlignHCenter | Qt::AlignTop;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

} // namespace

QtDialog::QtDialog(CDialog& dialog, QWidget* parent) : QDialog(parent), m_dialog(dialog) {
  initResources();
  const int templateId = dialog.templateId();
  if (auto loaded = LoadDialogTemplate(templateId)) {
    m_template = *loaded;
  } else {
    qWarning("dialog layout %d is missing", templateId);
    m_template.id = templateId;
    m_template.width = 100;
    m_template.height = 50;
  }
  setObjectName(QString("dialog%1").arg(templateId));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  m_systemMenu = new QMenu(this);
  connect(m_systemMenu, &QMenu::triggered, this,
          [this](QAction* action) { m_dialog.OnSysCommand(action->data().toInt()); });
  menuAppendCommand(CDialog::SC_MOVE, "&Move");
  m_systemMenu->actions().back()->setEnabled(false); // windows are moved by their frame here
  menuAppendCommand(CDialog::SC_CLOSE, "&Close\tAlt+F4");
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { m_dialog.OnHelp(); });
}

QtDialog::~QtDialog() = default;

QtDialog* qtDialog(const CDialog& dialog) {
  return dynamic_cast<QtDialog*>(dialog.peer());
}

void QtDialog::build() {
  if (m_built) {
    return;
  }
  m_built = true;
  const QString family = QString::fromStdString(m_template.fontFamily);
  setWindowTitle(QString::fromStdString(m_template.caption));
  const QFont font = templateFont(family, m_template.pointSize);
  setFont(font);
  // The units of the font the dialog got, as the system computes them for its dialogs: the
  // layout then grows and shrinks with its texts.
  const DialogUnits units = DialogUnits::forFont(font);
  const int lineHeight = QFontMetrics(font).height();
  setFixedSize(units.toPixelsX(m_template.width), units.toPixelsY(m_template.height));

  QWidget* previous = nullptr;
  QButtonGroup* radios = nullptr;
  int radioFirst = 0;
  int index = 0;
  for (const auto& control : m_template.controls) {
    if (control.group || control.type != "radio") {
      radios = nullptr;
    }
    QWidget* widget = makeControl(control);
    if (widget == nullptr) {
      continue;
    }
    widget->setGeometry(units.toPixels(QRect(control.x, control.y, control.width, control.height)));
    if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && control.type == "static") {
      label->setWordWrap(control.align == "left" && label->height() >= lineHeight * 3 / 2);
      showStaticText(*label, QString::fromStdString(control.text));
    }
    widget->setObjectName(control.id == -1 ? QString("static%1").arg(index)
                                           : QString("ctl%1").arg(control.id));
    ++index;
    if (control.type == "radio") {
      if (radios == nullptr) {
        radios = new QButtonGroup(this);
        radioFirst = control.id;
        m_radioGroups[radioFirst] = radios;
      }
      radios->addButton(static_cast<QRadioButton*>(widget));
    }
    if (control.type == "groupbox") {
      widget->lower();
    }
    if (control.id != -1) {
      m_controls[control.id] = widget;
      widget->installEventFilter(this);
    }
    if (widget->focusPolicy() != Qt::NoFocus) {
      if (previous != nullptr) {
        setTabOrder(previous, widget);
      }
      previous = widget;
    }
  }
  // Layouts placed at 0, 0 are centred: over the owner, or on the screen for a main window.
  const QWidget* owner = parentWidget();
  const QRect area = owner != nullptr      ? owner->window()->frameGeometry()
                     : screen() != nullptr ? screen()->availableGeometry()
                                           : QRect(0, 0, 1024, 768);
  move(area.center() - rect().center());
}

QWidget* QtDialog::makeControl(const ControlTemplate& control) {
  const std::string& type = control.type;
  const QString text = QString::fromStdString(control.text);
  QWidget* widget = nullptr;
  if (type == "radio") {
    auto* radio = new QRadioButton(text, this);
    radio->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    widget = radio;
  } else if (type == "check") {
    widget = new QCheckBox(text, this);
  } else if (type == "button" || type == "defbutton") {
    auto* button = new QPushButton(text, this);
    button->setDefault(type == "defbutton");
    button->setAutoDefault(type == "defbutton");
    widget = button;
  } else if (type == "iconbutton") {
    // The picture stands for the text, which stays the button's name and mnemonic.
    auto* button = new QPushButton(this);
    button->setProperty(kTextProperty, text);
    button->setAccessibleName(withoutMnemonic(text));
    button->setShortcut(QKeySequence::mnemonic(text));
    button->setIconSize(QSize(32, 32));
    button->setAutoDefault(false);
    widget = button;
  } else if (type == "static") {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignmentOf(control));
    label->setProperty("noPrefix", control.noPrefix);
    widget = label;
  } else if (type == "groupbox") {
    widget = new QGroupBox(withoutMnemonic(text), this);
    widget->setFocusPolicy(Qt::NoFocus);
  } else if (type == "edit") {
    auto* edit = new QLineEdit(text, this);
    edit->setReadOnly(control.readOnly);
    // textEdited, not textChanged: what SetDlgItemText puts there is no change by the user.
    if (control.id != -1) {
      connect(edit, &QLineEdit::textEdited, this,
              [this, id = control.id] { m_dialog.OnEditChange(id); });
    }
    widget = edit;
  } else if (type == "progress") {
    auto* bar = new QProgressBar(this);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    widget = bar;
  } else if (type == "animation") {
    widget = new AnimationControl(this);
    widget->setFocusPolicy(Qt::NoFocus);
  } else if (type == "icon") {
    auto* label = new QLabel(this);
    label->setPixmap(LoadIcon(control.icon).pixmap(32, 32));
    label->setAlignment(control.centerImage ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignTop));
    widget = label;
  } else if (type == "tree") {
    auto* tree = new QtTree(this);
    tree->setFrameShape(control.border ? QFrame::StyledPanel : QFrame::NoFrame);
    widget = tree;
  } else if (type == "thumbnails") {
    auto* list = new ThumbnailList(m_dialog, control.id, this);
    list->setFrameShape(control.border ? QFrame::StyledPanel : QFrame::NoFrame);
    widget = list;
  } else if (type == "picture") {
    auto* picture = new PictureControl(this);
    if (control.border) {
      picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
    widget = picture;
  }
  // Clicks reach the dialog as commands of the control's id, as buttons report them.
  if (auto* button = qobject_cast<QAbstractButton*>(widget);
      button != nullptr && control.id != -1) {
    connect(button, &QAbstractButton::clicked, this,
            [this, id = control.id] { m_dialog.OnCommand(id); });
  }
  if (widget != nullptr && !control.tabStop && type != "radio" && type != "edit") {
    if (type == "button" || type == "defbutton" || type == "iconbutton" || type == "check" ||
        type == "thumbnails") {
      widget->setFocusPolicy(Qt::ClickFocus);
    } else if (type != "tree") {
      widget->setFocusPolicy(Qt::NoFocus);
    }
  }
  return widget;
}

int QtDialog::runModal() {
  return exec();
}

void QtDialog::end(int result) {
  for (const int id : m_timers.keys()) {
    stopTimer(id);
  }
  done(result);
}

QWidget* QtDialog::GetDlgItem(int controlId) const {
  const auto it = m_controls.find(controlId);
  return it == m_controls.end() ? nullptr : it->second;
}

void QtDialog::setEnabled(int controlId, bool enable) {
  if (QWidget* w = GetDlgItem(controlId)) {
    w->setEnabled(enable);
  }
}

void QtDialog::setShown(int controlId, bool show) {
  if (QWidget* w = GetDlgItem(controlId)) {
    w->setVisible(show);
  }
}

bool QtDialog::isEnabled(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  return w != nullptr && w->isEnabled();
}

bool QtDialog::isShown(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  return w != nullptr && !w->isHidden();
}

void QtDialog::setText(int controlId, const std::string& utf8) {
  const QString text = QString::fromStdString(utf8);
  QWidget* w = GetDlgItem(controlId);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    showStaticText(*label, text);
  } else if (auto* picture = qobject_cast<PictureControl*>(w)) {
    picture->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (button->property(kTextProperty).isValid()) {
      button->setProperty(kTextProperty, text);
      button->setShortcut(QKeySequence::mnemonic(text));
    } else {
      button->setText(text);
    }
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    box->setTitle(text);
  }
}

std::string QtDialog::text(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  if (w != nullptr && w->property(kTextProperty).isValid()) {
    return w->property(kTextProperty).toString().toStdString();
  }
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    return label->text().toStdString();
  }
  if (const auto* picture = qobject_cast<const PictureControl*>(w)) {
    return picture->text().toStdString();
  }
  if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
    return edit->text().toStdString();
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
    return button->text().toStdString();
  }
  return {};
}

bool QtDialog::isChecked(int controlId) const {
  const auto* box = item<QAbstractButton>(controlId);
  return box != nullptr && box->isChecked();
}

void QtDialog::setChecked(int controlId, bool checked) {
  auto* box = item<QAbstractButton>(controlId);
  if (box == nullptr || box->isChecked() == checked) {
    return;
  }
  // Exclusive groups refuse to uncheck their last button; lift that for the push.
  QButtonGroup* group = box->group();
  if (group != nullptr) {
    group->setExclusive(false);
  }
  box->setChecked(checked);
  if (group != nullptr) {
    group->setExclusive(true);
  }
}

void QtDialog::setButtonIcon(int controlId, int iconId) {
  if (auto* button = item<QAbstractButton>(controlId)) {
    button->setIcon(LoadIcon(iconId));
  }
}

void QtDialog::setWindowIcon(int iconId) {
  QDialog::setWindowIcon(LoadIcon(iconId));
}

void QtDialog::setProgressRange(int controlId, std::int32_t maximum) {
  if (auto* bar = item<QProgressBar>(controlId)) {
    bar->setRange(0, maximum);
  }
}

void QtDialog::setProgressPos(int controlId, std::int32_t position) {
  if (auto* bar = item<QProgressBar>(controlId)) {
    bar->setValue(position);
  }
}

std::int32_t QtDialog::progressPos(int controlId) const {
  const auto* bar = item<QProgressBar>(controlId);
  return bar != nullptr ? bar->value() : 0;
}

std::int32_t QtDialog::progressMax(int controlId) const {
  const auto* bar = item<QProgressBar>(controlId);
  return bar != nullptr ? bar->maximum() : 0;
}

AnimationControl* QtDialog::animation(int controlId) const {
  return item<AnimationControl>(controlId);
}

bool QtDialog::animationOpen(int controlId, int clipId) {
  AnimationControl* control = animation(controlId);
  return control != nullptr && control->Open(clipId);
}

bool QtDialog::animationPlay(int controlId, int from, int to, int repeat) {
  AnimationControl* control = animation(controlId);
  return control != nullptr && control->Play(from, to, repeat);
}

void QtDialog::animationStop(int controlId) {
  if (AnimationControl* control = animation(controlId)) {
    control->Stop();
  }
}

void QtDialog::animationClose(int controlId) {
  if (AnimationControl* control = animation(controlId)) {
    control->Close();
  }
}

bool QtDialog::animationIsOpen(int controlId) const {
  const AnimationControl* control = animation(controlId);
  return control != nullptr && control->isOpen();
}

bool QtDialog::animationIsPlaying(int controlId) const {
  const AnimationControl* control = animation(controlId);
  return control != nullptr && control->isPlaying();
}

QtTree* QtDialog::treeView(int controlId) const {
  return item<QtTree>(controlId);
}

TreePeer* QtDialog::tree(int controlId) {
  return treeView(controlId);
}

ThumbnailList* QtDialog::thumbnails(int controlId) const {
  return item<ThumbnailList>(controlId);
}

void QtDialog::thumbnailsSetCount(int controlId, int count) {
  if (ThumbnailList* list = thumbnails(controlId)) {
    list->setCount(count);
  }
}

int QtDialog::thumbnailsCount(int controlId) const {
  const ThumbnailList* list = thumbnails(controlId);
  return list != nullptr ? list->count() : 0;
}

void QtDialog::thumbnailsUpdate(int controlId, int first, int last) {
  if (ThumbnailList* list = thumbnails(controlId)) {
    list->forget(first, last);
  }
}

std::vector<int> QtDialog::thumbnailsSelection(int controlId) const {
  const ThumbnailList* list = thumbnails(controlId);
  return list != nullptr ? list->selection() : std::vector<int>{};
}

void QtDialog::thumbnailsSetSelection(int controlId, const std::vector<int>& items) {
  if (ThumbnailList* list = thumbnails(controlId)) {
    list->select(items);
  }
}

std::vector<int> QtDialog::thumbnailsVisible(int controlId) const {
  const ThumbnailList* list = thumbnails(controlId);
  return list != nullptr ? list->visibleRows() : std::vector<int>{};
}

PictureControl* QtDialog::pictureControl(int controlId) const {
  return item<PictureControl>(controlId);
}

void QtDialog::setPicture(int controlId, const Picture& picture) {
  if (PictureControl* control = pictureControl(controlId)) {
    control->setPicture(picture);
  }
}

Picture QtDialog::picture(int controlId) const {
  const PictureControl* control = pictureControl(controlId);
  return control != nullptr ? control->picture() : Picture{};
}

std::vector<int> QtDialog::radioGroup(int firstId) const {
  std::vector<int> ids;
  const auto it = m_radioGroups.find(firstId);
  if (it == m_radioGroups.end()) {
    return ids;
  }
  for (const auto& control : m_template.controls) {
    const QWidget* w = GetDlgItem(control.id);
    const auto* radio = qobject_cast<const QRadioButton*>(w);
    if (radio != nullptr && radio->group() == it->second) {
      ids.push_back(control.id);
    }
  }
  return ids;
}

void QtDialog::startTimer(int id, int milliseconds) {
  stopTimer(id);
  m_timers[id] = QObject::startTimer(milliseconds);
}

bool QtDialog::hasTimer(int id) const {
  return m_timers.contains(id);
}

void QtDialog::stopTimer(int id) {
  if (m_timers.contains(id)) {
    killTimer(m_timers.take(id));
  }
}

void QtDialog::timerEvent(QTimerEvent* event) {
  for (auto it = m_timers.cbegin(); it != m_timers.cend(); ++it) {
    if (it.value() == event->timerId()) {
      m_dialog.OnTimer(it.key());
      return;
    }
  }
  QDialog::timerEvent(event);
}

void QtDialog::flash(bool on, bool toggled) {
  if (toggled) {
    QApplication::alert(this, 0);
  }
  // Where the caption cannot be drawn inverted, the title carries the attention state.
  const QString title = QString::fromStdString(m_template.caption);
  setWindowTitle(on ? QString("\u25B6 %1 \u25C0").arg(title) : title);
}

void QtDialog::menuAppendSeparator() {
  m_systemMenu->addSeparator();
}

void QtDialog::menuAppendCommand(int command, const std::string& text) {
  QAction* action = m_systemMenu->addAction(QString::fromStdString(text));
  action->setData(command);
}

void QtDialog::menuDelete(int position) {
  const QList<QAction*> actions = m_systemMenu->actions();
  if (position >= 0 && position < actions.size()) {
    QAction* action = actions[position];
    m_systemMenu->removeAction(action);
    delete action;
  }
}

std::vector<int> QtDialog::menuCommands() const {
  std::vector<int> commands;
  for (const QAction* action : m_systemMenu->actions()) {
    commands.push_back(action->isSeparator() ? 0 : action->data().toInt());
  }
  return commands;
}

void QtDialog::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier) {
    for (QPushButton* button : findChildren<QPushButton*>()) {
      if (button->isDefault() && button->isVisible()) {
        if (button->isEnabled()) {
          button->click();
        }
        return;
      }
    }
    m_dialog.OnCommand(CDialog::IDOK);
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  m_dialog.OnClose();
}

void QtDialog::contextMenuEvent(QContextMenuEvent* event) {
  if (!m_systemMenu->isEmpty()) {
    m_systemMenu->popup(event->globalPos());
  }
}

bool QtDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    int id = 0;
    for (const auto& [controlId, control] : m_controls) {
      if (control == widget) {
        id = controlId;
      }
    }
    const QString text = QString::fromStdString(m_dialog.toolTipText(id));
    m_lastToolTip.clear();
    if (!text.isEmpty()) {
      m_lastToolTip = text;
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

} // namespace texkit2::framework
