#include "Configure.h"

#include "BTDriverManager.h"
#include "DefaultsKeys.h"
#include "JSON.h"
#include "KeyMapInfo.h"
#include "LogCapture.h"
#include "PlainShortcutEditor.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

std::string utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

// A store over a defaults file of its own.
class ConfigureTest : public ::testing::Test {
protected:
    std::unique_ptr<Configure> storeWith(std::string_view defaultDocument)
    {
        return std::make_unique<Configure>(&defaults, defaultDocument);
    }
    TempDir dir;
    UserDefaults defaults{dir.file("defaults.plist")};
};

TEST_F(ConfigureTest, BuildsCommandsFromRecords)
{
    const struct {
        const char* record;
        const char* command;
    } rows[] = {
        {R"({"enableKeyboard":1,"shortcutEvent":"Command+Shift+","keyboardEvent":"A B "})",
         "Command+Shift+A;Command+Shift+B;"},
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"","enableMouse":1,"mouse":"MouseRight;"})",
         "Ctrl+MouseRight;"},
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Z"})", "Ctrl+"}, // one piece: prefix only
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"A  B "})", "Ctrl+A;Ctrl+B;"},
        {R"({"enableKeyboard":1,"shortcutEvent":"Option+","keyboardEvent":"F5 ","enableMouse":1,"mouse":"ScrollBack;",
             "enableFunc":1,"function":"Monitor;","enableRun":1,"filePath":"/opt/x"})",
         "Option+F5;ScrollBack;Monitor;RunFile:/opt/x"},
        {R"({"enableKeyboard":0,"shortcutEvent":"Ctrl+","keyboardEvent":"Z ","enableMouse":0,"mouse":"MouseLeft;",
             "enableFunc":0,"function":"Monitor;","enableRun":0,"filePath":"/opt/x"})",
         ""},
        // Enable fields: any non-zero number is on.
        {R"({"enableMouse":2,"mouse":"MouseLeft;"})", "MouseLeft;"},
        {R"({"enableMouse":true,"mouse":"MouseLeft;"})", "MouseLeft;"},
        {R"({"enableMouse":0.0,"mouse":"MouseLeft;"})", ""},
        {R"({"enableMouse":"1","mouse":"MouseLeft;"})", ""},
        // Missing text fields.
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+"})", ""},
        {R"({"enableKeyboard":1,"keyboardEvent":"Z "})", "Z;"},
        {R"({"enableMouse":1,"enableFunc":1})", ""},
        {R"({"enableRun":1})", "RunFile:"},
        {R"("not a record")", ""},
    };
    for (const auto& row : rows) {
        const auto store = storeWith(std::string(R"({"3":)") + row.record + "}");
        EXPECT_EQ(store->readShortcutForCmd(3), row.command) << row.record;
        EXPECT_EQ(store->readShortcutForCmd(4), "") << row.record;
    }
}

TEST_F(ConfigureTest, UnusableTextReadsAsAnEmptyDocument)
{
    for (const char* text : {"", "{", "[1,2]", "\"x\"", "{\"0\":"}) {
        LogCapture log;
        const auto store = storeWith(text);
        EXPECT_EQ(store->readShortcutForCmd(0), "") << text;
        PlainShortcutEditor editor(0);
        editor.mouse = "MouseLeft;";
        EXPECT_TRUE(store->readShortcutConfig(editor));
        EXPECT_EQ(editor.mouse, std::nullopt);
        EXPECT_NE(log.indexOf("-warn-"), -1) << text;
    }
}

TEST_F(ConfigureTest, StoredTextWinsOverTheDefaultDocument)
{
    defaults.setObject(R"({"1":{"enableMouse":1,"mouse":"MouseRight;"}})", DefaultsKeys::shortcutSettings);
    const auto store = storeWith(R"({"1":{"enableMouse":1,"mouse":"MouseLeft;"}})");
    EXPECT_EQ(store->readShortcutForCmd(1), "MouseRight;");

    defaults.setObject(42, DefaultsKeys::shortcutSettings); // no string: not a document
    store->defaultShortcutConfig();
    EXPECT_EQ(store->readShortcutForCmd(1), "MouseLeft;");
}

// Reading fills the editor field by field, writing stores it back over the
// key's record (fields the editor has not are kept), and a key without a
// record reads as an empty editor.
TEST_F(ConfigureTest, EditorRoundTrip)
{
    const auto store = storeWith(R"({"0":{"enableMouse":1,"mouse":"MouseLeft;","extra":"kept"},
                                     "1":{"enableFunc":7,"function":"Monitor;","enableMouse":0,"mouse":"MouseMiddle;",
                                          "filePath":"/opt/Caf\u00e9 \u2018x\u2019.app"}})");
    PlainShortcutEditor one(1);
    EXPECT_TRUE(store->readShortcutConfig(one));
    EXPECT_EQ(one.calls, (std::vector<std::string>{"mouse", "function", "keyboard", "modifiers", "text", "path",
                                                   "keyboardOn", "mouseOn", "runOn", "funcOn"}));
    PlainShortcutEditor expected(1);
    expected.function = "Monitor;";
    expected.funcOn = 1;
    expected.mouse = "MouseMiddle;";
    expected.path = "/opt/Caf\u00e9 \u2018x\u2019.app";
    EXPECT_EQ(one.values(), expected.values());

    PlainShortcutEditor editor(0);
    editor.modifiers = "Command+";
    editor.keyboard = "A B ";
    editor.text = "Command+A B ";
    editor.keyboardOn = 1;
    editor.function = "E,B;";
    editor.funcOn = 1;
    editor.path = "/opt/Monitor Tool+1.app";
    editor.runOn = 1;
    // No mouse radio chosen: the field goes.
    ASSERT_TRUE(store->writeShortcutConfig(editor));
    EXPECT_EQ(store->readShortcutForCmd(0), "Command+A;Command+B;E,B;RunFile:/opt/Monitor Tool+1.app");
    EXPECT_EQ(store->readShortcutForCmd(1), "Monitor;");
    EXPECT_NE(utf8(*store->text()).find(R"("extra":"kept")"), std::string::npos);
    PlainShortcutEditor back(0);
    store->readShortcutConfig(back);
    EXPECT_EQ(back.values(), editor.values());

    // Stale values of the editor are cleared.
    back.kid = 9;
    EXPECT_TRUE(store->readShortcutConfig(back));
    EXPECT_EQ(back.values(), PlainShortcutEditor(9).values());
}

