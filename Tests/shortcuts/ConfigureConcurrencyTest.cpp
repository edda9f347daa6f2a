#include "Configure.h"

#include "PlainShortcutEditor.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// The driver thread reads while the editor replaces the document: every read
// sees one whole document, the old or the new.
TEST(ConfigureConcurrency, ReaderSeesWholeDocumentsWhileAWriterReplacesThem)
{
    TempDir dir;
    UserDefaults defaults(dir.file("defaults.plist"));
    Configure store(&defaults, R"({"0":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Z "}})");

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::string command = store.readShortcutForCmd(0);
            if (command != "Ctrl+Z;" && command != "Ctrl+Shift+Y;" && command != "MouseLeft;") torn.fetch_add(1);
            reads.fetch_add(1);
        }
    });

    PlainShortcutEditor chord(0), click(0);
    chord.keyboardOn = 1;
    chord.modifiers = "Ctrl+Shift+";
    chord.keyboard = "Y ";
    click.mouseOn = 1;
    click.mouse = "MouseLeft;";
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(store.writeShortcutConfig(i % 2 ? click : chord));
    while (reads.load() < 50) std::this_thread::yield();
    done = true;
    reader.join();

    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(store.readShortcutForCmd(0), "MouseLeft;");
}

// Edits from two threads are applied one after the other; neither is lost.
TEST(ConfigureConcurrency, TwoWritersLoseNoRecord)
{
    TempDir dir;
    UserDefaults defaults(dir.file("defaults.plist"));
    Configure store(&defaults, "{}");
    auto writeKeys = [&](int first) {
        for (int kid = first; kid < first + 40; ++kid) {
            PlainShortcutEditor editor(kid);
            editor.mouseOn = 1;
            editor.mouse = "MouseRight;";
            store.writeShortcutConfig(editor);
        }
    };
    std::thread a(writeKeys, 0), b(writeKeys, 100);
    a.join();
    b.join();
    for (int kid : {0, 39, 100, 139}) EXPECT_EQ(store.readShortcutForCmd(kid), "MouseRight;") << kid;
}

} // namespace
