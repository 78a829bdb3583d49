#include "library/BookList.h"

#include <boost/json.hpp>

namespace json = boost::json;

std::vector<BookList::Entry> BookList::Parse(const QString& text) {
    std::vector<Entry> books;
    const QByteArray utf8 = text.toUtf8();
    boost::system::error_code error;
    // Errors come back as codes, so no answer can throw; nesting deeper than the parser's limit is
    // such an error too.
    const json::value root = json::parse(json::string_view(utf8.constData(), size_t(utf8.size())), error);
    if (error || !root.is_array())
        return books;
    const json::array& items = root.get_array();
    if (items.size() < 2)
        return books;
    books.reserve(items.size() - 1);
    // The last element is the terminator.
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        const json::array* entry = items[i].if_array();
        if (entry == nullptr || entry->size() < 2 || !(*entry)[1].is_string())
            continue;
        const json::value& id = (*entry)[0];
        uint32_t low;
        if (id.is_int64())
            low = static_cast<uint32_t>(static_cast<uint64_t>(id.get_int64()));
        else if (id.is_uint64())
            low = static_cast<uint32_t>(id.get_uint64());
        else
            continue;
        const json::string& title = (*entry)[1].get_string();
        books.push_back(
            {static_cast<int32_t>(low), QString::fromUtf8(title.data(), qsizetype(title.size()))});
    }
    return books;
}