// An edit of a key without a record, or made while there is no document, is
// stored, not dropped; over text that is no document, or with a value the
// writer cannot write (bytes that are no UTF-8), it is refused and the text kept.
TEST_F(ConfigureTest, WritingStoresEveryEditOrRefusesIt)
{
    PlainShortcutEditor editor(12);
    editor.mouse = "ScrollForward;";
    editor.mouseOn = 1;
    for (const char* text : {R"({"0":{"enableMouse":1,"mouse":"MouseLeft;"}})", ""}) {
        const auto store = storeWith(text);
        ASSERT_TRUE(store->writeShortcutConfig(editor)) << text;
        EXPECT_EQ(store->readShortcutForCmd(12), "ScrollForward;") << text;
    }

    LogCapture log;
    const std::pair<const char*, const char*> refused[] = {{"{\"12\": broken", ""}, {R"({"12":{}})", "/opt/\xff\xfe"}};
    for (const auto& [text, path] : refused) {
        const auto store = storeWith(text);
        editor.path = path;
        EXPECT_FALSE(store->writeShortcutConfig(editor)) << text;
        EXPECT_EQ(utf8(*store->text()), text);
    }
    EXPECT_TRUE(log.contains("not stored"));
}

// The edit is used at once, persists only through a settings save (a path
// beyond ASCII intact), and a reset brings back the default document.
TEST_F(ConfigureTest, SaveAndResetThroughTheSettingsStore)
{
    const std::string defaultDocument = R"({"0":{"enableMouse":1,"mouse":"MouseLeft;"}})";
    const auto store = storeWith(defaultDocument);
    BTDriverManager driver(BTDriverManager::Options{&defaults});
    driver.setShortcutStore(store.get());

    PlainShortcutEditor editor(0);
    editor.mouse = "MouseRight;";
    editor.mouseOn = editor.runOn = 1;
    editor.path = "/opt/\u00c9diteur \u2018n\u2019 \U0001F58C.app";
    const std::string edited = "MouseRight;RunFile:" + editor.path;
    ASSERT_TRUE(store->writeShortcutConfig(editor));
    EXPECT_EQ(store->readShortcutForCmd(0), edited);
    {
        UserDefaults restarted(defaults.path());
        EXPECT_EQ(Configure(&restarted, defaultDocument).readShortcutForCmd(0), "MouseLeft;");
    }

    store->saveShortcutConfig(); // no flush of its own
    EXPECT_FALSE(UserDefaults(defaults.path()).stringForKey(DefaultsKeys::shortcutSettings));
    driver.saveSettings();
    {
        UserDefaults restarted(defaults.path());
        EXPECT_EQ(Configure(&restarted, defaultDocument).readShortcutForCmd(0), edited);
    }

    driver.clearConfig();
    EXPECT_EQ(store->readShortcutForCmd(0), "MouseLeft;");
    EXPECT_FALSE(UserDefaults(defaults.path()).stringForKey(DefaultsKeys::shortcutSettings));
}

TEST_F(ConfigureTest, DefaultDocumentCoversEveryKey)
{
    const auto document = objectFromJSONStringWithParseOptions(
        QString::fromUtf8(Configure::builtInDocument().data(), Configure::builtInDocument().size()).toStdU16String(), 0);
    ASSERT_TRUE(document && document->dictionary()) << "the default document is no strict JSON object";
    for (int kid = 0; kid <= 15; ++kid) {
        const JSONValue* value = document->dictionary()->objectForKey(std::to_string(kid));
        ASSERT_TRUE(value && value->dictionary()) << kid;
        for (const char* field : {"enableKeyboard", "shortcutEvent", "keyboardEvent", "shortcut", "enableMouse", "mouse",
                                  "enableFunc", "function", "enableRun", "filePath"})
            EXPECT_NE(value->dictionary()->objectForKey(field), nullptr) << kid << " " << field;
    }

    const auto store = storeWith(Configure::builtInDocument());
    const char* shown[] = {"Ctrl+Z ",        "Ctrl+Shift+Z ",  "Switch Brush ", "Switch Display ",
                           "Space ",         "Right Button ",  "Middle Button ", "Undefined",
                           "[ ",             "] "};
    for (int kid = 0; kid <= 9; ++kid)
        EXPECT_EQ(KeyMapInfo::shortkeyToChina(store->readShortcutForCmd(kid)), shown[kid]) << kid;
    for (int kid = 10; kid <= 15; ++kid) EXPECT_EQ(store->readShortcutForCmd(kid), "") << kid;
}

} // namespace
