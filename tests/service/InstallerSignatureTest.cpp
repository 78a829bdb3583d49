// Installer signatures in minisign's format: made by the stock minisign tool with the development key
// (both its prehashed and its legacy form), checked against the key the build trusts; every way a
// signature can be wrong or malformed is refused, none crashes.
#include "service/InstallerSignature.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

using Verdict = InstallerSignature::Verdict;

const QString kDevSecretKey = QStringLiteral(LEXICARTA_SOURCE_DIR "/devservice/keys/dev-update.key");

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Signs `file` with the stock tool; the signature text, or empty when the tool is missing or fails.
QByteArray minisign(const QString& file, const QString& secretKey, const QStringList& extra = {}) {
    QProcess p;
    p.start(QStringLiteral("minisign"),
            QStringList{QStringLiteral("-S"), QStringLiteral("-s"), secretKey, QStringLiteral("-m"), file,
                        QStringLiteral("-x"), file + QStringLiteral(".minisig")} +
                extra);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    return readFile(file + QStringLiteral(".minisig"));
}

class InstallerSignatureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("minisign")).isEmpty())
            GTEST_SKIP() << "minisign is not installed (scripts/setup-deps installs it)";
        const auto parsed = InstallerSignature::ParsePublicKey(InstallerSignature::TrustedKeyText());
        ASSERT_TRUE(parsed);
        key = *parsed;
        installer = dir.filePath(QStringLiteral("setup.run"));
        writeFile(installer, "#!/bin/sh\necho installing\n" + QByteArray(100000, 'x'));
    }

    QTemporaryDir dir;
    QString installer;
    InstallerSignature::PublicKey key;
};

TEST_F(InstallerSignatureTest, TheStockToolsSignaturesVerifyAndNothingElseDoes) {
    const QByteArray hashed =
        minisign(installer, kDevSecretKey, {QStringLiteral("-t"), QStringLiteral("release 0.2")});
    ASSERT_FALSE(hashed.isEmpty());
    ASSERT_TRUE(InstallerSignature::Parse(hashed)->prehashed);
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, hashed, key), Verdict::Valid);
    const QByteArray legacy = minisign(installer, kDevSecretKey, {QStringLiteral("-l")});
    ASSERT_FALSE(InstallerSignature::Parse(legacy)->prehashed);
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, legacy, key), Verdict::Valid);
    EXPECT_EQ(InstallerSignature::VerifyData(readFile(installer), hashed, key), Verdict::Valid);

    // One byte of the file changed, under either form.
    QByteArray changed = readFile(installer);
    changed[50000] = 'y';
    EXPECT_EQ(InstallerSignature::VerifyData(changed, hashed, key), Verdict::Invalid);
    EXPECT_EQ(InstallerSignature::VerifyData(changed, legacy, key), Verdict::Invalid);
    // The trusted comment changed: the global signature no longer holds.
    QByteArray comment = hashed;
    comment.replace("release 0.2", "release 9.9");
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, comment, key), Verdict::Invalid);
    // The prehashed signature relabelled as a legacy one (and the other way round).
    QList<QByteArray> lines = hashed.split('\n');
    QByteArray raw = QByteArray::fromBase64(lines[1]);
    raw[1] = 'd';
    lines[1] = raw.toBase64();
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, lines.join('\n'), key), Verdict::Invalid);

    // A good signature by another key.
    const QString otherKey = dir.filePath(QStringLiteral("other.key"));
    QProcess gen;
    gen.start(QStringLiteral("minisign"),
              {QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"),
               dir.filePath(QStringLiteral("other.pub")), QStringLiteral("-s"), otherKey});
    ASSERT_TRUE(gen.waitForFinished(20000) && gen.exitCode() == 0);
    const QByteArray foreign = minisign(installer, otherKey);
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, foreign, key), Verdict::OtherKey);
    // ... even when it claims the trusted key's id.
    lines = foreign.split('\n');
    raw = QByteArray::fromBase64(lines[1]);
    raw.replace(2, 8, QByteArray(reinterpret_cast<const char*>(key.keyId.data()), 8));
    lines[1] = raw.toBase64();
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, lines.join('\n'), key), Verdict::Invalid);

    // A file that is not there.
    EXPECT_EQ(InstallerSignature::VerifyFile(dir.filePath(QStringLiteral("missing")), hashed, key),
              Verdict::Unreadable);
}

TEST_F(InstallerSignatureTest, MalformedOrOversizedSignaturesAreRefused) {
    const QByteArray good = minisign(installer, kDevSecretKey);
    ASSERT_TRUE(InstallerSignature::Parse(good));
    const QList<QByteArray> lines = good.split('\n');
    const auto with = [&](int index, const QByteArray& line) {
        QList<QByteArray> copy = lines;
        copy[index] = line;
        return copy.join('\n');
    };
    QByteArray wrongAlgorithm = QByteArray::fromBase64(lines[1]);
    wrongAlgorithm[0] = 'X';
    const QByteArray cases[] = {
        QByteArray(),
        "garbage",
        lines.mid(0, 3).join('\n'),                           // no global signature
        with(0, "comment: x"),                                // not an untrusted comment line
        with(2, "comment: x"),                                // not a trusted comment line
        with(1, lines[1].left(40)),                           // short signature
        with(1, lines[1] + "AAAA"),                           // long signature
        with(1, "*" + lines[1].mid(1)),                       // not base64
        with(3, lines[3].left(60)),                           // short global signature
        with(1, wrongAlgorithm.toBase64()),                   // neither Ed nor ED
        good + "fifth line\n",                                // one line too many
        good.left(good.size() - 1) + QByteArray(1, '\0'),     // a zero byte
        with(2, "trusted comment: " + QByteArray(4096, 'c')), // over the size cap
    };
    for (const QByteArray& text : cases) {
        EXPECT_FALSE(InstallerSignature::Parse(text)) << text.left(80).toStdString();
        EXPECT_EQ(InstallerSignature::VerifyFile(installer, text, key), Verdict::Malformed);
    }
    // Windows line ends are read as lines all the same.
    QByteArray crlf = good;
    crlf.replace("\n", "\r\n");
    EXPECT_EQ(InstallerSignature::VerifyFile(installer, crlf, key), Verdict::Valid);
}

TEST(InstallerSignatureKeyTest, ThePublicKeyIsReadFromItsLineOrItsFile) {
    const QByteArray pub = readFile(QStringLiteral(LEXICARTA_SOURCE_DIR "/devservice/keys/dev-update.pub"));
    const auto fromFile = InstallerSignature::ParsePublicKey(pub);
    const auto fromLine = InstallerSignature::ParsePublicKey(pub.split('\n')[1]);
    ASSERT_TRUE(fromFile && fromLine);
    EXPECT_EQ(fromFile->key, fromLine->key);
    EXPECT_EQ(fromFile->keyId, fromLine->keyId);
    EXPECT_FALSE(InstallerSignature::ParsePublicKey("RWQ"));
    EXPECT_FALSE(InstallerSignature::ParsePublicKey(pub.split('\n')[1].left(50)));
    EXPECT_FALSE(InstallerSignature::ParsePublicKey(QByteArray()));
}

} // namespace
