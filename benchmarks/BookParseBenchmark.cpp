// Bytes of a book document in, Book with its sorted order out; and the name sort on its own.
#include "engine/BookDocument.h"
#include "service/TextEncoding.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <random>

namespace {

QByteArray makeDocument(int cards, bool rawTabs = false) {
    static const char* meanings[] = {"사과", "달리다, 뛰다", "아름다운", "책; 예약하다", "빠르게"};
    std::mt19937 rng(7);
    QByteArray out =
        R"({"title":"벤치마크 단어장","sound_plugin":{"url":"http://x/%word%","type":"url","file_type":"mp3"},)"
        R"("vocabularies":[)";
    for (int i = 0; i < cards; ++i) {
        out += "[\"word";
        out += QByteArray::number(rng() % 1000000);
        out += "\",\"";
        out += meanings[i % 5];
        out += "\",\"This is an example sentence number ";
        out += QByteArray::number(i);
        out += rawTabs ? "\tshowing the word in use.\"," : " showing the word in use.\",";
        out += QByteArray::number(100000 + i);
        out += ",";
        out += (i % 7 == 0) ? "1" : "0";
        out += "],";
    }
    out += "0]}";
    return out;
}

void BM_ParseDocument(benchmark::State& state) {
    const QByteArray bytes = makeDocument(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto result = BookDocument::Parse(Utf8ToWide(bytes), 1);
        if (!result.book)
            state.SkipWithError("document refused");
        benchmark::DoNotOptimize(result.book->sorted_order.data());
    }
    state.counters["MB"] = bytes.size() / 1e6;
}
BENCHMARK(BM_ParseDocument)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same document with a raw tab in every example: refused by the strict parse, rewritten, parsed again.
void BM_ParseLenientDocument(benchmark::State& state) {
    const QByteArray bytes = makeDocument(static_cast<int>(state.range(0)), true);
    for (auto _ : state) {
        auto result = BookDocument::Parse(Utf8ToWide(bytes), 1);
        if (!result.book)
            state.SkipWithError("document refused");
        benchmark::DoNotOptimize(result.book->sorted_order.data());
    }
}
BENCHMARK(BM_ParseLenientDocument)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortSortedWithDuplicates(benchmark::State& state) {
    std::vector<Vocabulary> cards(100000);
    for (int i = 0; i < 100000; ++i)
        cards[i].name = QStringLiteral("word%1").arg(i / 4, 6, 10, QLatin1Char('0'));
    std::vector<uint32_t> base(cards.size());
    for (uint32_t i = 0; i < base.size(); ++i)
        base[i] = i;
    for (auto _ : state) {
        auto order = base;
        BookDocument::SortByName(order, cards);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortSortedWithDuplicates)->Unit(benchmark::kMillisecond);

void BM_SortShuffledWithDuplicates(benchmark::State& state) {
    std::vector<Vocabulary> cards(100000);
    std::mt19937 rng(3);
    for (int i = 0; i < 100000; ++i)
        cards[i].name = QStringLiteral("word%1").arg(rng() % 50000);
    std::vector<uint32_t> base(cards.size());
    for (uint32_t i = 0; i < base.size(); ++i)
        base[i] = i;
    for (auto _ : state) {
        auto order = base;
        BookDocument::SortByName(order, cards);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_SortShuffledWithDuplicates)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
