#include "engine/BookDocument.h"

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

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of four hexadecimal digits at `at`, or -1.
long hex4(std::string_view text, std::size_t at) {
    if (at + 4 > text.size())
        return -1;
    long value = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
        const char c = text[k];
        const int digit = isDigit(c)               ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The service's documents are read leniently: a strict parser refuses raw control characters inside
// strings, a '+' sign or leading zeros in a number, and an escaped surrogate without its partner. This
// rewrites each of them into its strict equivalent (an escape, the plain number, U+FFFD) and copies
// everything else unchanged, so that the strict parser still refuses whatever else is wrong. Returns
// false when nothing had to be rewritten.
bool toStrictJson(std::string_view in, std::string& out) {
    static const char hex[] = "0123456789abcdef";
    out.clear();
    out.reserve(in.size() + in.size() / 8 + 16);
    bool changed = false;
    bool inString = false;
    char last = 0; // the last character outside strings that is not white space; 0 at the start
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = in[i];
        if (inString) {
            if (c == '"') {
                inString = false;
                last = c;
                out += c;
                ++i;
            } else if (c == '\\' && i + 1 < n && in[i + 1] == 'u' && hex4(in, i + 2) >= 0) {
                const long unit = hex4(in, i + 2);
                if (unit >= 0xD800 && unit <= 0xDBFF && i + 12 <= n && in[i + 6] == '\\' &&
                    in[i + 7] == 'u' && hex4(in, i + 8) >= 0xDC00 && hex4(in, i + 8) <= 0xDFFF) {
                    out.append(in.substr(i, 12)); // a proper pair
                    i += 12;
                } else if (unit >= 0xD800 && unit <= 0xDFFF) {
                    out += "\\uFFFD"; // a lone surrogate stands for no character
                    changed = true;
                    i += 6;
                } else {
                    out.append(in.substr(i, 6));
                    i += 6;
                }
            } else if (c == '\\') {
                // Any other escape goes over unchanged with the character it escapes (a quote among them).
                out += c;
                if (i + 1 < n)
                    out += in[i + 1];
                i += 2;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0x0F];
                out += hex[c & 0x0F];
                changed = true;
                ++i;
            } else {
                out += c;
                ++i;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
            out += c;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            out += c;
            ++i;
            continue;
        }
        const bool valueStart = last == 0 || last == '[' || last == ',' || last == ':';
        if (valueStart && (c == '+' || c == '-' || isDigit(c))) {
            std::size_t j = i;
            if (c == '+' && j + 1 < n && isDigit(in[j + 1])) {
                changed = true;
                ++j;
            } else if (c == '-' || c == '+') {
                out += c;
                ++j;
            }
            while (j + 1 < n && in[j] == '0' && isDigit(in[j + 1])) {
                changed = true;
                ++j;
            }
            // The rest of the number as it stands: the parser judges it.
            while (j < n && (isDigit(in[j]) || in[j] == '.' || in[j] == 'e' || in[j] == 'E' || in[j] == '+' ||
                             in[j] == '-'))
                out += in[j++];
            last = '0';
            i = j;
            continue;
        }
        last = c;
        out += c;
        ++i;
    }
    return changed;
}

