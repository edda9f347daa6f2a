// The autostart entry: written at every launch with the program's path,
// except where the user disabled it.
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

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

TEST(LoginItem, WritesAnEntryThatStartsTheProgramAndRewritesItAtEveryLaunch)
{
    TempDir dir;
    const LoginItem item(QString::fromStdString(dir.file("autostart")));
    ASSERT_EQ(item.setEnabled("/opt/brevola/bin/brevola-driver"), LoginItem::Result::Written);
    const QByteArray text = readFile(item.entryPath());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/brevola/bin/brevola-driver\"\n")) << text.constData();
    EXPECT_FALSE(LoginItem::isDisabled(text));

    // A moved program: the next launch points the entry at the new place.
    ASSERT_EQ(item.setEnabled("/usr/local/bin/brevola-driver"), LoginItem::Result::Written);
    EXPECT_TRUE(readFile(item.entryPath()).contains("Exec=\"/usr/local/bin/brevola-driver\"\n"));
}

TEST(LoginItem, QuotesThePathAsDesktopEntriesRequire)
{
    struct Case {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/home/a b/brevola-driver", R"("/home/a b/brevola-driver")"},
        {"/home/$USER/100%/x", R"("/home/\\$USER/100%%/x")"},
        {R"(/we"ird/back\slash/`tick`)", R"("/we\\"ird/back\\\\slash/\\`tick\\`")"},
    };
    for (const Case& c : cases) EXPECT_EQ(LoginItem::execArgument(c.path), QString::fromUtf8(c.exec)) << c.path;
}

TEST(LoginItem, LeavesAnEntryTheUserDisabled)
{
    const QByteArray disabled[] = {
        "[Desktop Entry]\nType=Application\nExec=/old\nHidden=true\n",
        "[Desktop Entry]\nType=Application\nExec=/old\nX-GNOME-Autostart-enabled=false\n",
        "# edited\n[Desktop Entry]\nExec=/old\n  Hidden = true  \n",
    };
    const QByteArray enabled[] = {
        "[Desktop Entry]\nExec=/old\nHidden=false\nX-GNOME-Autostart-enabled=true\n",
        "[Desktop Entry]\nExec=/old\n[Desktop Action quit]\nHidden=true\n", // another group's key
    };
    TempDir dir;
    const LoginItem item(QString::fromStdString(dir.file("autostart")));
    ASSERT_EQ(item.setEnabled("/new"), LoginItem::Result::Written); // creates the folder
    for (const QByteArray& text : disabled) {
        writeFile(item.entryPath(), text);
        EXPECT_EQ(item.setEnabled("/new"), LoginItem::Result::KeptDisabled) << text.constData();
        EXPECT_EQ(readFile(item.entryPath()), text);
    }
    for (const QByteArray& text : enabled) {
        writeFile(item.entryPath(), text);
        EXPECT_EQ(item.setEnabled("/new"), LoginItem::Result::Written) << text.constData();
        EXPECT_TRUE(readFile(item.entryPath()).contains("Exec=\"/new\"")) << text.constData();
    }
}

TEST(LoginItem, FailureSaysWhy)
{
    // A file where the folder should be stops even root.
    TempDir dir;
    writeFile(QString::fromStdString(dir.file("config")), "not a folder");
    const LoginItem item(QString::fromStdString(dir.file("config") + "/autostart"));
    QString error;
    EXPECT_EQ(item.setEnabled("/x", &error), LoginItem::Result::Failed);
    EXPECT_TRUE(error.contains("autostart")) << qPrintable(error);
}
