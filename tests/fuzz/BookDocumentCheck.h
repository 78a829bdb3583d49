#pragma once
// The checks of the book document fuzz target, shared with the test that replays its corpus: bytes as
// the service sends them go through the decoder and the parser, and whatever comes out must be a
// complete, consistent book that reads back the same from a clean document.

#include "engine/BookDocument.h"
#include "service/TextEncoding.h"

#include <boost/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace BookDocumentCheck {

// The reference arrangement of the sorted order, written as plainly as it is defined.
inline void ReferenceSort(std::vector<uint32_t>& list, const std::vector<Vocabulary>& cards, long lo,
                          long hi) {
    if (lo >= hi)
        return;
    const QString pivot = cards[list[hi]].name;
    long i = lo;
    for (long j = lo; j < hi; ++j) {
        if (BookDocument::NameLess(pivot, cards[list[j]].name))
            continue;
        std::swap(list[i], list[j]);
        ++i;
    }
    std::swap(list[i], list[hi]);
    ReferenceSort(list, cards, lo, i - 1);
    ReferenceSort(list, cards, i + 1, hi);
}

inline boost::json::string Utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return boost::json::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The book written back as a strict, clean document.
inline QString CleanDocument(const Book& book) {
    namespace json = boost::json;
    json::object root;
    root["title"] = Utf8(book.title);
    if (book.has_sound)
        root["sound_plugin"] = {{"url", Utf8(book.sound.url)},
                                {"type", Utf8(book.sound.type)},
                                {"file_type", Utf8(book.sound.file_type)}};
    if (book.has_image)
        root["image_plugin"] = {{"url", Utf8(book.image.url)}, {"type", Utf8(book.image.type)}};
    if (book.has_style) {
        const QByteArray style = book.style.toUtf8();
        json::parse_options deep;
        deep.max_depth = 1024;
        root["style_plugin"] =
            json::parse(json::string_view(style.constData(), std::size_t(style.size())), {}, deep);
    }
    json::array cards;
    for (const Vocabulary& v : book.vocabularies)
        cards.push_back(json::array{Utf8(v.name), Utf8(v.mean), Utf8(v.example), v.id, v.complete ? 1 : 0});
    cards.push_back(0);
    root["vocabularies"] = std::move(cards);
    const std::string text = json::serialize(root);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline bool SameModel(const Book& a, const Book& b) {
    if (a.title != b.title || a.has_sound != b.has_sound || a.has_image != b.has_image ||
        a.has_style != b.has_style || a.style != b.style || a.vocabularies.size() != b.vocabularies.size() ||
        a.sorted_order != b.sorted_order)
        return false;
    if (a.has_sound && (a.sound.url != b.sound.url || a.sound.type != b.sound.type ||
                        a.sound.file_type != b.sound.file_type))
        return false;
    if (a.has_image && (a.image.url != b.image.url || a.image.type != b.image.type))
        return false;
    for (std::size_t i = 0; i < a.vocabularies.size(); ++i) {
        const Vocabulary& x = a.vocabularies[i];
        const Vocabulary& y = b.vocabularies[i];
        if (x.name != y.name || x.mean != y.mean || x.example != y.example || x.id != y.id ||
            x.complete != y.complete)
            return false;
    }
    return true;
}

// What is wrong with the outcome for these bytes; empty when nothing is.
inline std::string Check(const uint8_t* data, std::size_t size) {
    const QString text = Utf8ToWide(reinterpret_cast<const char*>(data), size);
    if (static_cast<std::size_t>(text.size()) > size)
        return "the decoder made more units than there were bytes";
    BookDocument::Result result = BookDocument::Parse(text, 7);
    if (!result.book)
        return result.error.isEmpty() ? "refused without a reason" : "";
    const Book& book = *result.book;
    const std::size_t n = book.vocabularies.size();
    if (!result.error.isEmpty())
        return "a book together with an error";
    if (book.id != 7)
        return "id";
    if (book.images.size() != n || book.sounds.size() != n || !book.random_order.empty())
        return "media entries or random order";
    for (std::size_t i = 0; i < n; ++i)
        if (!book.images[i].url.isEmpty() || book.images[i].state != MediaEntry::Unresolved ||
            !book.sounds[i].url.isEmpty() || book.sounds[i].state != MediaEntry::Unresolved)
            return "a media entry not empty";
    if (book.card_order.size() != n || book.sorted_order.size() != n)
        return "order list size";
    std::vector<bool> seen(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        if (book.card_order[i] != i)
            return "card order";
        const uint32_t c = book.sorted_order[i];
        if (c >= n || seen[c])
            return "sorted order is not a permutation";
        seen[c] = true;
        if (i > 0 && BookDocument::NameLess(book.vocabularies[c].name,
                                            book.vocabularies[book.sorted_order[i - 1]].name))
            return "sorted order out of order";
    }
    if (n <= 4096) {
        std::vector<uint32_t> reference = book.card_order;
        ReferenceSort(reference, book.vocabularies, 0, static_cast<long>(n) - 1);
        if (reference != book.sorted_order)
            return "sorted order differs from the reference arrangement";
    }
    // Whatever leniency let the document in, the model is one that a clean document gives as well.
    BookDocument::Result again = BookDocument::Parse(CleanDocument(book), 7);
    if (!again.book)
        return "the clean document is refused: " + again.error.toStdString();
    if (!SameModel(book, *again.book))
        return "the clean document gives another model";
    return "";
}

} // namespace BookDocumentCheck
