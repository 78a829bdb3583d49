// The book list answer: what is listed, what is skipped, and every saved fuzzing input.
#include "library/BookList.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <utility>

// An entry prints as "id:title" in failure messages.
void PrintTo(const BookList::Entry& entry, std::ostream* os) {
    *os << entry.id << ':' << entry.title.toStdString();
}

namespace {

using Entries = std::vector<BookList::Entry>;

TEST(BookList, ListsEveryEntryButTheLastElement) {
    const std::pair<const char*, Entries> cases[] = {
        {R"([[7,"A"],[9,"B"],0])", {{7, "A"}, {9, "B"}}},
        {R"([[7,"A"]])", {}}, // one element: the terminator only
        {"[0]", {}},
        {"[]", {}},
        {R"([[12,"Title",5],0])", {{12, "Title"}}},
        {R"([[3,"단어장 \u0041"],[4,""],null])", {{3, QStringLiteral("단어장 A")}, {4, ""}}},
        // Only the low 32 bits of the id count, read as a signed number.
        {R"([[4294967303,"low"],[-1,"minus"],[18446744073709551615,"max"],[2147483648,"sign"],0])",
         {{7, "low"}, {-1, "minus"}, {-1, "max"}, {INT32_MIN, "sign"}}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(BookList::Parse(QString::fromUtf8(text)), expected) << text;
}

TEST(BookList, MalformedAnswersListTheWellFormedEntriesOnly) {
    const std::pair<const char*, Entries> cases[] = {
        {"", {}},
        {"not json", {}},
        {R"({"books":[[7,"A"],0]})", {}},
        {R"("[[7,\"A\"],0]")", {}},
        {R"([[7,"A"],[9,"B"],0)", {}}, // cut short: nothing is trusted
        {R"([[7,"A"],0] trailing)", {}},
        {R"([[7,"A"],"x",[1],["2","B"],[3.5,"C"],[8,9],[true,"D"],null,{"id":1},[],[10,"ok"],0])",
         {{7, "A"}, {10, "ok"}}},
        {R"([[1e2,"exp"],[1.0,"real"],[5,"five"],0])", {{5, "five"}}},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]"
         "]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
         {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(BookList::Parse(QString::fromUtf8(text)), expected) << text;
}

TEST(BookList, EverySavedFuzzingInputParses) {
    const std::filesystem::path folder = LEXICARTA_BOOKLIST_CORPUS;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        QFile file(QString::fromStdString(entry.path().string()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << entry.path();
        const QByteArray data = file.readAll();
        const Entries books = BookList::Parse(QString::fromUtf8(data));
        // The shortest entry, [0,""], takes six bytes and a separator.
        EXPECT_LE(books.size() * 7, size_t(data.size())) << entry.path();
    }
    EXPECT_GT(files, 8);
}

} // namespace
