#include "Configure.h"

#include "DefaultsKeys.h"
#include "KeyMapInfo.h"
#include "LogCapture.h"
#include "PlainShortcutEditor.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <thread>

namespace {

// A store over a defaults file of its own.
class ConfigureTest : public ::testing::Test {
protected:
    std::unique_ptr<Configure> storeWith(std::string_view document)
    {
        return std::make_unique<Configure>(&defaults, document);
    }
    TempDir dir;
    UserDefaults defaults{dir.file("defaults.plist")};
};

TEST_F(ConfigureTest, BuildsCommandsFromRecords)
{
    const std::pair<const char*, const char*> rows[] = {
        {R"({"enableKeyboard":1,"shortcutEvent":"Command+Shift+","keyboardEvent":"A B "})",
         "Command+Shift+A;Command+Shift+B;"},
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"","enableMouse":1,"mouse":"MouseRight;"})",
         "Ctrl+MouseRight;"}, // one piece of names: the prefix only
        {R"({"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"A  B "})", "Ctrl+A;Ctrl+B;"},
        {R"({"enableKeyboard":1,"shortcutEvent":"Option+","keyboardEvent":"F5 ","enableMouse":1,"mouse":"ScrollBack;",
             "enableFunc":1,"function":"Monitor;","enableRun":1,"filePath":"/opt/x"})",
         "Option+F5;ScrollBack;Monitor;RunFile:/opt/x"},
        {R"({"enableKeyboard":0,"keyboardEvent":"Z ","enableFunc":0,"function":"Monitor;","enableRun":0,"filePath":"/x"})",
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
    for (const auto& [record, command] : rows) {
        const auto store = storeWith(std::string(R"({"3":)") + record + "}");
        EXPECT_EQ(store->readShortcutForCmd(3), command) << record;
        EXPECT_EQ(store->readShortcutForCmd(4), "") << record;
    }
    // Text that is no document reads as an empty one, and says so.
    for (const char* text : {"", "{", "[1,2]", "\"x\"", "{\"0\":"}) {
        LogCapture log;
        PlainShortcutEditor editor(0, {.mouse = "MouseLeft;"});
        EXPECT_TRUE(storeWith(text)->readShortcutConfig(editor));
        EXPECT_TRUE(editor.values() == PlainShortcutEditor(0).values() && log.contains("-warn-")) << text;
    }
}

// Writing stores the editor over the key's record (fields the editor has not
// are kept, a value it has not is removed) and reads back as written, or makes
// the record, or the document, when there is none. Over text that is no
// document, or with bytes the writer cannot write, the edit is refused and the
// text kept.
TEST_F(ConfigureTest, WritingStoresEveryEditOrRefusesIt)
{
    const auto store = storeWith(R"({"0":{"enableMouse":1,"mouse":"MouseLeft;","extra":"kept"},"1":{"enableFunc":7,
                                     "function":"Monitor;","filePath":"/opt/Caf\u00e9 \u2018x\u2019.app"}})");
    PlainShortcutEditor editor(0, {.function = "E,B;", .keyboard = "A B ", .modifiers = "Command+",
                                   .text = "Command+A B ", .path = "/opt/Tool+1.app", .keyboardOn = 1, .funcOn = 1});
    ASSERT_TRUE(store->writeShortcutConfig(editor));
    EXPECT_EQ(store->readShortcutForCmd(0), "Command+A;Command+B;E,B;");
    EXPECT_EQ(store->readShortcutForCmd(1), "Monitor;");
    const QString text = QString::fromStdU16String(*store->text());
    EXPECT_TRUE(text.contains("\"extra\":\"kept\"") && text.contains("/opt/Caf\u00e9 \u2018x\u2019.app"));
    PlainShortcutEditor back(0);
    store->readShortcutConfig(back);
    EXPECT_EQ(back.values(), editor.values());

    editor = PlainShortcutEditor(12, {.mouse = "ScrollForward;", .mouseOn = 1});
    for (const auto& into : {storeWith("{}"), storeWith("")}) {
        ASSERT_TRUE(into->writeShortcutConfig(editor));
        EXPECT_EQ(into->readShortcutForCmd(12), "ScrollForward;");
    }
    LogCapture log;
    const std::pair<const char*, const char*> refused[] = {{"{\"12\": broken", ""}, {R"({"12":{}})", "/opt/\xff\xfe"}};
    for (const auto& [text, path] : refused) {
        const auto into = storeWith(text);
        editor.path = path;
        EXPECT_FALSE(into->writeShortcutConfig(editor)) << text;
        EXPECT_EQ(QString::fromStdU16String(*into->text()), text);
    }
    EXPECT_TRUE(log.contains("not stored"));
}

