#include "ShortcutSetting.h"

#include "Configure.h"
#include "KeyEventCodes.h"
#include "KeyMapInfo.h"
#include "NotificationCenter.h"
#include "ShortcutSettingProgramDialog.h"
#include "SystemLog.h"
#include "ui_ShortcutSetting.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <utility>

namespace {

// The groups' enabled states follow their checkboxes this long after a load.
constexpr int kEnableDelayMs = 100;

// Radio commands by tag.
constexpr std::array<const char*, 6> kMouseCommands{"MouseLeft;", "MouseRight;", "ScrollForward;",
                                                    "MouseDoubleClick;", "MouseMiddle;", "ScrollBack;"};
constexpr std::array<const char*, 2> kFunctionCommands{"Monitor;", "E,B;"};

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

int tagOf(const QAbstractButton* button)
{
    bool ok = false;
    const int tag = button ? button->property("tag").toInt(&ok) : -1;
    return ok ? tag : -1;
}

// Every piece between blanks, empty ones included.
qsizetype piecesAtBlanks(const std::string& text) { return fromUtf8(text).split(QLatin1Char(' ')).size(); }

} // namespace

ShortcutSetting::ShortcutSetting(Configure* store, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ShortcutSetting>()), store_(store)
{
    ui_->setupUi(this);
    // Above ordinary windows; a managed window with a title so it can take the keyboard.
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);

    mouseRadios_ = new QButtonGroup(this);
    for (QAbstractButton* radio : {ui_->mouseLeftButton, ui_->mouseRightButton, ui_->scrollForwardButton,
                                   ui_->mouseDoubleClickButton, ui_->mouseMiddleButton, ui_->mouseBackButton})
        mouseRadios_->addButton(radio, tagOf(radio));
    functionRadios_ = new QButtonGroup(this);
    for (QAbstractButton* radio : {ui_->monitorChangeButton, ui_->penChangeButton})
        functionRadios_->addButton(radio, tagOf(radio));
    connectControls();

    keyboardEvent_ = "";
    // Every key press of the application comes here while the editor is open.
    qApp->installEventFilter(this);
    kEvent_ = true;
}

ShortcutSetting::~ShortcutSetting()
{
    if (kEvent_) qApp->removeEventFilter(this);
}

Configure& ShortcutSetting::store() const { return store_ ? *store_ : Configure::instance(); }

void ShortcutSetting::connectControls()
{
    // The modifier checkboxes keep the text field in step with them.
    for (QAbstractButton* modifier : {ui_->ctrlCheckButton, ui_->shiftCheckButton, ui_->altCheckButton,
                                      ui_->commandCheckButton})
        connect(modifier, &QAbstractButton::clicked, this, &ShortcutSetting::setShortcutButton);
    connect(ui_->clearShortcutTextButton, &QAbstractButton::clicked, this, &ShortcutSetting::clearKeyGroupButton);
    connect(mouseRadios_, &QButtonGroup::buttonClicked, this, &ShortcutSetting::mouseSettingRadio);
    connect(functionRadios_, &QButtonGroup::buttonClicked, this, &ShortcutSetting::changeFunction);
    connect(ui_->browserFileButton, &QAbstractButton::clicked, this, &ShortcutSetting::browserFile);

    const std::pair<QAbstractButton*, void (ShortcutSetting::*)(const QAbstractButton*)> enables[] = {
        {ui_->enableKeyboard, &ShortcutSetting::enableKeyboardAction},
        {ui_->enableMouseEvent, &ShortcutSetting::enableMouseFuncAction},
        {ui_->enableFuncEvent, &ShortcutSetting::enableFuncAction},
        {ui_->enableRunEvent, &ShortcutSetting::enableRunAction},
    };
    for (const auto& enable : enables) {
        connect(enable.first, &QAbstractButton::clicked, this,
                [this, checkbox = enable.first, action = enable.second] { (this->*action)(checkbox); });
    }

    connect(ui_->applyButton, &QAbstractButton::clicked, this, &ShortcutSetting::applyButton);
    connect(ui_->cancelButton, &QAbstractButton::clicked, this, &ShortcutSetting::cancelButton);
}

