#include "service/UpdateCheck.h"

#include "service/InstallerSignature.h"
#include "service/ServiceClient.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

UpdateCheck::Version UpdateCheck::ParseVersion(const QByteArray& text) {
    return UpdateAnswer::ParseVersion(text);
}

UpdateCheck::Version UpdateCheck::OwnVersion() {
    return ParseVersion(QByteArray::number(LEXICARTA_VERSION_MAJOR) + '.' +
                        QByteArray::number(LEXICARTA_VERSION_MINOR));
}

bool UpdateCheck::IsNewer(Version service, Version own) {
    return service.major > own.major || (service.major == own.major && service.minor > own.minor);
}

QString UpdateCheck::InstallerFileName(const QString& url) {
    // The last segment of the path as sent, then decoded: an escaped separator cannot slip through.
    const QUrl parsed(url);
    if (!parsed.isValid())
        return QString();
    const QString path = parsed.path(QUrl::FullyEncoded);
    const QString name =
        QUrl::fromPercentEncoding(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).toLatin1());
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        return QString();
    return name;
}

QString UpdateCheck::DownloadFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        return QString();
    const QString folder = base + QStringLiteral("/lexicarta-desktop/update");
    if (!QDir().mkpath(folder))
        return QString();
    // Only a real folder of this user, closed to everybody else, receives the installer.
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return QString();
    if ((st.st_mode & 07777) != 0700 && chmod(path.constData(), 0700) != 0)
        return QString();
    return folder;
}

bool UpdateCheck::StartInstaller(const QString& path) {
    if (chmod(QFile::encodeName(path).constData(), 0700) != 0)
        return false;
    return QProcess::startDetached(path, {QStringLiteral("/S")});
}

int UpdateCheck::Run(ServiceClient& client, const Prompts& prompts) {
    QString answer;
    client.GetUpdate(answer); // after a failure the answer is empty and reads as 0.0
    const UpdateAnswer update = UpdateAnswer::Parse(answer);
    if (!IsNewer(update.version, OwnVersion()))
        return UpToDate;
    if (!prompts.confirmUpdate || !prompts.confirmUpdate())
        return Declined;
    if (prompts.downloading)
        prompts.downloading(true);
    const bool downloaded = DownloadSigned(client, update.installerUrl);
    if (prompts.downloading)
        prompts.downloading(false);
    if (downloaded && StartInstaller(InstallerPath(update.installerUrl)))
        return InstallerStarted;
    if (prompts.reportFailure)
        prompts.reportFailure();
    return Failed;
}

QString UpdateCheck::InstallerPath(const QString& url) {
    const QString folder = DownloadFolder();
    const QString name = InstallerFileName(url);
    return folder.isEmpty() || name.isEmpty() ? QString() : folder + QLatin1Char('/') + name;
}

bool UpdateCheck::DownloadSigned(ServiceClient& client, const QString& url) {
    const QString path = InstallerPath(url);
    if (path.isEmpty())
        return false;
    // Only an installer that the trusted key signed may run: its signature comes first (small, and a
    // missing or malformed one spares the download), the file is checked once it is complete, and a
    // file that fails the check is removed.
    const auto key = InstallerSignature::ParsePublicKey(InstallerSignature::TrustedKeyText());
    QByteArray signature;
    if (!key || client.DownloadSmall(url + QStringLiteral(".minisig"), InstallerSignature::kMaxSignatureSize,
                                     signature) != ServiceClient::ResultOk) {
        qCDebug(lcServiceClient) << "ERROR# Installer signature not available";
        return false;
    }
    if (!InstallerSignature::Parse(signature)) {
        qCDebug(lcServiceClient) << "ERROR# Installer signature malformed";
        return false;
    }
    if (client.DownloadFile(path, url) != ServiceClient::ResultOk)
        return false;
    const InstallerSignature::Verdict verdict = InstallerSignature::VerifyFile(path, signature, *key);
    if (verdict == InstallerSignature::Verdict::Valid)
        return true;
    qCDebug(lcServiceClient) << "ERROR# Installer signature check failed:" << int(verdict);
    QFile::remove(path);
    return false;
}
