// What `cmake --install` and the Debian package put on a machine, checked with the desktop's own
// validators: the program, its desktop entry, the icon at every theme size and the software-centre
// description, and nothing else (the reference service stays out).
#include "platform/StartupEntry.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <set>

namespace {

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Result {
    int code = -1;
    QString output;
};

Result RunTool(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted() || !process.waitForFinished(300000)) {
        result.output = program + QStringLiteral(": ") + process.errorString();
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// Every file below root, relative to it.
std::set<QString> Files(const QString& root) {
    std::set<QString> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(root).relativeFilePath(it.next()));
    return files;
}

std::set<QString> ExpectedFiles(const QString& prefix) {
    std::set<QString> files = {prefix + "/bin/lexicarta",
                               prefix + "/share/applications/lexicarta-desktop.desktop",
                               prefix + "/share/metainfo/com.lexicarta.desktop.metainfo.xml",
                               prefix + "/share/man/man1/lexicarta.1.gz",
                               prefix + "/share/doc/lexicarta-desktop/copyright",
                               prefix + "/share/doc/lexicarta-desktop/changelog.gz"};
    for (int size : kIconSizes)
        files.insert(prefix +
                     QStringLiteral("/share/icons/hicolor/%1x%1/apps/lexicarta-desktop.png").arg(size));
    return files;
}

// The keys of the [Desktop Entry] group.
QMap<QString, QString> DesktopEntry(const QString& path) {
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith('['))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.contains('='))
            keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return keys;
}

// Width and height from a PNG's header chunk.
QSize PngSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR")
        return {};
    auto number = [&head](int at) {
        return int(quint32(quint8(head[at])) << 24 | quint32(quint8(head[at + 1])) << 16 |
                   quint32(quint8(head[at + 2])) << 8 | quint32(quint8(head[at + 3])));
    };
    return {number(16), number(20)};
}

bool HasHangul(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3)
            return true;
    return false;
}

// The checks common to an installed tree and an unpacked package, with the files under root/prefix.
void CheckInstalledTree(const QString& root, const QString& prefix) {
    EXPECT_EQ(Files(root), ExpectedFiles(prefix));
    const QString base = root + "/" + prefix;
    EXPECT_TRUE(QFileInfo(base + "/bin/lexicarta").isExecutable());
    for (int size : kIconSizes)
        EXPECT_EQ(
            PngSize(base + QStringLiteral("/share/icons/hicolor/%1x%1/apps/lexicarta-desktop.png").arg(size)),
            QSize(size, size))
            << size;

    const QString desktop = base + "/share/applications/lexicarta-desktop.desktop";
    const Result validated = RunTool(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(validated.code, 0) << validated.output.toStdString();
    EXPECT_TRUE(validated.output.isEmpty()) << validated.output.toStdString();
    const QMap<QString, QString> entry = DesktopEntry(desktop);
    EXPECT_EQ(entry.value("Name"), QStringLiteral("렉시카르타 데스크톱"));
    EXPECT_TRUE(HasHangul(entry.value("Comment"))) << entry.value("Comment").toStdString();
    EXPECT_EQ(entry.value("Exec"), QStringLiteral("lexicarta")); // found on PATH: bin/ above
    EXPECT_EQ(entry.value("Icon"), QStringLiteral("lexicarta-desktop"));
    EXPECT_TRUE(entry.value("Categories").split(';').contains(QStringLiteral("Education")));
    // Qt names the window's X11 class after the application, which the program calls by this name.
    EXPECT_EQ(entry.value("StartupWMClass"), StringTable::Load(Res::AFX_IDS_APP_TITLE));

    const QString metainfo = base + "/share/metainfo/com.lexicarta.desktop.metainfo.xml";
    const Result described = RunTool(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
    EXPECT_EQ(described.code, 0) << described.output.toStdString();
    QFile file(metainfo);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(xml.contains(QStringLiteral("<summary xml:lang=\"ko\">"))) << "no Korean summary";
    EXPECT_TRUE(xml.contains(QStringLiteral("<launchable type=\"desktop-id\">lexicarta-desktop.desktop<")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<screenshot type=\"default\">")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<release version=\"" LEXICARTA_VERSION_TEXT "\"")));
}

