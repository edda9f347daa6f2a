// Renders the shortcut editor (key 1 with its default chord) and a tips window
// (key 3 pressed) into OUTPUT_DIR/shortcut-editor.png and shortcut-tips.png.
#include "Configure.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "ShortcutSetting.h"
#include "ShowShoutcut.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget& window, const QString& path)
{
    if (window.grab().save(path)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // The default shortcuts, in a defaults store that is thrown away.
    QTemporaryDir scratch;
    UserDefaults defaults(scratch.filePath(QStringLiteral("defaults.plist")).toStdString());
    Configure store(&defaults);
    FixedDisplayService displays({Rect(0, 0, 1920, 1080)});
    Platform::services().displays = &displays;

    auto* editor = new ShortcutSetting(&store);
    editor->show();
    editor->setKeyId(0);
    settle(300); // the groups follow their checkboxes 0.1 s after the load
    bool ok = save(*editor, out.filePath(QStringLiteral("shortcut-editor.png")));
    editor->close();

    auto* tips = new ShowShoutcut(&store);
    tips->show();
    tips->setScreenSize(Rect(0, 0, 1920, 1080));
    tips->setId(2);
    settle(100);
    ok = save(*tips, out.filePath(QStringLiteral("shortcut-tips.png"))) && ok;
    tips->close();
    settle(50);
    return ok ? 0 : 1;
}
