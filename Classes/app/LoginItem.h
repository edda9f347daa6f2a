#pragma once
// Starting at login: an XDG autostart entry ($XDG_CONFIG_HOME/autostart/
// brevola-driver.desktop) whose Exec is the running program. Written at every
// launch, except that an entry the user disabled in the desktop's settings
// (Hidden=true, or X-GNOME-Autostart-enabled=false) is left as it is.
#include <QString>

class LoginItem {
public:
    enum class Result { Written, KeptDisabled, Failed };

    // folder: where the entry goes; empty: the user's autostart folder.
    explicit LoginItem(QString folder = {});

    QString entryPath() const;
    // Writes the entry for program (an absolute path). On Failed, error says why.
    Result setEnabled(const QString& program, QString* error = nullptr) const;

    // Whether an entry's text disables it.
    static bool isDisabled(const QByteArray& entry);
    // The entry's text for a program.
    static QByteArray entryText(const QString& program);
    // One Exec argument, quoted and escaped for a desktop entry.
    static QString execArgument(const QString& argument);

private:
    QString folder_;
};
