#include "ShortcutSetting.h"

#include "Configure.h"
#include "NotificationCenter.h"
#include "PlainShortcutEditor.h"
#include "ShortcutSettingProgramDialog.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <linux/input-event-codes.h>

namespace {

// Runs the deletions that closing a window has queued.
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// An editor over a shortcut document of the test's own, opened as the panel
// opens it: shown, then loaded, then left 0.1 s to set its groups.
class ShortcutSettingTest : public ::testing::Test {
protected:
    ~ShortcutSettingTest() override
    {
        if (editor) editor->close();
        flushDeletes();
    }

    void useDocument(std::string_view text) { store = std::make_unique<Configure>(&defaults, text); }

    ShortcutSetting& open(int64_t kid)
    {
        editor = new ShortcutSetting(store.get());
        editor->show();
        editor->setKeyId(kid);
        QTest::qWait(150);
        return *editor;
    }

    template <class T = QWidget>
    T& control(const char* name)
    {
        T* found = editor->findChild<T*>(QString::fromLatin1(name));
        if (!found) throw std::runtime_error(std::string("no control ") + name);
        return *found;
    }
    // Checkboxes and radios take a click on their mark; buttons anywhere.
    void click(const char* name)
    {
        QAbstractButton& button = control<QAbstractButton>(name);
        const bool marked = button.isCheckable() && !qobject_cast<QPushButton*>(&button);
        QTest::mouseClick(&button, Qt::LeftButton, {}, marked ? QPoint(6, button.height() / 2) : QPoint());
    }
    std::string field(const char* name) { return control<QLineEdit>(name).text().toStdString(); }

    // The record as the store reads it back.
    PlainShortcutEditor stored(int64_t kid)
    {
        PlainShortcutEditor record(kid);
        store->readShortcutConfig(record);
        return record;
    }

