#include "player/BookDocument.h"

#include <boost/json.hpp>

#include <algorithm>
#include <utility>

namespace json = boost::json;

namespace {

// Type codes of the document's value model, used in refusal messages.
int typeCode(const json::value& v) {
    switch (v.kind()) {
    case json::kind::object:
        return 0;
    case json::kind::array:
        return 1;
    case json::kind::string:
        return 2;
    case json::kind::bool_:
        return 3;
    case json::kind::int64:
    case json::kind::uint64:
        return 4;
    case json::kind::double_:
        return 5;
    case json::kind::null:
        return 6;
    }
    return 6;
}

struct Refusal {
    QString message;
};

[[noreturn]] void refuse(const QString& where, const json::value& v, int expected) {
    throw Refusal{QStringLiteral("%1: value type is %2 not %3").arg(where).arg(typeCode(v)).arg(expected)};
}

const json::value& member(const json::object& obj, std::string_view key) {
    static const json::value null;
    const auto it = obj.find(key);
    return it == obj.end() ? null : it->value();
}

QString toText(const json::value& v, const QString& where) {
    if (!v.is_string())
        refuse(where, v, 2);
    const json::string& s = v.get_string();
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

uint32_t toLow32(const json::value& v, const QString& where) {
    if (v.is_int64())
        return static_cast<uint32_t>(static_cast<uint64_t>(v.get_int64()));
    if (v.is_uint64())
        return static_cast<uint32_t>(v.get_uint64());
    refuse(where, v, 4);
}

const json::object& toObject(const json::value& v, const QString& where) {
    if (!v.is_object())
        refuse(where, v, 0);
    return v.get_object();
}

const json::array& toArray(const json::value& v, const QString& where) {
    if (!v.is_array())
        refuse(where, v, 1);
    return v.get_array();
}

} // namespace

bool BookDocument::NameLess(const QString& a, const QString& b) {
    const auto* pa = reinterpret_cast<const char16_t*>(a.constData());
    const auto* pb = reinterpret_cast<const char16_t*>(b.constData());
    return std::lexicographical_compare(pa, pa + a.size(), pb, pb + b.size());
}

void BookDocument::SortByName(std::vector<uint32_t>& order, const std::vector<Vocabulary>& cards) {
    if (order.size() < 2)
        return;
    auto name = [&](uint32_t index) -> const QString& { return cards[index].name; };
    auto less = [&](uint32_t x, uint32_t y) { return NameLess(name(x), name(y)); };

    // With distinct names every correct sort gives the arrangement of the reference quicksort.
    {
        std::vector<uint32_t> sorted(order);
        std::sort(sorted.begin(), sorted.end(), less);
        const bool distinct =
            std::adjacent_find(sorted.begin(), sorted.end(), [&](uint32_t x, uint32_t y) {
                return !less(x, y);
            }) == sorted.end();
        if (distinct) {
            order = std::move(sorted);
            return;
        }
    }

    // Equal names: run the reference partition itself. Ranges are kept on an explicit stack, the
    // larger half pushed first, so the stack stays O(log n) deep. A non-decreasing range is left
    // unchanged by the partition (the pivot is its maximum), so such ranges are skipped at once.
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> ranges;
    ranges.emplace_back(0, static_cast<std::ptrdiff_t>(order.size()) - 1);
    while (!ranges.empty()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (lo >= hi)
            continue;
        bool ascending = true;
        for (std::ptrdiff_t k = lo; k < hi && ascending; ++k)
            ascending = !less(order[k + 1], order[k]);
        if (ascending)
            continue;
        const QString pivot = name(order[hi]);
        std::ptrdiff_t i = lo;
        for (std::ptrdiff_t j = lo; j < hi; ++j) {
            if (NameLess(pivot, name(order[j])))
                continue;
            std::swap(order[i], order[j]);
            ++i;
        }
        std::swap(order[i], order[hi]);
        std::pair<std::ptrdiff_t, std::ptrdiff_t> left{lo, i - 1}, right{i + 1, hi};
        if (left.second - left.first > right.second - right.first)
            std::swap(left, right);
        ranges.push_back(right); // larger first, smaller handled next
        ranges.push_back(left);
    }
}

BookDocument::Result BookDocument::Parse(const QString& text, uint32_t bookId) {
    Result result;
    const QByteArray utf8 = text.toUtf8();

    json::parse_options options;
    options.max_depth = 256;
    json::monotonic_resource scratch;
    std::error_code ec;
    json::value doc = json::parse(json::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                                  ec, &scratch, options);
    if (ec) {
        result.error = QStringLiteral("not a JSON document: %1").arg(QString::fromStdString(ec.message()));
        return result;
    }

    try {
        auto book = std::make_unique<Book>();
        book->id = bookId;
        const json::object& root = toObject(doc, QStringLiteral("document"));
        book->title = toText(member(root, "title"), QStringLiteral("title"));

        const json::value& sound = member(root, "sound_plugin");
        if (!sound.is_null()) {
            const json::object& plugin = toObject(sound, QStringLiteral("sound_plugin"));
            book->has_sound = true;
            book->sound.url = toText(member(plugin, "url"), QStringLiteral("sound_plugin.url"));
            book->sound.type = toText(member(plugin, "type"), QStringLiteral("sound_plugin.type"));
            book->sound.file_type = toText(member(plugin, "file_type"), QStringLiteral("sound_plugin.file_type"));
        }
        const json::value& image = member(root, "image_plugin");
        if (!image.is_null()) {
            const json::object& plugin = toObject(image, QStringLiteral("image_plugin"));
            book->has_image = true;
            book->image.url = toText(member(plugin, "url"), QStringLiteral("image_plugin.url"));
            book->image.type = toText(member(plugin, "type"), QStringLiteral("image_plugin.type"));
        }
        const json::value& style = member(root, "style_plugin");
        if (!style.is_null()) {
            book->has_style = true;
            const std::string compact = json::serialize(style);
            book->style = QString::fromUtf8(compact.data(), static_cast<qsizetype>(compact.size()));
        }

        const json::array& cards = toArray(member(root, "vocabularies"), QStringLiteral("vocabularies"));
        // The last element is a terminator and never read; an empty array is a book without cards.
        const std::size_t n = cards.empty() ? 0 : cards.size() - 1;
        book->vocabularies.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const QString where = QStringLiteral("vocabularies[%1]").arg(i);
            const json::array& card = toArray(cards[i], where);
            if (card.size() < 5)
                throw Refusal{QStringLiteral("%1: a card needs five elements, it has %2").arg(where).arg(card.size())};
            Vocabulary v;
            v.name = toText(card[0], where + QStringLiteral("[0]"));
            v.mean = toText(card[1], where + QStringLiteral("[1]"));
            v.example = toText(card[2], where + QStringLiteral("[2]"));
            v.id = toLow32(card[3], where + QStringLiteral("[3]"));
            v.complete = toLow32(card[4], where + QStringLiteral("[4]")) != 0;
            book->vocabularies.push_back(std::move(v));
        }

        book->images.assign(n, MediaEntry{});
        book->sounds.assign(n, MediaEntry{});
        book->card_order.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            book->card_order[i] = static_cast<uint32_t>(i);
        book->sorted_order = book->card_order;
        SortByName(book->sorted_order, book->vocabularies);
        result.book = std::move(book);
    } catch (const Refusal& refusal) {
        result.error = refusal.message;
    } catch (const std::bad_alloc&) {
        result.error = QStringLiteral("out of memory");
    }
    return result;
}
