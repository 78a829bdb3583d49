#include "service/TextEncoding.h"
#include "service/CURLEncode.h"

#include <gtest/gtest.h>

namespace {

QString encode(const QString& s) {
    return CURLEncode().UrlEncode(s);
}

TEST(UrlEncode, AsciiRules) {
    EXPECT_EQ(encode("a b+c"), "a%20b%2Bc");
    EXPECT_EQ(encode("x (y)"), "x%20(y)");
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("~\n"), "%7E%0A");
    EXPECT_EQ(encode("AZaz09'()*-._"), "AZaz09'()*-._");
    // Every member of the unsafe set, in its order.
    EXPECT_EQ(encode("\"<>%\\^[]`+$,@:;/!#?=&"),
              "%22%3C%3E%25%5C%5E%5B%5D%60%2B%24%2C%40%3A%3B%2F%21%23%3F%3D%26");
    EXPECT_EQ(encode(QString(QChar(0x00))), "%00");
    EXPECT_EQ(encode(QString(QChar(0x00E9))), "%E9"); // Latin-1 units follow the byte rule
    EXPECT_EQ(encode(QString(QChar(0x7B))), "%7B");
}

TEST(UrlEncode, WideCharactersAsUtf8) {
    EXPECT_EQ(encode(QString::fromUtf8("한")), "%ED%95%9C");
    EXPECT_EQ(encode(QString::fromUtf8("가a")), "%EA%B0%80a");
    EXPECT_EQ(encode(QString::fromUtf8("😀")), "%F0%9F%98%80");     // a surrogate pair is one character
    EXPECT_EQ(encode(QString(QChar(0xD800)) + "x"), "%EF%BF%BDx"); // lone surrogate
    const QString all = encode(QString::fromUtf8("단어 word ✓"));
    for (QChar c : all)
        EXPECT_TRUE(c.unicode() >= 0x21 && c.unicode() < 0x7F) << all.toStdString();
}

TEST(Utf8ToWide, DecodesWithoutValidation) {
    EXPECT_EQ(Utf8ToWide("\xED\x95\x9C"), QString(QChar(0xD55C)));
    EXPECT_EQ(Utf8ToWide("\xC3\xA9"), QString(QChar(0x00E9)));
    EXPECT_EQ(Utf8ToWide(QByteArray("A\0B", 3)), "A");
    EXPECT_EQ(Utf8ToWide(QByteArray("abcdefghijk\0mnopqrstu", 22)), "abcdefghijk");
    EXPECT_EQ(Utf8ToWide("abcdefg\xED\x95\x9Chijklmnopq\x7F"), QString::fromUtf8("abcdefg한hijklmnopq\x7F"));
    EXPECT_EQ(Utf8ToWide("\x80z").at(0).unicode(), 0);
    EXPECT_EQ(Utf8ToWide("\xBF").at(0).unicode(), 0x3F);
    // BOM stays as U+FEFF.
    EXPECT_EQ(Utf8ToWide("\xEF\xBB\xBF{").at(0).unicode(), 0xFEFF);
    // Four-byte sequences become surrogate pairs; what UTF-16 cannot hold becomes U+FFFD, an overlong
    // form its unit; from 0xF8 the lead bytes still start three-byte sequences.
    EXPECT_EQ(Utf8ToWide("a\xF0\x9F\x98\x80"
                         "b\xF0\x9D\x84\x9E"),
              QString::fromUtf8("a😀b𝄞"));
    EXPECT_EQ(Utf8ToWide("\xF4\x8F\xBF\xBF"), QString::fromUcs4(U"\U0010FFFF", 1));
    EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80|\xF7\xBF\xBF\xBF"), QString::fromUtf16(u"\uFFFD|\uFFFD"));
    EXPECT_EQ(Utf8ToWide("\xF0\x80\x81\x81").at(0).unicode(), 0x41);
    const QString five = Utf8ToWide("\xF8\x88\x80\x80\x80");
    ASSERT_EQ(five.size(), 3);
    EXPECT_EQ(five.at(0).unicode(), ((0xF8 & 0x0F) << 12) | ((0x88 & 0x3F) << 6) | (0x80 & 0x3F));
    // Encoded surrogates come through as lone units.
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80").at(0).unicode(), 0xD800);
    EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr)), QString());
}

