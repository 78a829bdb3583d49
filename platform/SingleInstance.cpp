#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
constexpr char ShowCommand[] = "show\n";
}

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultKey() {
    return QStringLiteral("Lexicarta Desktop-%1").arg(::getuid());
}

bool SingleInstance::askRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(ShowCommand);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Claim() {
    // Two starts at the same moment must not both become the first: the check and the listen happen
    // under a lock file (a lock left by a crashed process is stale and taken over).
    QString lockDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (lockDir.isEmpty())
        lockDir = QDir::tempPath();
    QLockFile lock(lockDir + '/' + QString(key_).replace('/', '_') + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(3000);

    if (askRunningInstance())
        return false;

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(key_)) {
        // A socket file without a listener is what a crashed instance leaves.
        QLocalServer::removeServer(key_);
        server_->listen(key_);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains("show") && !released_)
                    Q_EMIT showRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    if (locked)
        lock.unlock();
    return true;
}

void SingleInstance::Release() {
    released_ = true;
    if (!server_)
        return;
    // Closing removes the socket file; connections accepted before are answered no more.
    server_->close();
    server_->deleteLater(); // it may be the sender of the signal being handled
    server_ = nullptr;
}
