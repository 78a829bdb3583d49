#include "engine/BookDocument.h"

#include "fuzz/BookDocumentCheck.h"
#include "service/TextEncoding.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString doc(const QString& cards, const QString& extra = QString()) {
    return QStringLiteral("{\"title\":\"T\",%1\"vocabularies\":[%2]}").arg(extra, cards);
}

std::unique_ptr<Book> parse(const QString& text) {
    auto r = BookDocument::Parse(text, 7);
    EXPECT_TRUE(r.book) << r.error.toStdString();
    return std::move(r.book);
}

QString refusal(const QString& text) {
    auto r = BookDocument::Parse(text, 7);
    EXPECT_FALSE(r.book);
    EXPECT_FALSE(r.error.isEmpty());
    return r.error;
}

TEST(BookDocument, CardsPluginsAndOrders) {
    auto book = parse(QString::fromUtf8(
        R"({"title":"토익 단어","sound_plugin":{"url":"http://s/%word%","type":"url","file_type":"mp3"},)"
        R"("image_plugin":{"url":"http://i/%word%","type":"img"},"style_plugin":{"name":{"color":"red"}},)"
        R"("other":1,"vocabularies":[["apple","사과","An apple.",12,0],["Apple","회사","",4294967295,2],0]})"));
    ASSERT_TRUE(book);
    EXPECT_EQ(book->id, 7u);
    EXPECT_EQ(book->title, QString::fromUtf8("토익 단어"));
    EXPECT_TRUE(book->has_sound);
    EXPECT_EQ(book->sound.url, "http://s/%word%");
    EXPECT_EQ(book->sound.file_type, "mp3");
    EXPECT_TRUE(book->has_image);
    EXPECT_EQ(book->image.type, "img");
    EXPECT_TRUE(book->has_style);
    EXPECT_EQ(book->style, R"({"name":{"color":"red"}})");
    ASSERT_EQ(book->vocabularies.size(), 2u);
    EXPECT_EQ(book->vocabularies[0].mean, QString::fromUtf8("사과"));
    EXPECT_EQ(book->vocabularies[0].id, 12u);
    EXPECT_FALSE(book->vocabularies[0].complete);
    EXPECT_EQ(book->vocabularies[1].id, 4294967295u);
    EXPECT_TRUE(book->vocabularies[1].complete);
    EXPECT_EQ(book->images.size(), 2u);
    EXPECT_EQ(book->sounds.size(), 2u);
    EXPECT_EQ(book->sounds[1].state, MediaEntry::Unresolved);
    EXPECT_EQ(book->card_order, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(book->sorted_order, (std::vector<uint32_t>{1, 0}));
}

TEST(BookDocument, TerminatorAndEmptyBooks) {
    for (const char* terminator : {"0", "null", "[]", "\"\"", "{\"x\":1}", "[1,2]"}) {
        auto book = parse(doc(QStringLiteral("[\"a\",\"b\",\"c\",1,0],%1").arg(terminator)));
        ASSERT_TRUE(book) << terminator;
        ASSERT_EQ(book->vocabularies.size(), 1u) << terminator;
        EXPECT_EQ(book->vocabularies[0].name, "a");
    }
    auto onlyTerminator = parse(doc("0"));
    ASSERT_TRUE(onlyTerminator);
    EXPECT_TRUE(onlyTerminator->vocabularies.empty());
    EXPECT_TRUE(onlyTerminator->card_order.empty());
    auto noElements = parse(doc(""));
    ASSERT_TRUE(noElements);
    EXPECT_TRUE(noElements->vocabularies.empty());
}

TEST(BookDocument, PluginPresence) {
    auto nulls = parse(doc("0", R"("sound_plugin":null,"image_plugin":null,"style_plugin":null,)"));
    EXPECT_FALSE(nulls->has_sound);
    EXPECT_FALSE(nulls->has_image);
    EXPECT_FALSE(nulls->has_style);
    auto absent = parse(doc("0"));
    EXPECT_FALSE(absent->has_sound);
    auto emptyStyle = parse(doc("0", R"("style_plugin":{},)"));
    EXPECT_TRUE(emptyStyle->has_style);
    EXPECT_EQ(emptyStyle->style, "{}");
    auto scalarStyle = parse(doc("0", R"("style_plugin":false,)"));
    EXPECT_TRUE(scalarStyle->has_style);
    EXPECT_EQ(scalarStyle->style, "false");
}

TEST(BookDocument, OutsideTheFormatIsRefusedWhole) {
    EXPECT_TRUE(refusal(R"({"vocabularies":[0]})").contains("value type is 6 not 2"));
    refusal(R"({"title":"T"})");
    refusal(R"({"title":5,"vocabularies":[0]})");
    refusal(R"({"title":"T","vocabularies":{}})");
    refusal(R"([1,2,3])");
    refusal("");
    refusal("not json");
    refusal(R"({"title":"T","vocabularies":[["a","b","c",1,0],0)"); // truncated body
    refusal(doc(R"(["a","b","c",1],0)"));                           // four elements
    refusal(doc(R"(["a","b","c",true,0],0)"));                      // boolean id
    refusal(doc(R"(["a","b","c","1",0],0)"));                       // numeric string
    refusal(doc(R"(["a","b","c",1,1.0],0)"));                       // real
    refusal(doc(R"(["a","b","c",1,0],"x",0)"));                     // a card that is not an array
    refusal(doc(R"(["a",null,"c",1,0],0)"));
    refusal(doc("0", R"("sound_plugin":{"url":"u","type":"t"},)")); // missing file_type
    refusal(doc("0", R"("image_plugin":{"url":"u"},)"));
    refusal(doc("0", R"("image_plugin":"u",)"));
    // A byte-order mark decoded into the text is not JSON whitespace.
    refusal(QString(QChar(0xFEFF)) + doc("0"));
    // Integers beyond 64 bits become reals and are refused; deep nesting ends cleanly.
    refusal(doc(R"(["a","b","c",123456789012345678901234567890,0],0)"));
    refusal(
        doc("0", QStringLiteral("\"style_plugin\":%1%2,").arg(QString(100000, '['), QString(100000, ']'))));
}

TEST(BookDocument, OddButValidValues) {
    auto book = parse(
        doc(R"(["a","b","c",-1,4294967296],["x\u0000y","\ud83d\ude00","",18446744073709551615,1,"more"],0)"));
    ASSERT_TRUE(book);
    EXPECT_EQ(book->vocabularies[0].id, 4294967295u); // low 32 bits of -1
    EXPECT_FALSE(book->vocabularies[0].complete);     // low 32 bits of 2^32 are zero
    EXPECT_EQ(book->vocabularies[1].name.size(), 3);
    EXPECT_EQ(book->vocabularies[1].mean, QString::fromUtf8("😀"));
    EXPECT_EQ(book->vocabularies[1].id, 4294967295u);
}

TEST(BookDocument, LenientDocumentsGiveTheModelOfTheirCleanForm) {
    // Each pair: what the service may send, and the clean document with the same content.
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"{\"title\":\"a\tb\",\"vocabularies\":[[\"x\ny\",\"\r\n\x01\x1f\",\"\x7f\",1,0],0]}",
         R"({"title":"a\tb","vocabularies":[["x\ny","\r\n\u0001\u001f","\u007f",1,0],0]})"},
        {R"({"title":"T","vocabularies":[["a","b","c",+12,007],["d","e","f",-0012,+0],[ "g","h","i" , 00 ,0],0]})",
         R"({"title":"T","vocabularies":[["a","b","c",12,7],["d","e","f",-12,0],["g","h","i",0,0],0]})"},
        {R"({"title":"T","vocabularies":[0]} tail {"title":"U")", R"({"title":"T","vocabularies":[0]})"},
        {R"({"title":"\ud800x\uDFFF","vocabularies":[["\ud83d\ude00","\ud800\ud800\udc00","\ud800\u0041",1,0],0]})",
         R"({"title":"\ufffdx\ufffd","vocabularies":[["😀","\ufffd\ud800\udc00","\ufffdA",1,0],0]})"},
        // Four-byte characters as the service sends them, with a raw tab beside them.
        {"{\"title\":\"\xF0\x9F\x98\x80\",\"vocabularies\":[[\"\xF0\x9F\x98\x80 smile\",\"\t\",\"\",1,0],0]}",
         R"({"title":"\ud83d\ude00","vocabularies":[["\ud83d\ude00 smile","\t","",1,0],0]})"},
    };
    for (const auto& [lenient, clean] : cases) {
        auto got = parse(Utf8ToWide(lenient));
        auto want = parse(Utf8ToWide(clean));
        ASSERT_TRUE(got && want) << lenient.toStdString();
        EXPECT_TRUE(BookDocumentCheck::SameModel(*got, *want)) << lenient.toStdString();
    }
    auto emoji = parse(Utf8ToWide(cases[4].first));
    EXPECT_EQ(emoji->vocabularies[0].name, QString::fromUtf8("😀 smile"));
    EXPECT_EQ(emoji->vocabularies[0].mean, QStringLiteral("\t"));

    // Leniency stops at these: they stay outside the format.
    refusal(doc(R"(["a","b","c",1+2,0],0)"));
    refusal(doc(R"(["a","b","c",+-1,0],0)"));
    refusal(doc(R"(["a","b","c",+,0],0)"));
    refusal(doc(R"(["a\x","b","c",1,0],0)"));
    refusal(QStringLiteral("{\"title\":\"T\",\x01\"vocabularies\":[0]}"));
    refusal(QStringLiteral("{\"title\":\"T\t\",\"vocabularies\":[[\"a\",\"b\"],0]}"));
    refusal(QStringLiteral("{\"title\":\"T\t\",\"vocabularies\":[0]")); // cut short
    refusal(QStringLiteral("\"T\t\" {\"title\":\"T\",\"vocabularies\":[0]}"));
}

