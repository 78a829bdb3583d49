#pragma once

#include "engine/Book.h"

#include <QString>

#include <cstdint>

// Fills a plug-in's URL template with the texts of one card.
//   %id%       the card's 1-based position in the book (not its id)
//   %name%     the headword without surrounding white space, URL-encoded
//   %name_l%   the same, lower-cased before encoding
//   %mean%     the meaning, URL-encoded
//   %example%  the example, URL-encoded, then lower-cased (escapes included)
// Placeholders are case-sensitive and replaced in this order, each until none is left (also where a
// replacement completes one with the text around it).
class MediaUrlTemplate {
  public:
    static QString Expand(const QString& pattern, uint32_t cardIndex, const Vocabulary& card);

    // White space as the C library's wide classification sees it in a Unicode locale.
    static bool IsSpace(char16_t c);
    // `text` without leading and trailing white space.
    static QString Trim(const QString& text);
    // Only A-Z change; every other character stays as it is.
    static QString AsciiLower(const QString& text);
};