void ShortcutSetting::setKeyId(int64_t keyId)
{
    keyId_ = keyId;
    if (!store().readShortcutConfig(*this)) alert(kReadFailed);
    QTimer::singleShot(kEnableDelayMs, this, [this] {
        enableKeyboardAction(ui_->enableKeyboard);
        enableRunAction(ui_->enableRunEvent);
        enableMouseFuncAction(ui_->enableMouseEvent);
        enableFuncAction(ui_->enableFuncEvent);
    });
}

bool ShortcutSetting::ownDialogIsOpen() const
{
    for (const QWidget* modal = QApplication::activeModalWidget(); modal; modal = modal->parentWidget())
        if (modal->parentWidget() == this) return true;
    return false;
}

bool ShortcutSetting::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // The editor's own file dialog and alerts keep their keyboard: a file
    // name can be typed, Escape dismisses.
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || ownDialogIsOpen())
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::KeyPress) keyDown(static_cast<const QKeyEvent&>(*event));
    // A claimed override keeps every shortcut of the application from firing.
    event->accept();
    return true;
}

void ShortcutSetting::keyDown(const QKeyEvent& event)
{
    // Held keys repeat; a chord names each key once per press.
    if (event.isAutoRepeat()) return;
    const std::string captured = keyboardEvent_.value_or("");
    if (piecesAtBlanks(captured) > kMaxKeys) return;

    const auto code = KeyEventCodes::virtualKey(event);
    if (!code || KeyEventCodes::isModifier(*code)) return;
    const auto& names = KeyMapInfo::shared().keyString();
    const auto name = names.find(*code);
    if (name == names.end()) return;

    keyboardEvent_ = captured + name->second + " ";
    showChord();
}

void ShortcutSetting::buildModifierPrefix()
{
    std::string prefix;
    if (ui_->ctrlCheckButton->isChecked()) prefix += "Ctrl+";
    if (ui_->shiftCheckButton->isChecked()) prefix += "Shift+";
    if (ui_->altCheckButton->isChecked()) prefix += "Option+";
    if (ui_->commandCheckButton->isChecked()) prefix += "Command+";
    shortcutEvent_ = prefix;
}

void ShortcutSetting::showChord()
{
    ui_->shortcutTextField->setText(fromUtf8(shortcutEvent_.value_or("") + keyboardEvent_.value_or("")));
}

void ShortcutSetting::clearKeyGroupButton()
{
    buildModifierPrefix();
    keyboardEvent_ = "";
    showChord();
}

void ShortcutSetting::setShortcutButton()
{
    buildModifierPrefix();
    showChord();
}

void ShortcutSetting::mouseSettingRadio(const QAbstractButton* sender)
{
    const int tag = tagOf(sender);
    if (tag >= 0 && tag < static_cast<int>(kMouseCommands.size())) mouseEvent_ = kMouseCommands[tag];
}

void ShortcutSetting::changeFunction(const QAbstractButton* sender)
{
    const int tag = tagOf(sender);
    if (tag >= 0 && tag < static_cast<int>(kFunctionCommands.size())) functionEvent_ = kFunctionCommands[tag];
}

void ShortcutSetting::browserFile()
{
    auto* dialog = new ShortcutSettingProgramDialog(this);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { ui_->filePathTextField->setText(path); });
    dialog->open();
}

void ShortcutSetting::enableKeyboardAction(const QAbstractButton* sender)
{
    ui_->enablekeyboardBox->setEnabled(sender->isChecked());
}

void ShortcutSetting::enableMouseFuncAction(const QAbstractButton* sender)
{
    ui_->enableMouseEventBox->setEnabled(sender->isChecked());
}

void ShortcutSetting::enableFuncAction(const QAbstractButton* sender)
{
    ui_->enableFunctionEventBox->setEnabled(sender->isChecked());
}

void ShortcutSetting::enableRunAction(const QAbstractButton* sender)
{
    ui_->enableRunEventBox->setEnabled(sender->isChecked());
}

void ShortcutSetting::applyButton()
{
    if (!store().writeShortcutConfig(*this)) {
        alert(kWriteFailed);
        return;
    }
    close();
    NotificationCenter::defaultCenter().postNotification(UpdateSettings);
}

void ShortcutSetting::cancelButton() { close(); }

void ShortcutSetting::closeEvent(QCloseEvent* event)
{
    // The capture ends with the window; the window is deleted once closed.
    if (kEvent_) qApp->removeEventFilter(this);
    kEvent_ = false;
    QWidget::closeEvent(event);
}

