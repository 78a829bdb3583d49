#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>

#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "lexicarta.instance", QtWarningMsg)

namespace {

constexpr char ShowCommand[] = "show\n";

// A folder (not a link to one) owned by this user that nobody else may enter, list or write.
bool IsPrivateFolder(const QString& path) {
    if (!QDir::isAbsolutePath(path))
        return false;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultKey() {
    return QStringLiteral("Lexicarta Desktop");
}

QString SingleInstance::PrivateFolder() {
    // A socket at a fixed name in the shared temporary folder can be made first by another user, who
    // would then be asked to "show" at every start while the program quits: only a private folder will do.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/lexicarta-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700); // an existing one is checked below
    if (IsPrivateFolder(own))
        return own;
    qCWarning(lcInstance) << "no private folder for the single-instance socket;" << own
                          << "belongs to someone else or is open to others";
    return {};
}

QString SingleInstance::SocketPath(const QString& key) {
    const QString folder = PrivateFolder();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + QString(key).replace(QLatin1Char('/'), QLatin1Char('_'));
}

bool SingleInstance::askRunningInstance(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(ShowCommand);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Claim() {
    const QString path = SocketPath(key_);
    if (path.isEmpty())
        return true; // the program runs all the same, only without the single-instance test
    // Two starts at the same moment must not both become the first: the check and the listen happen
    // under a lock file (a lock left by a crashed process is stale and taken over).
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(3000);

    if (askRunningInstance(path))
        return false;

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        // A socket file without a listener is what a crashed instance leaves.
        QLocalServer::removeServer(path);
        server_->listen(path);
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
