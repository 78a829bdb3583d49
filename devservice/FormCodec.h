#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <string>

// Decoding of what the desktop program sends: its form bodies (percent escapes, no '+' for blanks),
// Base64 with line breaks, and byte strings in the Korean code page.
class FormCodec {
  public:
    // Splits "a=1&b=2" at '&' and at the first '=' of each field, and decodes the percent escapes of
    // names and values. A '+' stays a '+': the program escapes its blanks and sends Base64 unescaped.
    static std::map<std::string, std::string> ParseForm(const std::string& body);
    static std::string PercentDecode(const std::string& text);
    // Standard Base64; line breaks and other characters outside the alphabet are skipped.
    static QByteArray Base64Decode(const QByteArray& text);
    // Bytes from the Korean code page (CP949); nothing when they are not valid there.
    static QString FromCp949(const QByteArray& bytes, bool* ok = nullptr);
    // Bytes as UTF-8 when they are valid UTF-8, otherwise as Latin-1 (the program escapes characters
    // up to U+00FF by their own value and everything above by its UTF-8 bytes).
    static QString FromFormBytes(const std::string& bytes);
};
