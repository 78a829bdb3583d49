#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>

// The byte conversions between the program's UTF-16 text and what the service sends and receives.
namespace TextEncoding {

// Decodes service answers: reads up to the first zero byte (or `length` bytes), without validation.
// Four-byte sequences give a surrogate pair. A sequence cut off by the end is dropped; nothing past
// the end is read.
QString Utf8ToWide(const char* bytes);
QString Utf8ToWide(const char* bytes, std::size_t length);
inline QString Utf8ToWide(const QByteArray& bytes) {
    return Utf8ToWide(bytes.constData(), bytes.size());
}

// Converts to the Korean code page (CP949), '?' for each character it lacks; stops at a U+0000.
QByteArray WideToNarrow(const QString& text);

// Base64 with 76-character lines separated by CR LF; nothing (std::nullopt) when the encoded text
// would need more than `capacity` characters.
std::optional<QString> Base64Encode(const QByteArray& bytes, std::size_t capacity);

} // namespace TextEncoding

using TextEncoding::Base64Encode;
using TextEncoding::Utf8ToWide;
using TextEncoding::WideToNarrow;