// Parses the first JSON value of `text`, for `storage`; text after it is ignored. The value is then
// the parser's to release.
bool parseFirstValue(json::parser& parser, std::string_view text, json::storage_ptr storage, QString& error) {
    parser.reset(std::move(storage));
    json::error_code ec;
    parser.write_some(text.data(), text.size(), ec); // a text cut short is an error too
    if (ec) {
        error = QStringLiteral("not a JSON document: %1").arg(QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

} // namespace

bool BookDocument::NameLess(const QString& a, const QString& b) {
    // Qt's case-sensitive comparison orders by UTF-16 code units, shorter text first, and is vectorised.
    return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
}

void BookDocument::SortByName(std::vector<uint32_t>& order, const std::vector<Vocabulary>& cards) {
    if (order.size() < 2)
        return;
    // One ordinary sort by name. With distinct names every correct sort gives the arrangement of the
    // reference quicksort, so that result is final.
    // Sorting views kept side by side with their indexes saves a pointer chase per comparison.
    std::vector<std::pair<QStringView, uint32_t>> views;
    views.reserve(order.size());
    for (uint32_t index : order)
        views.emplace_back(cards[index].name, index);
    auto viewLess = [](const auto& x, const auto& y) {
        return x.first.compare(y.first, Qt::CaseSensitive) < 0;
    };
    std::sort(views.begin(), views.end(), viewLess);
    std::vector<uint32_t> sorted(order.size());
    std::vector<uint32_t> rank(cards.size());
    uint32_t r = 0;
    for (std::size_t k = 0; k < views.size(); ++k) {
        if (k > 0 && viewLess(views[k - 1], views[k]))
            ++r;
        rank[views[k].second] = r;
        sorted[k] = views[k].second;
    }
    if (r + 1 == sorted.size()) {
        order = std::move(sorted);
        return;
    }

    // Equal names: run the reference partition itself (last element as pivot, elements not greater
    // than the pivot to the left), on name ranks instead of names: same outcome, cheap comparisons.
    // Each entry packs the rank above the card index. Ranges are kept on an explicit stack, the larger
    // half pushed first, so the stack stays O(log n) deep. A non-decreasing range is left unchanged by
    // the partition (its pivot is its maximum), so such ranges are skipped at once.
    std::vector<uint64_t> keys(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        keys[k] = (static_cast<uint64_t>(rank[order[k]]) << 32) | order[k];
    auto key = [&](std::ptrdiff_t k) { return keys[k] >> 32; };
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> ranges;
    ranges.emplace_back(0, static_cast<std::ptrdiff_t>(keys.size()) - 1);
    while (!ranges.empty()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (lo >= hi)
            continue;
        bool ascending = true;
        for (std::ptrdiff_t k = lo; k < hi && ascending; ++k)
            ascending = key(k) <= key(k + 1);
        if (ascending)
            continue;
        const uint64_t pivot = key(hi);
        std::ptrdiff_t i = lo;
        for (std::ptrdiff_t j = lo; j < hi; ++j) {
            if (pivot < key(j))
                continue;
            std::swap(keys[i], keys[j]);
            ++i;
        }
        std::swap(keys[i], keys[hi]);
        std::pair<std::ptrdiff_t, std::ptrdiff_t> left{lo, i - 1}, right{i + 1, hi};
        if (left.second - left.first > right.second - right.first)
            std::swap(left, right);
        ranges.push_back(right); // the larger half waits, the smaller is handled next
        ranges.push_back(left);
    }
    for (std::size_t k = 0; k < keys.size(); ++k)
        order[k] = static_cast<uint32_t>(keys[k]);
}

BookDocument::Result BookDocument::Parse(const QString& text, uint32_t bookId) {
    Result result;
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));

    // Text after the document is ignored, as the service's own reader does. A clean document is parsed
    // once; only one that the strict parser refuses is rewritten and parsed again.
    json::parse_options options;
    options.max_depth = 256;
    unsigned char parserStack[BOOST_JSON_STACK_BUFFER_SIZE]; // the parser's own state, as json::parse has it
    json::parser parser(json::storage_ptr(), options, parserStack);
    json::monotonic_resource scratch;
    if (!parseFirstValue(parser, bytes, &scratch, result.error)) {
        std::string strict;
        if (!toStrictJson(bytes, strict) || !parseFirstValue(parser, strict, &scratch, result.error))
            return result;
        result.error.clear();
    }
    const json::value doc = parser.release();

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
            book->sound.file_type =
                toText(member(plugin, "file_type"), QStringLiteral("sound_plugin.file_type"));
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
            // Where a refusal happened is only spelled out when one does.
            const json::value& element = cards[i];
            if (!element.is_array() || element.get_array().size() < 5) {
                const QString where = QStringLiteral("vocabularies[%1]").arg(i);
                if (!element.is_array())
                    refuse(where, element, 1);
                throw Refusal{QStringLiteral("%1: a card needs five elements, it has %2")
                                  .arg(where)
                                  .arg(element.get_array().size())};
            }
            const json::array& card = element.get_array();
            if (!card[0].is_string() || !card[1].is_string() || !card[2].is_string() ||
                !(card[3].is_int64() || card[3].is_uint64()) ||
                !(card[4].is_int64() || card[4].is_uint64())) {
                for (std::size_t k = 0; k < 5; ++k) {
                    const QString where = QStringLiteral("vocabularies[%1][%2]").arg(i).arg(k);
                    if (k < 3)
                        toText(card[k], where);
                    else
                        toLow32(card[k], where);
                }
            }
            Vocabulary v;
            v.name = toText(card[0], QString());
            v.mean = toText(card[1], QString());
            v.example = toText(card[2], QString());
            v.id = toLow32(card[3], QString());
            v.complete = toLow32(card[4], QString()) != 0;
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