TEST(Utf8ToWide, CutSequencesNeverReadPastTheEnd) {
    // Exact-size heap buffers, so AddressSanitizer sees any read past the last byte.
    for (const QByteArray& bytes :
         {QByteArray("\xED"), QByteArray("\xED\x95"), QByteArray("\xC3"), QByteArray("ab\xE0"),
          QByteArray("ab\xF7\x80"), QByteArray("ab\xF0\x9F\x98")}) {
        auto buffer = std::make_unique<char[]>(bytes.size());
        memcpy(buffer.get(), bytes.constData(), bytes.size());
        const QString text = Utf8ToWide(buffer.get(), bytes.size());
        EXPECT_LE(text.size(), bytes.size());
    }
    // The zero terminator inside a sequence ends the text too.
    EXPECT_EQ(Utf8ToWide(QByteArray("ab\xED\0\x9C", 5)), "ab");
    EXPECT_EQ(Utf8ToWide(QByteArray("ab\xED\x95\0", 5)), "ab");
    EXPECT_EQ(Utf8ToWide(QByteArray("ab\xC3\0", 4)), "ab");
    EXPECT_EQ(Utf8ToWide(QByteArray("ab\xF0\x9F\x98\0\x80", 6)), "ab");
    EXPECT_EQ(Utf8ToWide(QByteArray("ab\xF0\x9F\x98", 5)), "ab");
}

TEST(WideToNarrow, KoreanCodePage) {
    EXPECT_EQ(WideToNarrow("abc 123"), QByteArray("abc 123"));
    EXPECT_EQ(WideToNarrow(QString::fromUtf8("한")), QByteArray("\xC7\xD1"));
    EXPECT_EQ(WideToNarrow(QString::fromUtf8("가나")), QByteArray("\xB0\xA1\xB3\xAA"));
    // Characters the code page lacks become '?', a surrogate pair or lone surrogate counts as one.
    EXPECT_EQ(WideToNarrow(QString::fromUtf8("a😀b")), QByteArray("a?b"));
    EXPECT_EQ(WideToNarrow(QString(QChar(0xDC00)) + "x"), QByteArray("?x"));
    EXPECT_EQ(WideToNarrow(QString::fromUtf8("\u0E01")), QByteArray("?")); // Thai letter
    // The result ends at a U+0000.
    EXPECT_EQ(WideToNarrow(QString("ab") + QChar(0) + "cd"), QByteArray("ab"));
    EXPECT_EQ(WideToNarrow(QString()), QByteArray());
}

QString b64(const QByteArray& bytes, std::size_t capacity = 1024) {
    auto r = Base64Encode(bytes, capacity);
    return r ? *r : QStringLiteral("<refused>");
}

TEST(Base64Encode, GroupsPaddingAndLines) {
    EXPECT_EQ(b64("abc"), "YWJj");
    EXPECT_EQ(b64("ab"), "YWI=");
    EXPECT_EQ(b64("a"), "YQ==");
    EXPECT_EQ(b64(""), "");

    const QByteArray b56(56, 'x'), b57(57, 'x'), b58(58, 'x');
    EXPECT_EQ(b64(b56).size(), 76);
    EXPECT_FALSE(b64(b56).contains('\r'));
    EXPECT_EQ(b64(b57).size(), 78);
    EXPECT_TRUE(b64(b57).endsWith("\r\n"));
    const QString r58 = b64(b58);
    EXPECT_EQ(r58.size(), 76 + 2 + 4);
    EXPECT_EQ(r58.mid(76, 2), "\r\n");
    EXPECT_TRUE(r58.endsWith("=="));
    // 114 bytes = two full lines: as the number of full groups is a multiple of 19, both breaks stay.
    const QString r114 = b64(QByteArray(114, 'y'));
    EXPECT_EQ(r114, QString(r114.left(76)) + "\r\n" + r114.mid(78, 76) + "\r\n");
    // 60 bytes: one full line and one group on the next line.
    const QString r60 = b64(QByteArray(60, 'z'));
    EXPECT_EQ(r60.size(), 76 + 2 + 4);
    EXPECT_EQ(r60.mid(76, 2), "\r\n");
}

TEST(Base64Encode, MatchesStandardDecoding) {
    for (int n : {1, 2, 3, 40, 57, 100, 500}) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes += static_cast<char>((i * 37 + 11) & 0xFF);
        QString text = b64(bytes, 4096);
        text.remove("\r\n");
        EXPECT_EQ(QByteArray::fromBase64(text.toLatin1()), bytes) << n;
    }
}

TEST(Base64Encode, CapacityIsChecked) {
    // 'abc' needs 4 + 2 characters of room.
    EXPECT_FALSE(Base64Encode("abc", 5).has_value());
    EXPECT_TRUE(Base64Encode("abc", 6).has_value());
    // A user id far too long for the sign-in token field is refused, not cut.
    EXPECT_FALSE(Base64Encode(QByteArray(800, 'u'), 1024).has_value());
    EXPECT_TRUE(Base64Encode(QByteArray(700, 'u'), 1024).has_value());
}

} // namespace
