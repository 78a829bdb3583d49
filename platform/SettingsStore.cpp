#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* Organisation = "Lexicarta";
constexpr const char* Application = "Lexicarta Desktop";

QSettings openSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, Organisation, Application);
}

// Creates the file (and its folder) with owner-only access before the first write, and tightens an
// existing file that is more open than that.
bool ensurePrivateFile(const QString& path) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    ::close(fd);
    return true;
}

template <typename Write> bool writeValue(Write&& write) {
    QSettings settings = openSettings();
    if (!ensurePrivateFile(settings.fileName()))
        return false;
    settings.beginGroup(SettingsStore::Section);
    write(settings);
    settings.endGroup();
    settings.sync();
    // The save goes through a new file renamed over the old one: keep it private as well.
    ::chmod(QFile::encodeName(settings.fileName()).constData(), 0600);
    return settings.status() == QSettings::NoError;
}

} // namespace

int SettingsStore::Get(IntValue value) {
    return GetInt(QString::fromLatin1(value.name), value.fallback);
}

bool SettingsStore::Set(IntValue value, int number) {
    return WriteInt(QString::fromLatin1(value.name), number);
}

QString SettingsStore::Get(TextValue value) {
    return GetString(QString::fromLatin1(value.name), QString());
}

bool SettingsStore::Set(TextValue value, const QString& text) {
    return WriteString(QString::fromLatin1(value.name), text);
}

QString SettingsStore::FilePath() {
    return openSettings().fileName();
}

int SettingsStore::GetInt(const QString& name, int defaultValue) {
    QSettings settings = openSettings();
    if (settings.status() != QSettings::NoError)
        return defaultValue;
    const QVariant v = settings.value(QString::fromLatin1(Section) + '/' + name);
    if (!v.isValid())
        return defaultValue;
    bool ok = false;
    const qlonglong number = v.toLongLong(&ok);
    if (!ok)
        return defaultValue;
    // Stored as a 32-bit number; larger values keep their low 32 bits.
    return static_cast<int>(static_cast<uint32_t>(static_cast<qulonglong>(number)));
}

bool SettingsStore::WriteInt(const QString& name, int value) {
    return writeValue([&](QSettings& s) { s.setValue(name, value); });
}

QString SettingsStore::GetString(const QString& name, const QString& defaultValue) {
    QSettings settings = openSettings();
    if (settings.status() != QSettings::NoError)
        return defaultValue;
    const QVariant v = settings.value(QString::fromLatin1(Section) + '/' + name);
    if (!v.isValid())
        return defaultValue;
    return v.toString();
}

bool SettingsStore::WriteString(const QString& name, const QString& text) {
    return writeValue([&](QSettings& s) { s.setValue(name, text); });
}

bool SettingsStore::Remove(const QString& name) {
    return writeValue([&](QSettings& s) { s.remove(name); });
}
