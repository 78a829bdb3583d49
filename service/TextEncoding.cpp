#include "service/TextEncoding.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace TextEncoding {

QString Utf8ToWide(const char* bytes) {
    return Utf8ToWide(bytes, bytes ? std::strlen(bytes) : 0);
}

QString Utf8ToWide(const char* bytes, std::size_t length) {
    QString out;
    if (!bytes)
        return out;
    out.resize(static_cast<qsizetype>(length));
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + length;
    qsizetype count = 0;
    while (p < end && *p != 0) {
        // Runs of ASCII, eight bytes at a time: no byte with its top bit set and none zero.
        while (end - p >= 8) {
            std::uint64_t v;
            std::memcpy(&v, p, 8);
            constexpr std::uint64_t ones = 0x0101010101010101u, tops = 0x8080808080808080u;
            if ((v & tops) != 0 || ((v - ones) & ~v & tops) != 0)
                break;
            for (int k = 0; k < 8; ++k)
                dst[count + k] = p[k];
            count += 8;
            p += 8;
        }
        if (p == end || *p == 0)
            break;
        const unsigned b = *p;
        if (b < 0x80) {
            dst[count++] = static_cast<char16_t>(b);
            ++p;
        } else if ((b & 0xF8) == 0xF0) {
            // Four bytes: a character beyond U+FFFF, as a surrogate pair. Read as three bytes and a
            // stray one, every emoji would be corrupted and could leave a control character behind.
            if (end - p < 4 || p[1] == 0 || p[2] == 0 || p[3] == 0)
                break;
            const char32_t cp =
                ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (cp > 0x10FFFF) {
                dst[count++] = 0xFFFD; // beyond Unicode, nothing in UTF-16 stands for it
            } else if (cp >= 0x10000) {
                dst[count++] = QChar::highSurrogate(cp);
                dst[count++] = QChar::lowSurrogate(cp);
            } else {
                dst[count++] = static_cast<char16_t>(cp); // an overlong form, taken as it is like the others
            }
            p += 4;
        } else if ((b & 0xE0) == 0xE0) {
            if (end - p < 3 || p[1] == 0 || p[2] == 0)
                break; // cut off by the terminator
            dst[count++] = static_cast<char16_t>(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else if ((b & 0xC0) == 0xC0) {
            if (end - p < 2 || p[1] == 0)
                break;
            dst[count++] = static_cast<char16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            dst[count++] = static_cast<char16_t>(b & 0x7F);
            ++p;
        }
    }
    out.truncate(count);
    return out;
}

QByteArray WideToNarrow(const QString& text) {
    QByteArray out;
    iconv_t cd = iconv_open("CP949", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter on this system: ASCII passes, everything else is unknown.
        for (QChar c : text) {
            if (c.unicode() == 0)
                break;
            out += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
        }
        return out;
    }
    const qsizetype n = text.size();
    out.reserve(n * 2);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0)
            break;
        char32_t cp = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(c, text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out += '?';
            continue;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        unsigned char in[4] = {static_cast<unsigned char>(cp), static_cast<unsigned char>(cp >> 8),
                               static_cast<unsigned char>(cp >> 16), static_cast<unsigned char>(cp >> 24)};
        char buf[8];
        char* inp = reinterpret_cast<char*>(in);
        char* outp = buf;
        size_t inLeft = sizeof in;
        size_t outLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            out += '?';
        else
            out.append(buf, outp - buf);
    }
    iconv_close(cd);
    return out;
}

std::optional<QString> Base64Encode(const QByteArray& bytes, std::size_t capacity) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t n = static_cast<std::size_t>(bytes.size());

    std::size_t c = (4 * n) / 3 + n % 3;
    std::size_t room = c;
    if ((c % 76) % 4 != 0)
        room += 4 - (c % 76) % 4;
    room += 2 * (c / 76 + 1);
    if (room > capacity)
        return std::nullopt;

    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    QString out;
    out.reserve(static_cast<qsizetype>(room));
    const std::size_t groups = n / 3;
    auto putGroup = [&](std::size_t g) {
        const unsigned v = (in[3 * g] << 16) | (in[3 * g + 1] << 8) | in[3 * g + 2];
        out += QLatin1Char(alphabet[(v >> 18) & 0x3F]);
        out += QLatin1Char(alphabet[(v >> 12) & 0x3F]);
        out += QLatin1Char(alphabet[(v >> 6) & 0x3F]);
        out += QLatin1Char(alphabet[v & 0x3F]);
    };
    std::size_t g = 0;
    for (std::size_t line = 0; line < groups / 19; ++line) {
        for (int k = 0; k < 19; ++k)
            putGroup(g++);
        out += QLatin1String("\r\n");
    }
    while (g < groups)
        putGroup(g++);
    out += QLatin1String("\r\n");
    out.chop(2); // the last line break written

    const std::size_t rest = n % 3;
    if (rest) {
        const unsigned b0 = in[3 * groups];
        const unsigned b1 = rest == 2 ? in[3 * groups + 1] : 0;
        const unsigned v = (b0 << 16) | (b1 << 8);
        out += QLatin1Char(alphabet[(v >> 18) & 0x3F]);
        out += QLatin1Char(alphabet[(v >> 12) & 0x3F]);
        out += rest == 2 ? QLatin1Char(alphabet[(v >> 6) & 0x3F]) : QLatin1Char('=');
        out += QLatin1Char('=');
    }
    return out;
}

} // namespace TextEncoding
