// The outbox file of an account: a round trip that keeps order and dates, owner-only permissions,
// one file per account, and every kind of strange file ignored.
#include "engine/Outbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

int Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(OutboxTest, OneOwnerOnlyFilePerAccountAndAnythingStrangeIsIgnored) {
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/data/outbox");
    const Outbox demo(folder, QStringLiteral("demo"));
    const Outbox other(folder, QStringLiteral("a b"));
    EXPECT_TRUE(demo.Load().IsEmpty()); // no file yet
    EXPECT_NE(demo.FilePath(), other.FilePath());
    EXPECT_FALSE(demo.FilePath().contains(QStringLiteral("demo")));

    const Outbox::Contents kept{{{1003, 1}, {1001, 1}, {4294967295u, 2}},
                                {{"2024-03-01", {1001, 1002}}, {"", {7}}}};
    ASSERT_TRUE(demo.Save(kept));
    EXPECT_EQ(demo.Load(), kept);
    EXPECT_EQ(Mode(folder), 0700);
    EXPECT_EQ(Mode(demo.FilePath()), 0600);
    EXPECT_TRUE(other.Load().IsEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1); // no temporary file left behind

    // Another account's file under this account's name is not taken.
    ASSERT_TRUE(QFile::copy(demo.FilePath(), other.FilePath()));
    EXPECT_TRUE(other.Load().IsEmpty());

    const QByteArray head = R"({"format":1,"user":"a b",)";
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("{"), QByteArray("[]"), QByteArray(R"({"format":2,"user":"a b"})"),
          head + R"("marks":[[1]]})", head + R"("marks":[[-1,2]]})", head + R"("marks":[[4294967296,2]]})",
          head + R"("marks":[[1.5,2]]})", head + R"("marks":[["1",2]]})",
          head + R"("logs":[{"date":"2024/03/01","ids":[1]}]})",
          head + R"("logs":[{"date":"","ids":[null]}]})",
          head + R"("logs":[{"date":"x","ids":[1]}]})" + QByteArray(Outbox::kMaxFileSize, ' ')}) {
        QFile::remove(other.FilePath());
        Write(other.FilePath(), bytes);
        EXPECT_TRUE(other.Load().IsEmpty()) << bytes.left(60).constData();
    }
    Write(other.FilePath(), head + R"("marks":[[5,6]]})");
    EXPECT_EQ(other.Load().marks, (std::vector<Outbox::Mark>{{5, 6}}));
    // A link in its place is not followed; a folder in its place is no file.
    QFile::remove(other.FilePath());
    ASSERT_TRUE(QFile::link(demo.FilePath(), other.FilePath()));
    EXPECT_TRUE(other.Load().IsEmpty());
    QFile::remove(other.FilePath());
    ASSERT_TRUE(QDir().mkpath(other.FilePath()));
    EXPECT_TRUE(other.Load().IsEmpty());
    EXPECT_FALSE(other.Save(kept));

    // Nothing left: the file goes.
    ASSERT_TRUE(demo.Save({}));
    EXPECT_FALSE(QFile::exists(demo.FilePath()));
    EXPECT_TRUE(demo.Save({}));
}

} // namespace
