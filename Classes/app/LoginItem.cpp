#include "LoginItem.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const char* const kEntryName = "brevola-driver.desktop";

bool isTrue(QByteArrayView value) { return value.trimmed() == "true"; }
bool isFalse(QByteArrayView value) { return value.trimmed() == "false"; }
} // namespace

LoginItem::LoginItem(QString folder)
    : folder_(folder.isEmpty()
                  ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart")
                  : std::move(folder))
{
}

QString LoginItem::entryPath() const { return folder_ + QLatin1Char('/') + QLatin1String(kEntryName); }

bool LoginItem::isDisabled(const QByteArray& entry)
{
    bool inMainGroup = false;
    for (const QByteArray& raw : entry.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArrayView key = QByteArrayView(line).first(eq).trimmed();
        const QByteArrayView value = QByteArrayView(line).sliced(eq + 1);
        if (key == "Hidden" && isTrue(value)) return true;
        if (key == "X-GNOME-Autostart-enabled" && isFalse(value)) return true;
    }
    return false;
}

QString LoginItem::execArgument(const QString& argument)
{
    // Inside double quotes ", `, $ and \ take a backslash; then the value as a
    // whole escapes its backslashes once more, and % is a field code unless doubled.
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

QByteArray LoginItem::entryText(const QString& program)
{
    QByteArray text = "[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=Brevola Tablet Driver\n"
                      "Comment=Pen tablet driver in the system tray\n";
    text += "Exec=" + execArgument(program).toUtf8() + "\n";
    text += "Icon=brevola-driver\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text;
}

LoginItem::Result LoginItem::setEnabled(const QString& program, QString* error) const
{
    const QString path = entryPath();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && isDisabled(existing.readAll())) return Result::KeptDisabled;
    existing.close();

    auto fail = [error](QString why) {
        if (error) *error = std::move(why);
        return Result::Failed;
    };
    if (!QDir().mkpath(folder_)) return fail(QStringLiteral("cannot create %1").arg(folder_));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(path + QStringLiteral(": ") + file.errorString());
    file.write(entryText(program));
    if (!file.commit()) return fail(path + QStringLiteral(": ") + file.errorString());
    return Result::Written;
}
