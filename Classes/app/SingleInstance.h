#pragma once
// One running instance per user: a lock file taken without waiting decides
// which of two starts runs, even at the same instant; the instance that holds
// it listens on a local socket beside it, where a later start asks it to open
// its panel. A crashed instance's lock (its process is gone) and socket do not
// stop the next start.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,   // this process runs; activationRequested tells of later starts
        Secondary, // another instance runs and was told to open its panel
        Failed,    // neither: the lock cannot be taken, or its holder does not answer
    };

    // How long a later start keeps trying to reach the instance holding the lock.
    static constexpr int kAnswerTimeoutMilliseconds = 5000;

    // base: path of "<base>.lock" and "<base>.socket"; empty: the user's
    // runtime folder's "brevola-driver".
    explicit SingleInstance(QString base = {});
    ~SingleInstance() override;

    static QString defaultBase();
    QString lockPath() const { return base_ + QStringLiteral(".lock"); }
    QString socketPath() const { return base_ + QStringLiteral(".socket"); }

    // On Failed, error says why.
    Role start(QString* error = nullptr);

signals:
    // A later start asked this instance to open its panel.
    void activationRequested();

private:
    bool listen(QString* error);
    // True when the holder of the lock answered the request.
    bool askHolder() const;
    void serve(class QLocalSocket* client);

    QString base_;
    QLockFile lock_;
    QLocalServer server_;
};