void ShortcutSetting::alert(const QString& message)
{
    BTLogWarn("-[ShortcutSetting alert]", "%s", message.toUtf8().constData());
    auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), message, QMessageBox::NoButton, this);
    box->addButton(QStringLiteral("confirm"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal); // a sheet on the editor
    box->open();
}

void ShortcutSetting::selectRadios(QButtonGroup& group, const std::optional<std::string>& command,
                                   const std::vector<const char*>& words,
                                   void (ShortcutSetting::*action)(const QAbstractButton*))
{
    const QString text = fromUtf8(command.value_or(""));
    // Radios can all be off only while the group is not exclusive.
    group.setExclusive(false);
    std::vector<QAbstractButton*> chosen;
    for (size_t tag = 0; tag < words.size(); ++tag) {
        QAbstractButton* radio = group.button(static_cast<int>(tag));
        const bool on = text.contains(QLatin1String(words[tag]));
        radio->setChecked(on);
        if (on) chosen.push_back(radio);
    }
    group.setExclusive(true);
    for (QAbstractButton* radio : chosen) (this->*action)(radio);
}

int64_t ShortcutSetting::keyId() const { return keyId_; }

std::optional<std::string> ShortcutSetting::mouseEvent() const { return mouseEvent_; }

void ShortcutSetting::setMouseEvent(const std::optional<std::string>& command)
{
    selectRadios(*mouseRadios_, command,
                 {"MouseLeft", "MouseRight", "ScrollForward", "MouseDoubleClick", "MouseMiddle", "ScrollBack"},
                 &ShortcutSetting::mouseSettingRadio);
}

std::optional<std::string> ShortcutSetting::functionEvent() const { return functionEvent_; }

void ShortcutSetting::setFunctionEvent(const std::optional<std::string>& command)
{
    selectRadios(*functionRadios_, command, {"Monitor", "E,B"}, &ShortcutSetting::changeFunction);
}

std::optional<std::string> ShortcutSetting::keyboardEvent() const { return keyboardEvent_; }

void ShortcutSetting::setKeyboardEvent(const std::optional<std::string>& names) { keyboardEvent_ = names; }

std::optional<std::string> ShortcutSetting::shortcutEvent() const { return shortcutEvent_; }

void ShortcutSetting::setShortcutEvent(const std::optional<std::string>& prefix) { shortcutEvent_ = prefix; }

std::string ShortcutSetting::shortcutText() const { return ui_->shortcutTextField->text().toStdString(); }

void ShortcutSetting::setShortcutText(const std::string& text)
{
    const QString shown = fromUtf8(text);
    ui_->ctrlCheckButton->setChecked(shown.contains(QLatin1String("Ctrl+")));
    ui_->shiftCheckButton->setChecked(shown.contains(QLatin1String("Shift+")));
    ui_->altCheckButton->setChecked(shown.contains(QLatin1String("Option+")));
    ui_->commandCheckButton->setChecked(shown.contains(QLatin1String("Command+")));
    ui_->shortcutTextField->setText(shown);
}

std::string ShortcutSetting::filePath() const { return ui_->filePathTextField->text().toStdString(); }

void ShortcutSetting::setFilePath(const std::string& path) { ui_->filePathTextField->setText(fromUtf8(path)); }

int32_t ShortcutSetting::enableKeyboardState() const { return ui_->enableKeyboard->isChecked() ? 1 : 0; }

void ShortcutSetting::setEnableKeyboardState(int32_t state) { ui_->enableKeyboard->setChecked(state != 0); }

int32_t ShortcutSetting::enableMouseEventState() const { return ui_->enableMouseEvent->isChecked() ? 1 : 0; }

void ShortcutSetting::setEnableMouseEventState(int32_t state) { ui_->enableMouseEvent->setChecked(state != 0); }

int32_t ShortcutSetting::enableRunEventState() const { return ui_->enableRunEvent->isChecked() ? 1 : 0; }

void ShortcutSetting::setEnableRunEventState(int32_t state) { ui_->enableRunEvent->setChecked(state != 0); }

int32_t ShortcutSetting::enableFuncEventState() const { return ui_->enableFuncEvent->isChecked() ? 1 : 0; }

void ShortcutSetting::setEnableFuncEventState(int32_t state) { ui_->enableFuncEvent->setChecked(state != 0); }