TEST(Install, PutsTheProgramWithItsEntryIconsAndDescriptionIntoDestDir) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), root.path());
    const Result installed = RunTool(QStringLiteral(LEXICARTA_CMAKE),
                                     {"--install", QStringLiteral(LEXICARTA_BUILD_DIR)}, environment);
    ASSERT_EQ(installed.code, 0) << installed.output.toStdString();
    CheckInstalledTree(root.path(), QStringLiteral(LEXICARTA_INSTALL_PREFIX).mid(1));

    // The autostart entry is a valid desktop entry too, with the same icon.
    SetStartWithPC(true);
    const Result validated = RunTool(QStringLiteral("desktop-file-validate"), {StartupEntry::EntryPath()});
    EXPECT_EQ(validated.code, 0) << validated.output.toStdString();
    EXPECT_EQ(DesktopEntry(StartupEntry::EntryPath()).value("Icon"), QStringLiteral("lexicarta-desktop"));
    SetStartWithPC(false);
}

TEST(Package, DebianPackageHoldsTheInstalledFilesAndNamesWhatTheProgramLoads) {
    // Made from this build's own tree, as scripts/package makes it from the optimised one.
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString out = work.path() + "/out";
    const Result packed =
        RunTool(QStringLiteral(LEXICARTA_CPACK),
                {"--config", QStringLiteral(LEXICARTA_BUILD_DIR "/CPackConfig.cmake"), "-B", out});
    ASSERT_EQ(packed.code, 0) << packed.output.toStdString();
    const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << packed.output.toStdString();
    EXPECT_TRUE(debs[0].startsWith(QStringLiteral("lexicarta-desktop_" LEXICARTA_VERSION_TEXT "_")))
        << debs[0].toStdString();
    const QString deb = out + "/" + debs[0];

    auto field = [&deb](const char* name) {
        return RunTool(QStringLiteral("dpkg-deb"), {"--field", deb, QString::fromLatin1(name)})
            .output.trimmed();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("lexicarta-desktop"));
    EXPECT_EQ(field("Version"), QStringLiteral(LEXICARTA_VERSION_TEXT));
    EXPECT_EQ(field("Section"), QStringLiteral("education"));
    QStringList depends;
    for (const QString& item : field("Depends").split(','))
        depends << item.trimmed().section(' ', 0, 0);
    // Named by hand: what is loaded at run time; found by dpkg-shlibdeps: the libraries linked.
    for (const char* name : {"fonts-nanum", "libqt6webenginewidgets6", "libqt6multimedia6", "libqt6widgets6",
                             "libcurl4", "libavformat59", "libavcodec59", "libswresample4"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(name)))
            << name << " in " << depends.join(", ").toStdString();

    // Every entry root's, folders and the program 0755, everything else 0644.
    const Result contents = RunTool(QStringLiteral("dpkg-deb"), {"--contents", deb});
    ASSERT_EQ(contents.code, 0) << contents.output.toStdString();
    for (const QString& line : contents.output.split('\n', Qt::SkipEmptyParts)) {
        const QStringList columns = line.simplified().split(' ');
        ASSERT_GE(columns.size(), 6) << line.toStdString();
        const QString& path = columns.last();
        const QString expected = path.endsWith('/') ? QStringLiteral("drwxr-xr-x")
                                 : path == QLatin1String("./usr/bin/lexicarta")
                                     ? QStringLiteral("-rwxr-xr-x")
                                     : QStringLiteral("-rw-r--r--");
        EXPECT_EQ(columns[0], expected) << line.toStdString();
        EXPECT_EQ(columns[1], QStringLiteral("root/root")) << line.toStdString();
    }

    const QString root = work.path() + "/root";
    const Result unpacked = RunTool(QStringLiteral("dpkg-deb"), {"--extract", deb, root});
    ASSERT_EQ(unpacked.code, 0) << unpacked.output.toStdString();
    CheckInstalledTree(root, QStringLiteral("usr"));
    // Compressed as gzip -9n makes them: no file name and no time stamp in the header.
    for (const char* gz :
         {"/usr/share/man/man1/lexicarta.1.gz", "/usr/share/doc/lexicarta-desktop/changelog.gz"}) {
        QFile file(root + QString::fromLatin1(gz));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << gz;
        const QByteArray head = file.read(10);
        ASSERT_EQ(head.size(), 10) << gz;
        EXPECT_TRUE(head.startsWith("\x1f\x8b\x08")) << gz;
        EXPECT_EQ(head[3] & 0x08, 0) << gz << ": a file name in the header";
        EXPECT_EQ(head.mid(4, 4), QByteArray(4, '\0')) << gz << ": a time stamp in the header";
    }
    // The unpacked tree as the software centres read it: the description with its entry and icon.
    const Result tree = RunTool(QStringLiteral("appstreamcli"), {"validate-tree", "--no-net", root});
    EXPECT_EQ(tree.code, 0) << tree.output.toStdString();
}

} // namespace
