#pragma once

#include <QString>

// Percent-encoder for form fields and for texts placed into URLs.
class CURLEncode {
  public:
    virtual ~CURLEncode() = default;

    // Printable-ASCII encoding of `text`: units up to U+00FF outside the safe set become "%XX";
    // characters above U+00FF become the "%XX" escapes of their UTF-8 bytes.
    QString UrlEncode(const QString& text) const;

    // The 21 characters that are always escaped, in their fixed order.
    static const char* const csUnsafeString;
    static const char* const csHexDigits;
};
