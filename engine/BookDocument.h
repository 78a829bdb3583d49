#pragma once

#include "engine/Book.h"

#include <QString>

#include <cstdint>
#include <memory>

// Turns the service's book document (JSON text) into a Book with its card and sorted orders.
class BookDocument {
  public:
    struct Result {
        std::unique_ptr<Book> book; // null when the document is outside the format
        QString error;              // why it was refused, for the log
    };

    // Parses the whole document. A refused document yields no book at all, never a partial one.
    static Result Parse(const QString& text, uint32_t bookId);

    // Sorts card indexes by headword, giving exactly the arrangement of the service's reference
    // quicksort (last element as pivot, equal names to the left) without deep recursion.
    static void SortByName(std::vector<uint32_t>& order, const std::vector<Vocabulary>& cards);

    // Headword order: UTF-16 code units compared as unsigned numbers, the shorter text first.
    static bool NameLess(const QString& a, const QString& b);
};
