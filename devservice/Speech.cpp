#include "devservice/Speech.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

Speech::Speech(const QString& cacheDir) : cacheDir_(cacheDir) {}

QByteArray Speech::Wav(const QString& text) {
    const QString trimmed = text.trimmed().left(200);
    if (trimmed.isEmpty())
        return {};
    const QString key =
        QString::fromLatin1(QCryptographicHash::hash(trimmed.toUtf8(), QCryptographicHash::Sha1).toHex());
    const QString path = cacheDir_ + QStringLiteral("/") + key + QStringLiteral(".wav");
    std::lock_guard lock(mutex_);
    QFile cached(path);
    if (cached.open(QIODevice::ReadOnly))
        return cached.readAll();

    QDir().mkpath(cacheDir_);
    const QString part = path + QStringLiteral(".part");
    QProcess espeak;
    // The text goes through standard input, so no word is ever read as an option.
    espeak.start(QStringLiteral("espeak-ng"),
                 {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"), QStringLiteral("140"),
                  QStringLiteral("-w"), part, QStringLiteral("--stdin")});
    if (!espeak.waitForStarted(5000))
        return {};
    espeak.write(trimmed.toUtf8());
    espeak.closeWriteChannel();
    if (!espeak.waitForFinished(15000) || espeak.exitStatus() != QProcess::NormalExit ||
        espeak.exitCode() != 0) {
        espeak.kill();
        espeak.waitForFinished(1000);
        QFile::remove(part);
        return {};
    }
    QFile::remove(path);
    if (!QFile::rename(part, path))
        return {};
    QFile made(path);
    return made.open(QIODevice::ReadOnly) ? made.readAll() : QByteArray();
}