// An edit persists only once saved and the defaults written (a path beyond
// ASCII intact); loading takes the stored text, else the default document.
TEST_F(ConfigureTest, SaveAndLoadThroughTheDefaults)
{
    const std::string defaultDocument = R"({"0":{"enableMouse":1,"mouse":"MouseLeft;"}})";
    const auto afterRestart = [&] {
        UserDefaults restarted(defaults.path());
        return Configure(&restarted, defaultDocument).readShortcutForCmd(0);
    };
    const auto store = storeWith(defaultDocument);
    const PlainShortcutEditor editor(0, {.path = "/opt/\u00c9diteur \u2018n\u2019 \U0001F58C.app", .runOn = 1});
    ASSERT_TRUE(store->writeShortcutConfig(editor));
    store->saveShortcutConfig();
    EXPECT_EQ(afterRestart(), "MouseLeft;") << "saving does not write the defaults file";
    defaults.synchronize();
    EXPECT_EQ(afterRestart(), "RunFile:" + editor.path);
    defaults.setObject(42, DefaultsKeys::shortcutSettings); // no text: no document
    store->defaultShortcutConfig();
    EXPECT_EQ(store->readShortcutForCmd(0), "MouseLeft;");
}

TEST_F(ConfigureTest, DefaultDocumentCoversEveryKey)
{
    const auto store = storeWith(Configure::builtInDocument());
    const char* shown[] = {"Ctrl+Z ", "Ctrl+Shift+Z ", "Switch Brush ", "Switch Display ", "Space ",
                           "Right Button ", "Middle Button ", "Undefined", "[ ", "] "};
    for (int kid = 0; kid <= 15; ++kid)
        EXPECT_EQ(KeyMapInfo::shortkeyToChina(store->readShortcutForCmd(kid)), kid <= 9 ? shown[kid] : "Undefined") << kid;
}

// The driver thread reads while two editors replace the document: every read
// sees one whole document, the old or the new, and no writer's record is lost.
using ConfigureConcurrency = ConfigureTest;
TEST_F(ConfigureConcurrency, ReadersSeeWholeDocumentsAndWritersLoseNoRecord)
{
    const auto store = storeWith(R"({"0":{"enableMouse":1,"mouse":"MouseLeft;"}})");
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        for (; !done.load(); reads.fetch_add(1))
            if (const auto command = store->readShortcutForCmd(0); command != "MouseLeft;" && command != "Ctrl+Y;")
                torn.fetch_add(1);
    });
    std::thread flipper([&] {
        const PlainShortcutEditor chord(0, {.keyboard = "Y ", .modifiers = "Ctrl+", .keyboardOn = 1});
        const PlainShortcutEditor click(0, {.mouse = "MouseLeft;", .mouseOn = 1});
        for (int i = 0; i < 400; ++i) EXPECT_TRUE(store->writeShortcutConfig(i % 2 ? click : chord));
    });
    for (int kid = 100; kid < 140; ++kid)
        store->writeShortcutConfig(PlainShortcutEditor(kid, {.mouse = "MouseRight;", .mouseOn = 1}));
    flipper.join();
    while (reads.load() < 50) std::this_thread::yield();
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(store->readShortcutForCmd(0), "MouseLeft;");
    for (int kid = 100; kid < 140; ++kid) EXPECT_EQ(store->readShortcutForCmd(kid), "MouseRight;") << kid;
}

} // namespace
