#include "ShortcutSetting.h"

#include "Configure.h"
#include "NotificationCenter.h"
#include "PlainShortcutEditor.h"
#include "ShortcutSettingProgramDialog.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

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
    void open(int64_t kid, int settleMs = 150)
    {
        editor = new ShortcutSetting(store.get());
        editor->show();
        editor->setKeyId(kid);
        QTest::qWait(settleMs);
    }
    template <class T = QWidget>
    T& control(const char* name)
    {
        if (T* found = editor->findChild<T*>(QString::fromLatin1(name))) return *found;
        throw std::runtime_error(std::string("no control ") + name);
    }
    // Checkboxes and radios take a click on their mark; buttons anywhere.
    void click(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            QAbstractButton& button = control<QAbstractButton>(name);
            const bool marked = button.isCheckable() && !qobject_cast<QPushButton*>(&button);
            QTest::mouseClick(&button, Qt::LeftButton, {}, marked ? QPoint(6, button.height() / 2) : QPoint());
        }
    }
    std::string chord() { return control<QLineEdit>("shortcutTextField").text().toStdString(); }
    bool checked(const char* radio) { return control<QRadioButton>(radio).isChecked(); }
    // The record as the store reads it back, against what it should hold.
    void expectStored(int64_t kid, EditorFields fields)
    {
        PlainShortcutEditor record(kid);
        store->readShortcutConfig(record);
        EXPECT_EQ(record.values(), PlainShortcutEditor(kid, std::move(fields)).values()) << kid;
    }

    TempDir dir;
    UserDefaults defaults{dir.file("defaults.plist")};
    std::unique_ptr<Configure> store = std::make_unique<Configure>(
        &defaults, R"({"1":{"enableKeyboard":0,"mouse":"MouseLeft;","filePath":"/opt/x"},
                      "2":{"enableMouse":1,"mouse":"MouseMiddle;","function":"E,B;","enableRun":1,"filePath":"/opt/x"}})");
    QPointer<ShortcutSetting> editor;
    int updates = 0;
    ScopedObserver updateSettings{ShortcutSetting::UpdateSettings, nullptr, [this](const Notification&) { ++updates; }};
};

// One edit through every group. The groups follow their checkboxes 0.1 s
// after a load. While open the editor takes every key press of the
// application, after the ticked modifiers: 18 at most, a held key once, no
// modifier and no key without a name; Clear empties the keys and keeps the
// modifiers. The program chooser keeps its own keys and takes a folder. Apply
// stores the record, says so once and closes; keys reach the application again.
TEST_F(ShortcutSettingTest, EditsEveryGroupAndStoresThemTogether)
{
    QLineEdit other;
    other.show();
    QApplication::setActiveWindow(&other);
    other.setFocus();
    open(1, 0);
    EXPECT_TRUE(control("enableMouseEventBox").isEnabled()) << "not before 0.1 s";
    QTest::qWait(150);
    for (const char* box : {"enablekeyboardBox", "enableMouseEventBox", "enableFunctionEventBox", "enableRunEventBox"})
        EXPECT_FALSE(control(box).isEnabled()) << box;
    EXPECT_TRUE(checked("mouseLeftButton"));
    click({"enableKeyboard", "enableMouseEvent", "enableFuncEvent", "enableRunEvent", "mouseMiddleButton",
           "penChangeButton", "ctrlCheckButton", "shiftCheckButton"});
    EXPECT_TRUE(control("enableFunctionEventBox").isEnabled());
    EXPECT_EQ(chord(), "Ctrl+Shift+");
    QTest::keyClicks(&other, "a");
    QTest::keyClick(&control("applyButton"), Qt::Key_Apostrophe);
    for (const auto& [key, held] : {std::pair(Qt::Key_Shift, false), {Qt::Key_Print, false}, {Qt::Key_Apostrophe, true}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), held);
        QApplication::sendEvent(editor, &press);
    }
    EXPECT_EQ(other.text(), "");
    EXPECT_EQ(chord(), "Ctrl+Shift+A \u2018 ");
    for (int i = 0; i < 18; ++i) QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(chord().size(), std::string("Ctrl+Shift+A \u2018 ").size() + 16 * std::string("Delete ").size());
    click({"clearShortcutTextButton"});
    EXPECT_EQ(chord(), "Ctrl+Shift+");
    click({"shiftCheckButton"});
    QTest::keyClicks(editor, "ab");

    const std::string folder = dir.file("Tools");
    std::filesystem::create_directory(folder);
    click({"browserFileButton"});
    auto* dialog = editor->findChild<ShortcutSettingProgramDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Selelct shell program");
    QTest::keyClick(dialog, Qt::Key_X);
    dialog->setDirectory(QString::fromStdString(dir.path().string()));
    dialog->selectFile(QString::fromStdString(folder));
    dialog->accept();
    flushDeletes();
    click({"applyButton"});
    expectStored(1, {.mouse = "MouseMiddle;", .function = "E,B;", .keyboard = "A B ", .modifiers = "Ctrl+",
                     .text = "Ctrl+A B ", .path = folder, .keyboardOn = 1, .mouseOn = 1, .runOn = 1, .funcOn = 1});
    EXPECT_EQ(updates, 1);
    flushDeletes();
    EXPECT_TRUE(editor.isNull());
    QTest::keyClicks(&other, "c");
    EXPECT_EQ(other.text(), "c");
}

// A record selects its radios; unticking a group disables it but keeps its
// values, which Apply stores switched off.
TEST_F(ShortcutSettingTest, RecordsChooseTheirRadiosAndKeepValuesWhenOff)
{
    open(2);
    EXPECT_TRUE(checked("mouseMiddleButton") && checked("penChangeButton"));
    click({"enableMouseEvent", "enableRunEvent"});
    EXPECT_FALSE(control("enableMouseEventBox").isEnabled());
    click({"applyButton"});
    expectStored(2, {.mouse = "MouseMiddle;", .function = "E,B;", .path = "/opt/x"});
    EXPECT_EQ(updates, 1);
}

// A store that refuses the write: the editor says so in a sheet with one
// button, stays open, and nothing is announced. Cancel
// closes it and stores nothing.
TEST_F(ShortcutSettingTest, RefusedWriteIsToldAndCancelStoresNothing)
{
    store = std::make_unique<Configure>(&defaults, "[1]");
    open(4);
    click({"applyButton"});
    auto* alert = editor->findChild<QMessageBox*>();
    ASSERT_TRUE(alert && alert->buttons().size() == 1);
    EXPECT_EQ(alert->text(), ShortcutSetting::kWriteFailed);
    EXPECT_EQ(alert->buttons().first()->text(), "confirm");
    QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(editor->isVisible() && !editor->findChild<QMessageBox*>());
    click({"cancelButton"});
    flushDeletes();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(updates, 0);
}

} // namespace
