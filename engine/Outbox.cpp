#include "engine/Outbox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

constexpr int kFormat = 1;

const QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
const QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

// An id of the file: a whole number from 0 to 2^32-1.
bool readId(const QJsonValue& value, uint32_t& id) {
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (d < 0 || d > 4294967295.0 || d != double(uint64_t(d)))
        return false;
    id = uint32_t(d);
    return true;
}

// The date of a learning-log entry: empty, or the service's form YYYY-MM-DD.
bool isDateOrEmpty(const QString& date) {
    if (date.isEmpty())
        return true;
    if (date.size() != 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? date[i] != QLatin1Char('-')
                 : !(date[i] >= QLatin1Char('0') && date[i] <= QLatin1Char('9')))
            return false;
    }
    return true;
}

bool parse(const QByteArray& bytes, const QString& user, Outbox::Contents& out) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat ||
        root.value(QStringLiteral("user")).toString() != user)
        return false; // another format, or another account's file under a colliding name
    for (const QJsonValue& m : root.value(QStringLiteral("marks")).toArray()) {
        const QJsonArray pair = m.toArray();
        Outbox::Mark mark;
        if (pair.size() != 2 || !readId(pair[0], mark.wordId) || !readId(pair[1], mark.bookId))
            return false;
        out.marks.push_back(mark);
    }
    for (const QJsonValue& l : root.value(QStringLiteral("logs")).toArray()) {
        const QJsonObject entry = l.toObject();
        const QString date = entry.value(QStringLiteral("date")).toString();
        if (!isDateOrEmpty(date))
            return false;
        Outbox::LogEntry log{date.toStdString(), {}};
        for (const QJsonValue& id : entry.value(QStringLiteral("ids")).toArray()) {
            uint32_t n = 0;
            if (!readId(id, n))
                return false;
            log.ids.push_back(n);
        }
        out.logs.push_back(std::move(log));
    }
    return true;
}

} // namespace

QString Outbox::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/outbox");
}

Outbox::Outbox(QString folder, QString userId) : folder_(std::move(folder)), user_(std::move(userId)) {}

QString Outbox::FilePath() const {
    const QByteArray hash = QCryptographicHash::hash(user_.toUtf8(), QCryptographicHash::Sha256).toHex();
    return folder_ + QLatin1Char('/') + QString::fromLatin1(hash.left(32));
}

Outbox::Contents Outbox::Load() const {
    const QFileInfo info(FilePath());
    // Only a plain file of this user, of a sensible size.
    if (!info.isFile() || info.isSymLink() || info.ownerId() != uint(::getuid()) ||
        info.size() > kMaxFileSize)
        return {};
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Contents contents;
    if (!parse(file.read(kMaxFileSize + 1), user_, contents))
        return {};
    return contents;
}

bool Outbox::Save(const Contents& contents) const {
    const QString path = FilePath();
    if (contents.IsEmpty())
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(folder_) || !QFile::setPermissions(folder_, kOwnerFolder))
        return false;
    QJsonArray marks;
    for (const Mark& m : contents.marks)
        marks.append(QJsonArray{qint64(m.wordId), qint64(m.bookId)});
    QJsonArray logs;
    for (const LogEntry& l : contents.logs) {
        QJsonArray ids;
        for (uint32_t id : l.ids)
            ids.append(qint64(id));
        logs.append(QJsonObject{{QStringLiteral("date"), QString::fromStdString(l.date)},
                                {QStringLiteral("ids"), ids}});
    }
    const QJsonObject root{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("user"), user_},
                           {QStringLiteral("marks"), marks},
                           {QStringLiteral("logs"), logs}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kOwnerFile))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return file.commit();
}
