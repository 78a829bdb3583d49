#include "platform/SettingsStore.h"
#include "platform/StartupEntry.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(SettingsStore::FilePath());
        QFile::remove(StartupEntry::EntryPath());
    }
};

TEST_F(Settings, MissingValuesReadAsDefaults) {
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 5), 5);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::StartWithPC.name, 2), 2);
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::User.name, ""), "");
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::Token.name, "x"), "x");
}

TEST_F(Settings, WrittenValuesAreReadBackFromTheFile) {
    EXPECT_TRUE(SettingsStore::WriteInt(SettingsStore::DelayTime.name, 12));
    EXPECT_TRUE(SettingsStore::WriteString(SettingsStore::User.name, QString::fromUtf8("홍길동 user")));
    EXPECT_TRUE(SettingsStore::WriteString(SettingsStore::Token.name, ""));
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 5), 12);
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::User.name, ""), QString::fromUtf8("홍길동 user"));
    // An empty token is a stored value, not a missing one.
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::Token.name, "default"), "");

    QFile file(SettingsStore::FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("[1.0]"));
    EXPECT_TRUE(content.contains("DelayTime=12"));
    EXPECT_TRUE(SettingsStore::FilePath().endsWith("/Lexicarta/Lexicarta Desktop.ini"));
}

TEST_F(Settings, FileIsPrivateToItsOwner) {
    SettingsStore::WriteString(SettingsStore::Token.name, "secret");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(SettingsStore::FilePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A file that was opened up by hand is closed again by the next write.
    ::chmod(QFile::encodeName(SettingsStore::FilePath()).constData(), 0644);
    SettingsStore::WriteInt(SettingsStore::AutoLogin.name, 1);
    ASSERT_EQ(::stat(QFile::encodeName(SettingsStore::FilePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Settings, HandEditedAndUnreadableValues) {
    SettingsStore::WriteInt(SettingsStore::DelayTime.name, 1);
    QFile file(SettingsStore::FilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[1.0]\nDelayTime=abc\nAutoPlay=7\n");
    file.close();
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 5), 5);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoPlay.name, 1), 7);
    if (::geteuid() != 0) { // root reads whatever the mode says
        ::chmod(QFile::encodeName(SettingsStore::FilePath()).constData(), 0);
        EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoPlay.name, 1), 1);
    }
}

TEST_F(Settings, StartupEntry) {
    EXPECT_FALSE(IsStartWithPC());
    SetStartWithPC(true);
    EXPECT_TRUE(IsStartWithPC());
    QFile file(StartupEntry::EntryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray entry = file.readAll();
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nName=Lexicarta Desktop\n"));
    EXPECT_TRUE(entry.contains("\nExec=\""));
    EXPECT_TRUE(entry.contains("\nIcon=lexicarta-desktop\n")); // the installed icon
    SetStartWithPC(false);
    EXPECT_FALSE(IsStartWithPC());
    SetStartWithPC(false); // a missing entry is no error
    EXPECT_FALSE(IsStartWithPC());
}

TEST(StartupEntryExec, QuotesAsDesktopEntriesRequire) {
    EXPECT_EQ(StartupEntry::ExecValue("/opt/lexicarta/lexicarta"), "\"/opt/lexicarta/lexicarta\"");
    EXPECT_EQ(StartupEntry::ExecValue("/home/a b/$x`\"100%"), R"("/home/a b/\\$x\\`\\"100%%")");
    EXPECT_EQ(StartupEntry::ExecValue("/x\\y"), R"("/x\\\\y")");
}

} // namespace
