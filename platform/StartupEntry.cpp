#include "platform/StartupEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace StartupEntry {

QString EntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/lexicarta-desktop.desktop");
}

QString ExecValue(const QString& program) {
    // Inside a quoted argument '"', '`', '$' and '\' take a backslash; the value as a whole is a
    // desktop-entry string, where a backslash is written twice; '%' starts a field code, so doubled.
    QString quoted;
    for (QChar c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    QString value = '"' + quoted + '"';
    value.replace('\\', QStringLiteral("\\\\"));
    value.replace('%', QStringLiteral("%%"));
    value.replace('\n', QStringLiteral("\\n"));
    return value;
}

void SetStartWithPC(bool on) {
    const QString path = EntryPath();
    if (!on) {
        QFile::remove(path);
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Lexicarta Desktop\n"
                                         "Exec=%1\n"
                                         "Icon=lexicarta-desktop\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(ExecValue(QCoreApplication::applicationFilePath()));
    file.write(entry.toUtf8());
    file.commit();
}

bool IsStartWithPC() {
    return QFileInfo::exists(EntryPath());
}

} // namespace StartupEntry
