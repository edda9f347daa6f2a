#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {
const QByteArray kRequest = "activate\n";
const QByteArray kAnswer = "ok\n";
constexpr int kRetryMilliseconds = 50;
} // namespace

QString SingleInstance::defaultBase()
{
    // XDG_RUNTIME_DIR: private to the user and emptied at logout.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/brevola-driver");
}

SingleInstance::SingleInstance(QString base)
    : base_(base.isEmpty() ? defaultBase() : std::move(base)), lock_(lockPath())
{
    // Only a lock whose process is gone is stale, however old it is.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_.nextPendingConnection()) serve(client);
    });
}

SingleInstance::~SingleInstance()
{
    server_.close();
    lock_.unlock();
}

SingleInstance::Role SingleInstance::start(QString* error)
{
    auto fail = [error](QString why) {
        if (error) *error = std::move(why);
        return Role::Failed;
    };
    QDir().mkpath(QFileInfo(lockPath()).absolutePath());
    const QDeadlineTimer deadline(kAnswerTimeoutMilliseconds);
    for (;;) {
        if (lock_.tryLock(0)) return listen(error) ? Role::Primary : Role::Failed;
        if (lock_.error() != QLockFile::LockFailedError)
            return fail(QStringLiteral("cannot take the lock %1 (%2)")
                            .arg(lockPath(), lock_.error() == QLockFile::PermissionError
                                                 ? QStringLiteral("permission denied")
                                                 : QStringLiteral("unknown error")));
        // Held by a live process: it may be between taking the lock and
        // listening, or about to end; ask until it answers or the time is up.
        if (askHolder()) return Role::Secondary;
        if (deadline.hasExpired())
            return fail(QStringLiteral("another instance holds %1 but does not answer on %2")
                            .arg(lockPath(), socketPath()));
        QThread::msleep(kRetryMilliseconds);
    }
}

bool SingleInstance::listen(QString* error)
{
    // Holding the lock, any socket file left there is a crashed instance's.
    QLocalServer::removeServer(socketPath());
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(socketPath())) return true;
    if (error) *error = QStringLiteral("cannot listen on %1: %2").arg(socketPath(), server_.errorString());
    lock_.unlock();
    return false;
}

bool SingleInstance::askHolder() const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kRetryMilliseconds)) return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMilliseconds)) return false;
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(kAnswerTimeoutMilliseconds)) answer += socket.readAll();
    return answer == kAnswer;
}

void SingleInstance::serve(QLocalSocket* client)
{
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (!client->canReadLine()) return;
        const QByteArray request = client->readLine();
        if (request != kRequest) {
            client->disconnectFromServer();
            return;
        }
        client->write(kAnswer);
        client->flush();
        emit activationRequested();
    });
}
