#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The service's answer to the book list request: a JSON array of [id, title, ...] entries followed by
// one terminator element that is never read.
class BookList {
  public:
    struct Entry {
        int32_t id = 0; // the low 32 bits of the number the service sent
        QString title;
        bool operator==(const Entry&) const = default;
    };

    // The books of the answer, in its order. An answer that is not JSON or not an array lists nothing;
    // entries that are not an array starting with an integer and a string are skipped, so that one bad
    // entry never hides the others.
    static std::vector<Entry> Parse(const QString& text);
};
