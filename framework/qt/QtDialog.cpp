#include "framework/Dialog.h"

#include "framework/AnimationControl.h"
#include "framework/Resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
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

void DDX_Text(DataExchange& dx, int controlId, QString& value) {
  if (dx.saveAndValidate()) {
    value = dx.dialog().GetDlgItemText(controlId);
  } else {
    dx.dialog().SetDlgItemText(controlId, value);
  }
}

void DDX_Check(DataExchange& dx, int controlId, int& value) {
  auto* box = dx.dialog().item<QAbstractButton>(controlId);
  if (box == nullptr) {
    return;
  }
  if (dx.saveAndValidate()) {
    value = box->isChecked() ? 1 : 0;
  } else {
    box->setChecked(value == 1);
  }
}

void DDX_Radio(DataExchange& dx, int firstId, int& index) {
  const std::vector<int> group = dx.dialog().radioGroup(firstId);
  if (dx.saveAndValidate()) {
    index = -1;
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (dx.dialog().item<QRadioButton>(group[i])->isChecked()) {
        index = static_cast<int>(i);
      }
    }
    return;
  }
  // Exclusive groups refuse to uncheck their last button; lift that for the push.
  QButtonGroup* buttons =
      group.empty() ? nullptr : dx.dialog().item<QRadioButton>(group[0])->group();
  if (buttons != nullptr) {
    buttons->setExclusive(false);
  }
  for (std::size_t i = 0; i < group.size(); ++i) {
    dx.dialog().item<QRadioButton>(group[i])->setChecked(static_cast<int>(i) == index);
  }
  if (buttons != nullptr) {
    buttons->setExclusive(true);
  }
}

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent) {
  initResources();
  if (auto loaded = LoadDialogTemplate(templateId)) {
    m_template = *loaded;
  } else {
    qWarning("dialog layout %d is missing", templateId);
    m_template.id = templateId;
    m_template.size = QSize(100, 50);
  }
  setObjectName(QString("dialog%1").arg(templateId));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  m_systemMenu = new QMenu(this);
  connect(m_systemMenu, &QMenu::triggered, this,
          [this](QAction* action) { OnSysCommand(action->data().toInt()); });
  AppendMenuCommand(SC_MOVE, "&Move");
  m_systemMenu->actions().back()->setEnabled(false); // windows are moved by their frame here
  AppendMenuCommand(SC_CLOSE, "&Close\tAlt+F4");
}

CDialog::~CDialog() = default;

void CDialog::buildControls() {
  if (m_built) {
    return;
  }
  m_built = true;
  setWindowTitle(m_template.caption);
  const QFont font = templateFont(m_template.fontFamily, m_template.pointSize);
  setFont(font);
  const DialogUnits units = DialogUnits::forTemplate(m_template.fontFamily, font);
  setFixedSize(units.toPixelsX(m_template.size.width()), units.toPixelsY(m_template.size.height()));

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
    widget->setGeometry(units.toPixels(control.rect));
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
}

QWidget* CDialog::makeControl(const ControlTemplate& control) {
  const QString& type = control.type;
  QWidget* widget = nullptr;
  if (type == "radio") {
    auto* radio = new QRadioButton(control.text, this);
    radio->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    widget = radio;
  } else if (type == "check") {
    widget = new QCheckBox(control.text, this);
  } else if (type == "button" || type == "defbutton") {
    auto* button = new QPushButton(control.text, this);
    button->setDefault(type == "defbutton");
    button->setAutoDefault(type == "defbutton");
    connect(button, &QPushButton::clicked, this, [this, id = control.id] {
      if (id == IDOK) {
        OnOK();
      } else if (id == IDCANCEL) {
        OnCancel();
      }
    });
    widget = button;
  } else if (type == "iconbutton") {
    // The picture stands for the text, which stays the button's name and mnemonic.
    auto* button = new QPushButton(this);
    button->setProperty(kTextProperty, control.text);
    button->setAccessibleName(withoutMnemonic(control.text));
    button->setShortcut(QKeySequence::mnemonic(control.text));
    button->setIconSize(QSize(32, 32));
    button->setAutoDefault(false);
    widget = button;
  } else if (type == "static") {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignmentOf(control));
    label->setWordWrap(control.align == "left");
    label->setProperty("noPrefix", control.noPrefix);
    label->setText(control.noPrefix ? control.text : withoutMnemonic(control.text));
    widget = label;
  } else if (type == "groupbox") {
    widget = new QGroupBox(withoutMnemonic(control.text), this);
    widget->setFocusPolicy(Qt::NoFocus);
  } else if (type == "edit") {
    auto* edit = new QLineEdit(control.text, this);
    edit->setReadOnly(control.readOnly);
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
  } else {
    widget = CreateCustomControl(control);
  }
  if (widget != nullptr && !control.tabStop && type != "radio" && type != "edit") {
    if (type == "button" || type == "defbutton" || type == "iconbutton" || type == "check") {
      widget->setFocusPolicy(Qt::ClickFocus);
    } else if (type != "tree") {
      widget->setFocusPolicy(Qt::NoFocus);
    }
  }
  return widget;
}