    TempDir dir;
    UserDefaults defaults{dir.file("defaults.plist")};
    std::unique_ptr<Configure> store = std::make_unique<Configure>(&defaults, R"({"3":{"enableKeyboard":1}})");
    QPointer<ShortcutSetting> editor;
    int updates = 0;
    ScopedObserver updateSettings{ShortcutSetting::UpdateSettings, nullptr, [this](const Notification&) { ++updates; }};
};

// Keys are captured after the ticked modifiers, 18 at most; Clear empties
// them and keeps the modifiers; Apply stores one chord per key and says so once.
TEST_F(ShortcutSettingTest, CapturesKeysAfterTheModifierPrefix)
{
    open(3);
    click("ctrlCheckButton");
    click("shiftCheckButton");
    EXPECT_EQ(field("shortcutTextField"), "Ctrl+Shift+");
    QTest::keyClick(editor, Qt::Key_A);
    QTest::keyClick(&control("applyButton"), Qt::Key_B); // wherever the key is sent
    EXPECT_EQ(editor->keyboardEvent(), "A B ");
    EXPECT_EQ(field("shortcutTextField"), "Ctrl+Shift+A B ");
    for (int i = 0; i < 18; ++i) QTest::keyClick(editor, Qt::Key_F5);
    EXPECT_EQ(editor->keyboardEvent()->size(), std::string("A B ").size() + 16 * std::string("F5 ").size());

    click("clearShortcutTextButton");
    EXPECT_EQ(editor->keyboardEvent(), "");
    EXPECT_EQ(field("shortcutTextField"), "Ctrl+Shift+");
    click("shiftCheckButton");
    QTest::keyClick(editor, Qt::Key_A);
    QTest::keyClick(editor, Qt::Key_B);
    click("applyButton");
    EXPECT_EQ(store->readShortcutForCmd(3), "Ctrl+A;Ctrl+B;");
    EXPECT_EQ(stored(3).text, "Ctrl+A B ");
    EXPECT_EQ(stored(3).modifiers, "Ctrl+");
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(updates, 1);
}

// Through the capture as a real desktop delivers keys (a native scan code,
// evdev + 8: the key in that place, whatever the layout prints on it) and as
// tests and the offscreen platform do (no scan code: by the Qt key).
TEST_F(ShortcutSettingTest, CapturesByScanCodeOrQtKey)
{
    const struct {
        uint32_t scanCode;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* captured;
    } rows[] = {
        {KEY_A + 8, Qt::Key_Q, Qt::NoModifier, "A "}, // a French layout's A key
        {KEY_SEMICOLON + 8, Qt::Key_M, Qt::NoModifier, ": "},
        {KEY_KPENTER + 8, Qt::Key_Enter, Qt::KeypadModifier, "KeypadEnter "},
        {KEY_NUMLOCK + 8, Qt::Key_A, Qt::NoModifier, ""}, // a key the tables lack, not its Qt key
        {KEY_LEFTCTRL + 8, Qt::Key_Control, Qt::ControlModifier, ""},
        {KEY_RIGHTMETA + 8, Qt::Key_Meta, Qt::MetaModifier, ""},
        {0, Qt::Key_Apostrophe, Qt::NoModifier, "\u2018 "},
        {0, Qt::Key_Backspace, Qt::NoModifier, "Delete "},
        {0, Qt::Key_5, Qt::KeypadModifier, "Keypad5 "},
        {0, Qt::Key_Escape, Qt::NoModifier, "Escape "},
        {0, Qt::Key_Shift, Qt::ShiftModifier, ""},
        {0, Qt::Key_CapsLock, Qt::NoModifier, ""},
        {0, Qt::Key_Print, Qt::NoModifier, ""}, // no name: nothing, not a blank entry
    };
    open(3);
    for (const auto& row : rows) {
        editor->setKeyboardEvent("");
        QKeyEvent press(QEvent::KeyPress, row.key, row.modifiers, row.scanCode, 0, 0);
        QApplication::sendEvent(editor, &press);
        EXPECT_EQ(editor->keyboardEvent(), row.captured) << row.scanCode << " " << row.key;
    }
    editor->setKeyboardEvent("");
    QTest::keyClick(editor, Qt::Key_Z, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(editor, &repeat);
    EXPECT_EQ(editor->keyboardEvent(), "Z ") << "a held key is captured once";
}

// While the editor is open no other window sees a key press; once it is
// closed, keys reach the application again and the editor is gone.
TEST_F(ShortcutSettingTest, TakesEveryKeyWhileOpenAndIsDestroyedOnClose)
{
    QLineEdit other;
    other.show();
    QApplication::setActiveWindow(&other);
    other.setFocus();
    open(3);
    QTest::keyClicks(&other, "ab");
    EXPECT_EQ(other.text(), "");
    EXPECT_EQ(editor->keyboardEvent(), "A B ");

    click("cancelButton");
    flushDeletes();
    EXPECT_TRUE(editor.isNull());
    QTest::keyClicks(&other, "c");
    EXPECT_EQ(other.text(), "c");
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(store->readShortcutForCmd(3), "") << "Cancel stores nothing";
}

// The groups follow their checkboxes 0.1 s after a load; unticking one
// disables it but keeps its values, which Apply stores switched off.
TEST_F(ShortcutSettingTest, GroupsAreStoredTogetherAndKeepTheirValuesWhenOff)
{
    useDocument(R"({"1":{"enableKeyboard":0,"mouse":"MouseLeft;","filePath":"/opt/x"}})");
    editor = new ShortcutSetting(store.get());
    editor->show();
    editor->setKeyId(1);
    EXPECT_TRUE(control("enableMouseEventBox").isEnabled()) << "not before 0.1 s";
    QTest::qWait(150);
    for (const char* box : {"enablekeyboardBox", "enableMouseEventBox", "enableFunctionEventBox", "enableRunEventBox"})
        EXPECT_FALSE(control(box).isEnabled()) << box;
    EXPECT_FALSE(control("mouseRightButton").isEnabled());
    EXPECT_TRUE(control<QRadioButton>("mouseLeftButton").isChecked());

    for (const char* enable : {"enableKeyboard", "enableMouseEvent", "enableFuncEvent", "enableRunEvent"}) click(enable);
    EXPECT_TRUE(control("enableFunctionEventBox").isEnabled());
    click("mouseMiddleButton");
    click("penChangeButton");
    QTest::keyClick(editor, Qt::Key_F5);
    click("applyButton");
    EXPECT_EQ(store->readShortcutForCmd(1), "F5;MouseMiddle;E,B;RunFile:/opt/x");

    open(1);
    EXPECT_TRUE(control<QRadioButton>("mouseMiddleButton").isChecked());
    EXPECT_TRUE(control<QRadioButton>("penChangeButton").isChecked());
    click("enableMouseEvent");
    click("enableRunEvent");
    EXPECT_FALSE(control("mouseMiddleButton").isEnabled());
    click("applyButton");
    EXPECT_EQ(store->readShortcutForCmd(1), "F5;E,B;");
    const PlainShortcutEditor record = stored(1);
    EXPECT_EQ(record.mouse, "MouseMiddle;");
    EXPECT_EQ(record.path, "/opt/x");
    EXPECT_EQ(record.mouseOn, 0);
    EXPECT_EQ(record.runOn, 0);
    EXPECT_EQ(updates, 2);
}

// "mouse" "" names no action: no radio, and Apply drops the field.
TEST_F(ShortcutSettingTest, ARecordWithoutAnActionChoosesNoRadio)
{
    useDocument(R"({"2":{"enableMouse":1,"mouse":"","function":"Monitor;"}})");
    open(2);
    for (const char* radio : {"mouseLeftButton", "mouseRightButton", "scrollForwardButton", "mouseDoubleClickButton",
                              "mouseMiddleButton", "mouseBackButton", "penChangeButton"})
        EXPECT_FALSE(control<QRadioButton>(radio).isChecked()) << radio;
    EXPECT_TRUE(control<QRadioButton>("monitorChangeButton").isChecked());
    EXPECT_EQ(editor->mouseEvent(), std::nullopt);
    click("applyButton");
    EXPECT_EQ(stored(2).mouse, std::nullopt);
    EXPECT_EQ(stored(2).function, "Monitor;");
}

// A store that refuses the write: the editor says so in a sheet with one
// button and stays open, and nothing is announced.
TEST_F(ShortcutSettingTest, RefusedWriteShowsTheAlertAndStaysOpen)
{
    useDocument("[1]");
    open(4);
    click("applyButton");
    auto* alert = editor->findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), ShortcutSetting::kWriteFailed);
    EXPECT_EQ(alert->icon(), QMessageBox::Critical);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().first()->text(), "confirm");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(updates, 0);

    QTest::keyClick(alert, Qt::Key_X); // the alert keeps its keys
    EXPECT_EQ(editor->keyboardEvent(), std::nullopt);
    QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
    flushDeletes();
    EXPECT_EQ(editor->findChild<QMessageBox*>(), nullptr);
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(ShortcutSettingTest, ChoosesAProgramOrAFolder)
{
    const std::string program = dir.file("paint.desktop");
    std::ofstream(program) << "[Desktop Entry]\n";
    const std::string folder = dir.file("Tools");
    std::filesystem::create_directory(folder);

    open(3);
    click("enableRunEvent");
    for (const std::string& choice : {program, folder}) {
        click("browserFileButton");
        auto* dialog = editor->findChild<ShortcutSettingProgramDialog*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Selelct shell program");
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir::homePath());

        QTest::keyClick(dialog, Qt::Key_X); // typed into the dialog, not captured
        EXPECT_EQ(editor->keyboardEvent(), std::nullopt);
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        dialog->selectFile(QString::fromStdString(choice));
        dialog->accept();
        flushDeletes();
        EXPECT_EQ(field("filePathTextField"), choice);
    }
    click("browserFileButton");
    editor->findChild<ShortcutSettingProgramDialog*>()->reject();
    flushDeletes();
    EXPECT_EQ(field("filePathTextField"), folder) << "Cancel keeps the path";
}

// Each opening is a window of its own, gone when it closes (the leak checker
// of the sanitizer build sees anything left behind).
TEST_F(ShortcutSettingTest, OpeningAndClosingLeavesNothingBehind)
{
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    for (int i = 0; i < 40; ++i) {
        QPointer<ShortcutSetting> opened = new ShortcutSetting(store.get());
        opened->show();
        opened->setKeyId(i % 8);
        if (i % 2)
            opened->applyButton();
        else
            opened->cancelButton();
        flushDeletes();
        ASSERT_TRUE(opened.isNull()) << i;
    }
    QTest::qWait(150); // the groups' timers of closed editors fire into nothing
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_EQ(updates, 20);
}

} // namespace
