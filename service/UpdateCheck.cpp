#include "service/UpdateCheck.h"

#include "service/ServiceClient.h"
#include "service/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int atoiClamped(const char* text) {
    errno = 0;
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

UpdateCheck::Version UpdateCheck::ParseVersion(const QByteArray& text) {
    Version v;
    v.major = atoiClamped(text.constData());
    const qsizetype dot = text.indexOf('.');
    if (dot >= 0)
        v.minor = atoiClamped(text.constData() + dot + 1);
    return v;
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
    const qsizetype semicolon = answer.indexOf(QLatin1Char(';'));
    const QString versionText = semicolon < 0 ? answer : answer.left(semicolon);
    const QString url = semicolon < 0 ? answer : answer.mid(semicolon + 1);

    if (!IsNewer(ParseVersion(WideToNarrow(versionText)), OwnVersion()))
        return UpToDate;
    if (!prompts.confirmUpdate || !prompts.confirmUpdate())
        return Declined;

    const QString folder = DownloadFolder();
    const QString name = InstallerFileName(url);
    if (!folder.isEmpty() && !name.isEmpty()) {
        const QString path = folder + QLatin1Char('/') + name;
        if (client.DownloadFile(path, url) == ServiceClient::ResultOk && StartInstaller(path))
            return InstallerStarted;
    }
    if (prompts.reportFailure)
        prompts.reportFailure();
    return Failed;
}
