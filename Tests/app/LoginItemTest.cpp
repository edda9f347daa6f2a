// The autostart entry: written at every launch with the program's path,
// quoted as desktop entries require, except where the user disabled it.
#include "LoginItem.h"
#include "TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(LoginItem, WritesAnEntryThatStartsTheProgramAtEveryLaunchUnlessTheUserDisabledIt)
{
    TempDir dir;
    const LoginItem item(QString::fromStdString(dir.file("autostart")));
    ASSERT_EQ(item.setEnabled("/opt/brevola/bin/brevola-driver"), LoginItem::Result::Written); // makes the folder
    const QByteArray text = readFile(item.entryPath());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/brevola/bin/brevola-driver\"\n")) << text.constData();

    // Each launch points the entry at where the program is now, unless it is disabled.
    const std::pair<QByteArray, LoginItem::Result> entries[] = {
        {"[Desktop Entry]\nType=Application\nExec=/old\nHidden=true\n", LoginItem::Result::KeptDisabled},
        {"[Desktop Entry]\nExec=/old\nX-GNOME-Autostart-enabled=false\n", LoginItem::Result::KeptDisabled},
        {"# edited\n[Desktop Entry]\nExec=/old\n  Hidden = true  \n", LoginItem::Result::KeptDisabled},
        {"[Desktop Entry]\nExec=/old\nHidden=false\nX-GNOME-Autostart-enabled=true\n", LoginItem::Result::Written},
        {"[Desktop Entry]\nExec=/old\n[Desktop Action quit]\nHidden=true\n", LoginItem::Result::Written}, // another group
        {text, LoginItem::Result::Written},
    };
    for (const auto& [entry, result] : entries) {
        QFile file(item.entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(entry) == entry.size());
        file.close();
        EXPECT_EQ(item.setEnabled("/usr/local/bin/brevola-driver"), result) << entry.constData();
        EXPECT_EQ(readFile(item.entryPath()), result == LoginItem::Result::Written
                                                   ? LoginItem::entryText("/usr/local/bin/brevola-driver")
                                                   : entry);
    }

    // A file where the folder should be stops even root.
    const LoginItem blocked(item.entryPath() + QStringLiteral("/autostart"));
    QString error;
    EXPECT_EQ(blocked.setEnabled("/x", &error), LoginItem::Result::Failed);
    EXPECT_TRUE(error.contains("autostart")) << qPrintable(error);
}

TEST(LoginItem, QuotesThePathAsDesktopEntriesRequire)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/a b/brevola-driver", R"("/home/a b/brevola-driver")"},
        {"/home/$USER/100%/x", R"("/home/\\$USER/100%%/x")"},
        {R"(/we"ird/back\slash/`tick`)", R"("/we\\"ird/back\\\\slash/\\`tick\\`")"},
    };
    for (const auto& [path, exec] : cases) EXPECT_EQ(LoginItem::execArgument(path), QString::fromUtf8(exec)) << path;
}