void CDialog::Create() {
  buildControls();
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
  // Layouts placed at 0, 0 are centred: over the owner, or on the screen for a main window.
  const QWidget* owner = parentWidget();
  const QRect area = owner != nullptr      ? owner->window()->frameGeometry()
                     : screen() != nullptr ? screen()->availableGeometry()
                                           : QRect(0, 0, 1024, 768);
  move(area.center() - rect().center());
}

int CDialog::DoModal() {
  Create();
  return exec();
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  DataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
  return true;
}

void CDialog::OnOK() {
  if (UpdateData(true)) {
    EndDialog(IDOK);
  }
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
  for (const int id : m_timers.keys()) {
    KillTimer(id);
  }
  done(result);
}

QWidget* CDialog::GetDlgItem(int controlId) const {
  const auto it = m_controls.find(controlId);
  return it == m_controls.end() ? nullptr : it->second;
}

void CDialog::EnableItem(int controlId, bool enable) {
  if (QWidget* w = GetDlgItem(controlId)) {
    w->setEnabled(enable);
  }
}

void CDialog::ShowItem(int controlId, bool show) {
  if (QWidget* w = GetDlgItem(controlId)) {
    w->setVisible(show);
  }
}

bool CDialog::isItemEnabled(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  return w != nullptr && w->isEnabled();
}

bool CDialog::isItemShown(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  return w != nullptr && !w->isHidden();
}

void CDialog::SetDlgItemText(int controlId, const QString& text) {
  QWidget* w = GetDlgItem(controlId);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(label->property("noPrefix").toBool() ? text : withoutMnemonic(text));
    label->setProperty(kTextProperty, text);
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

QString CDialog::GetDlgItemText(int controlId) const {
  const QWidget* w = GetDlgItem(controlId);
  if (w != nullptr && w->property(kTextProperty).isValid()) {
    return w->property(kTextProperty).toString();
  }
  if (const auto* label = qobject_cast<const QLabel*>(w)) {
    return label->text();
  }
  if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
    return edit->text();
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
    return button->text();
  }
  return {};
}

std::vector<int> CDialog::radioGroup(int firstId) const {
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

void CDialog::SetTimer(int id, int milliseconds) {
  KillTimer(id);
  m_timers[id] = startTimer(milliseconds);
}

void CDialog::KillTimer(int id) {
  if (m_timers.contains(id)) {
    killTimer(m_timers.take(id));
  }
}

void CDialog::timerEvent(QTimerEvent* event) {
  for (auto it = m_timers.cbegin(); it != m_timers.cend(); ++it) {
    if (it.value() == event->timerId()) {
      OnTimer(it.key());
      return;
    }
  }
  QDialog::timerEvent(event);
}

void CDialog::FlashWindow(bool invert) {
  if (invert) {
    m_flashed = !m_flashed;
    ++m_flashToggles;
    QApplication::alert(this, 0);
  } else {
    m_flashed = false;
  }
  // Where the caption cannot be drawn inverted, the title carries the attention state.
  const QString title = m_template.caption;
  setWindowTitle(m_flashed ? QString("\u25B6 %1 \u25C0").arg(title) : title);
}

void CDialog::AppendMenuSeparator() {
  m_systemMenu->addSeparator();
}

void CDialog::AppendMenuCommand(int command, const QString& text) {
  QAction* action = m_systemMenu->addAction(text);
  action->setData(command);
}

void CDialog::DeleteMenuItem(int position) {
  const QList<QAction*> actions = m_systemMenu->actions();
  if (position >= 0 && position < actions.size()) {
    QAction* action = actions[position];
    m_systemMenu->removeAction(action);
    delete action;
  }
}

std::vector<int> CDialog::menuCommands() const {
  std::vector<int> commands;
  for (const QAction* action : m_systemMenu->actions()) {
    commands.push_back(action->isSeparator() ? 0 : action->data().toInt());
  }
  return commands;
}

void CDialog::OnSysCommand(int command) {
  if (command == SC_CLOSE) {
    OnClose();
  }
}

void CDialog::keyPressEvent(QKeyEvent* event) {
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
    OnOK();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnClose();
}

void CDialog::contextMenuEvent(QContextMenuEvent* event) {
  if (!m_systemMenu->isEmpty()) {
    m_systemMenu->popup(event->globalPos());
  }
}

bool CDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    QString text;
    int id = 0;
    for (const auto& [controlId, control] : m_controls) {
      if (control == widget) {
        id = controlId;
      }
    }
    m_lastToolTip.clear();
    if (m_toolTips && id != 0 && OnToolTipNeedText(id, text) && !text.isEmpty()) {
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