using BookDocumentCheck::ReferenceSort;

std::vector<Vocabulary> cardsNamed(const std::vector<QString>& names) {
    std::vector<Vocabulary> cards;
    for (std::size_t i = 0; i < names.size(); ++i)
        cards.push_back(Vocabulary{names[i], {}, {}, static_cast<uint32_t>(i), false});
    return cards;
}

std::vector<uint32_t> identity(std::size_t n) {
    std::vector<uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = static_cast<uint32_t>(i);
    return order;
}

TEST(SortByName, CodeUnitOrder) {
    const auto cards = cardsNamed({"apple", "Apple", "apples", QString::fromUtf8("사과")});
    auto order = identity(4);
    BookDocument::SortByName(order, cards);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 0, 2, 3}));
    // Code units, not code points: U+FF5E sorts after a surrogate pair (0xD83D...).
    EXPECT_TRUE(BookDocument::NameLess(QString::fromUtf8("😀"), QString(QChar(0xFF5E))));
    EXPECT_TRUE(BookDocument::NameLess("", "a"));
    EXPECT_FALSE(BookDocument::NameLess("a", "a"));
}

TEST(SortByName, EqualNamesFollowTheReferenceExactly) {
    // The equal "b" cards are rearranged by the partition; the result must match it card for card.
    const auto cards = cardsNamed({"b", "a", "b", "c", "b", "a", "b"});
    auto order = identity(cards.size());
    auto expected = order;
    ReferenceSort(expected, cards, 0, static_cast<long>(expected.size()) - 1);
    BookDocument::SortByName(order, cards);
    EXPECT_EQ(order, expected);

    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 1 + rng() % 60;
        std::vector<QString> names;
        const int alphabet = 1 + static_cast<int>(rng() % 6);
        for (std::size_t i = 0; i < n; ++i)
            names.push_back(QString(QChar('a' + static_cast<int>(rng() % alphabet))));
        const auto shuffled = cardsNamed(names);
        auto mine = identity(n);
        std::shuffle(mine.begin(), mine.end(), rng);
        auto reference = mine;
        ReferenceSort(reference, shuffled, 0, static_cast<long>(n) - 1);
        BookDocument::SortByName(mine, shuffled);
        ASSERT_EQ(mine, reference) << "round " << round;
    }
}

TEST(SortByName, LargeSortedBookWithDuplicatesStaysFlat) {
    // 100,000 names already in order, with duplicates: the reference would recurse 100,000 deep.
    std::vector<QString> names;
    for (int i = 0; i < 100000; ++i)
        names.push_back(QStringLiteral("w%1").arg(i / 3, 6, 10, QLatin1Char('0')));
    const auto cards = cardsNamed(names);
    auto order = identity(names.size());
    BookDocument::SortByName(order, cards);
    EXPECT_EQ(order, identity(names.size()));
}

} // namespace
