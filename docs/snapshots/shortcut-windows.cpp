// Renders the shortcut editor (key 1 with its default chord) and a tips window
// (key 3 pressed) into OUTPUT_DIR/shortcut-editor.png and shortcut-tips.png.
#include "Configure.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "ShortcutSetting.h"
#include "ShowShoutcut.h"
#include "Snapshot.h"

int main(int argc, char** argv)
{
    Snapshot snapshot(argc, argv);
    if (!snapshot.ready()) return 2;

    // The default shortcuts.
    Configure store(&snapshot.defaults());
    FixedDisplayService displays({Rect(0, 0, 1920, 1080)});
    Platform::services().displays = &displays;

    auto* editor = new ShortcutSetting(&store);
    editor->show();
    editor->setKeyId(0);
    Snapshot::settle(300); // the groups follow their checkboxes 0.1 s after the load
    bool ok = snapshot.save(editor->grab().toImage(), QStringLiteral("shortcut-editor.png"));
    editor->close();

    auto* tips = new ShowShoutcut(&store);
    tips->show();
    tips->setScreenSize(Rect(0, 0, 1920, 1080));
    tips->setId(2);
    Snapshot::settle(100);
    ok = snapshot.save(tips->grab().toImage(), QStringLiteral("shortcut-tips.png")) && ok;
    tips->close();
    Snapshot::settle(50);
    return ok ? 0 : 1;
}
