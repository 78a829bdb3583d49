// libFuzzer target: any answer to the book list request parses without a crash, and what it lists
// comes back unchanged when written out again as a well-formed answer.
#include "library/BookList.h"

#include <boost/json.hpp>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<BookList::Entry> books = BookList::Parse(text);
    // The shortest entry, [0,""], takes six bytes and a separator.
    if (books.size() * 7 > size)
        std::abort();

    boost::json::array answer;
    for (const BookList::Entry& book : books) {
        const QByteArray title = book.title.toUtf8();
        answer.push_back(
            boost::json::array{book.id, boost::json::string(title.constData(), size_t(title.size()))});
    }
    answer.push_back(0);
    const std::string written = boost::json::serialize(answer);
    if (BookList::Parse(QString::fromStdString(written)) != books)
        std::abort();
    return 0;
}
