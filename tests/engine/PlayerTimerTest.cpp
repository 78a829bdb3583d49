// The playback engine against a scripted service client and a recording display: navigation, the
// countdown, orders, marks, the learning log, media resolution, load tasks and the lifetime of its
// workers. Most cases run the workers on a manual executor (the test decides when they run); the last
// ones run real threads, and the core is read from two threads at once.
#include "engine/PlayerTimer.h"

#include "engine/EngineCore.h"
#include "engine/EngineFakes.h"
#include "engine/LearningLog.h"
#include "engine/ManualExecutor.h"
#include "engine/ThreadExecutor.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

const QString kNoCards = QStringLiteral("학습할 단어가 존재하지 않습니다.");
const QString kSoundPlugin = QStringLiteral(R"({"url":"http://s/%id%","type":"wav","file_type":"wav"})");
const QString kSoundUrlPlugin = QStringLiteral(R"({"url":"http://s/%id%","type":"url","file_type":"wav"})");
const QString kImageUrlPlugin = QStringLiteral(R"({"url":"http://i/%id%","type":"url"})");
constexpr int32_t kBook = 7;

class PlayerTimerTest : public ::testing::Test {
  protected:
    // Loads a book with these cards and shows its first card, as the main view does after a load.
    void Load(const QString& doc) {
        service.SetBook(kBook, doc);
        if (!engine) {
            engine = std::make_unique<PlayerTimer>(service, &executor);
            display.Attach(*engine);
        }
        ASSERT_EQ(engine->LoadBook(kBook), 0);
        engine->ShowCard(engine->Position());
    }
    void Load(int n) { Load(BookJson(Names(n))); }

    // Runs every worker to its end and hands over what they report.
    void Settle() { executor.Settle(); }

    FakeService service;
    ManualExecutor executor;
    RecordingDisplay display;
    std::unique_ptr<PlayerTimer> engine;
};

TEST_F(PlayerTimerTest, NavigationWrapsAroundBothWays) {
    Load(5);
    engine->ShowCard(4);
    engine->Next();
    EXPECT_EQ(engine->Position(), 0u);
    EXPECT_EQ(display.LastCounter(), std::make_pair(1, 5));
    EXPECT_EQ(display.LastName(), QStringLiteral("w0000"));
    engine->Prev();
    EXPECT_EQ(engine->Position(), 4u);
    EXPECT_EQ(display.LastCounter(), std::make_pair(5, 5));
    EXPECT_EQ(display.LastName(), QStringLiteral("w0004"));

    // A position past the end, however large, shows the first card instead of reading beyond the list.
    engine->ShowCard(0xFFFFFFFFu);
    EXPECT_EQ(engine->Position(), 0u);
    EXPECT_EQ(display.LastName(), QStringLiteral("w0000"));
}

TEST_F(PlayerTimerTest, SingleCardAndEmptyBooks) {
    Load(1);
    engine->Next();
    engine->Prev();
    EXPECT_EQ(display.cards.size(), 3u);
    EXPECT_EQ(display.LastCounter(), std::make_pair(1, 1));

    Load(0);
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_EQ(display.LastCounter(), std::make_pair(0, 0));
    EXPECT_EQ(display.messages.back(), kNoCards);
    engine->Next();
    engine->Prev();
    EXPECT_EQ(display.messages.size(), 3);
    engine->StartPlaying();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    EXPECT_FALSE(display.states.back().current_open);

    // Without a display, showing moves the position only: nothing is recorded as seen.
    PlayerTimer bare(service, &executor);
    service.SetBook(8, BookJson(Names(3), QString(), kImageUrlPlugin));
    ASSERT_EQ(bare.LoadBook(8), 0);
    bare.ShowCard(2);
    EXPECT_EQ(bare.Position(), 2u);
    EXPECT_TRUE(bare.SeenIds().empty());
}

TEST_F(PlayerTimerTest, CountdownKeepsItsPhaseAcrossAManualNext) {
    Load(20);
    engine->StartPlaying();
    ASSERT_TRUE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    std::vector<int> changes; // tick numbers at which the card changed
    for (int t = 1; t <= 15; ++t) {
        const uint32_t before = engine->Position();
        engine->OnTimer(PlayerTimer::CountdownTimer);
        if (engine->Position() != before)
            changes.push_back(t);
        if (t == 7) {
            engine->Next(); // shows the next card at once and restarts the full period
            EXPECT_EQ(engine->Position(), 2u);
        }
    }
    // Without the manual step the changes would come at 5, 10 and 15.
    EXPECT_EQ(changes, (std::vector<int>{5, 12}));
    EXPECT_EQ(engine->Position(), 3u);
    EXPECT_TRUE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
}

TEST_F(PlayerTimerTest, DelayComesFromOutsideAndBelowOneSecondCountsAsOne) {
    // The engine reads no settings: until it is told, a card stays five seconds.
    SettingsStore::WriteInt(SettingsStore::DelayTime.name, 9);
    Load(4);
    EXPECT_EQ(engine->DelayTime(), 5);
    EXPECT_TRUE(engine->AutoPlay());

    engine->SetDelayTime(-3);
    EXPECT_EQ(engine->DelayTime(), 1);
    engine->StartPlaying(); // would never return if the countdown advanced at once for a delay of 0
    EXPECT_EQ(engine->Position(), 0u);
    engine->OnTimer(PlayerTimer::CountdownTimer);
    EXPECT_EQ(engine->Position(), 1u);
    engine->OnTimer(PlayerTimer::CountdownTimer);
    EXPECT_EQ(engine->Position(), 2u);
    engine->SetDelayTime(0);
    EXPECT_EQ(engine->DelayTime(), 1);
}

TEST_F(PlayerTimerTest, OrdersCycleAndEveryShuffleIsFresh) {
    Load(BookJson({QStringLiteral("pear"), QStringLiteral("Apple"), QStringLiteral("apple"),
                   QStringLiteral("사과"), QStringLiteral("apples")}));
    EXPECT_EQ(engine->SetOrder(1), 1);
    EXPECT_EQ(engine->ActiveOrder(), (std::vector<uint32_t>{1, 2, 4, 0, 3}));
    EXPECT_EQ(display.LastName(), QStringLiteral("Apple"));
    EXPECT_EQ(engine->SetOrder(9), 3);
    EXPECT_EQ(engine->OrderMode(), 1);
    EXPECT_EQ(display.states.back().order, 1);

    Load(60);
    engine->SeedShuffle(17);
    std::vector<uint32_t> identity(60);
    for (uint32_t i = 0; i < 60; ++i)
        identity[i] = i;
    std::vector<std::vector<uint32_t>> shuffles;
    for (int round = 0; round < 3; ++round) {
        engine->ShowCard(17);
        // Three order commands in a row: sorted, random, and back to card order at its first card.
        for (int k = 0; k < 3; ++k) {
            const int mode = (engine->OrderMode() + 1) % 3;
            ASSERT_EQ(engine->SetOrder(mode), mode);
            EXPECT_EQ(engine->Position(), 0u);
            if (mode == 2)
                shuffles.push_back(engine->ActiveOrder());
        }
        EXPECT_EQ(engine->OrderMode(), 0);
        EXPECT_EQ(engine->ActiveOrder(), identity);
    }
    for (auto s : shuffles) {
        std::sort(s.begin(), s.end());
        EXPECT_EQ(s, identity); // a permutation of the card order
    }
    EXPECT_NE(shuffles[0], shuffles[1]);
    EXPECT_NE(shuffles[1], shuffles[2]);

    // The same seed shuffles the same way.
    engine->SeedShuffle(17);
    engine->SetOrder(2);
    EXPECT_EQ(engine->ActiveOrder(), shuffles[0]);
}

TEST_F(PlayerTimerTest, CardChangesWithin200msLeadToOnePronunciation) {
    Load(BookJson(Names(6), kSoundPlugin));
    Settle(); // the prefetch resolves every entry without the network

    // Showing a card arms nothing.
    engine->ShowCard(1);
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::SoundTimer));
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));

    engine->Next();
    engine->Next();
    ASSERT_TRUE(engine->IsTimerActive(PlayerTimer::SoundTimer));
    engine->OnTimer(PlayerTimer::SoundTimer);
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::SoundTimer));
    Settle();
    // The URL comes with the report.
    EXPECT_EQ(display.sounds, std::vector<QString>{QStringLiteral("http://s/4")});

    // Away and back within the delay: the sound of the card on display when the timer fires.
    engine->Next();
    engine->Prev();
    engine->OnTimer(PlayerTimer::SoundTimer);
    Settle();
    EXPECT_EQ(display.sounds.size(), 2u);

    // Changed after the delay was armed by someone else: nothing starts.
    engine->ArmSound();
    engine->ShowCard(0);
    engine->OnTimer(PlayerTimer::SoundTimer);
    Settle();
    EXPECT_EQ(display.sounds.size(), 2u);
}

TEST_F(PlayerTimerTest, PronunciationRequestNeedsAPlugin) {
    Load(3);
    EXPECT_FALSE(engine->RequestSound());
    engine->ArmSound();
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::SoundTimer));
    Settle();
    EXPECT_TRUE(display.sounds.empty());

    Load(BookJson(Names(3), kSoundPlugin));
    EXPECT_TRUE(engine->RequestSound());
    Settle();
    EXPECT_EQ(display.sounds, std::vector<QString>{QStringLiteral("http://s/1")});
    EXPECT_EQ(engine->CurrentSoundUrl(), QStringLiteral("http://s/1"));
}

TEST_F(PlayerTimerTest, ForegroundClaimsAndThePrefetchRestartsAfterTheCardOnDisplay) {
    // While the prefetch is inside card 1's fetch, the user shows card 3 twice.
    bool inside = false;
    service.SetFetch([&](const QString& url) {
        if (url == QStringLiteral("http://i/2") && !inside) {
            inside = true;
            engine->ShowCard(3);
            EXPECT_TRUE(executor.RunOne(Executor::MediaLane)); // the foreground worker of card 3
            executor.DeliverAll();
            EXPECT_EQ(display.images, std::vector<QString>{QStringLiteral("media:http://i/4")});
            // Shown again: the entry is resolved, so the display is told without a new fetch.
            engine->ShowCard(3);
            EXPECT_EQ(executor.Queued(Executor::MediaLane), 0u);
            executor.DeliverAll();
            EXPECT_EQ(display.images.size(), 2u);
            EXPECT_EQ(service.Fetched().size(), 2u);
        }
        return std::make_pair(int(ServiceClient::ResultOk), QStringLiteral("media:") + url);
    });
    service.SetBook(kBook, BookJson(Names(5), QString(), kImageUrlPlugin));
    engine = std::make_unique<PlayerTimer>(service, &executor);
    display.Attach(*engine);
    ASSERT_EQ(engine->LoadBook(kBook), 0);
    // The prefetch skips the card on display (0) and starts with card 1.
    ASSERT_TRUE(executor.RunOne(Executor::MediaLane));
    ASSERT_TRUE(inside);
    Settle();
    // The pass starts anew right after card 3, in document order, skipping the resolved entries.
    EXPECT_EQ(service.Fetched(), (std::vector<std::string>{"http://i/2", "http://i/4", "http://i/5",
                                                           "http://i/1", "http://i/3"}));
    for (uint32_t c = 0; c < 5; ++c)
        EXPECT_EQ(engine->ImageEntry(c).state, c == 3 ? MediaEntry::Claimed : MediaEntry::Resolved) << c;
}

TEST_F(PlayerTimerTest, FailedFetchIsTriedAgainAndAnAnswerIsKeptAsItCame) {
    int calls = 0;
    service.SetFetch([&calls](const QString&) {
        ++calls; // only foreground workers of the one card fetch, one after another
        if (calls == 1)
            return std::make_pair(int(ServiceClient::ResultFailed), QStringLiteral("<html>error</html>"));
        if (calls == 2)
            return std::make_pair(int(ServiceClient::ResultNoRequest), QString());
        return std::make_pair(int(ServiceClient::ResultOk), QStringLiteral("http://pic/1.png\r\n"));
    });
    Load(BookJson(Names(1), QString(), kImageUrlPlugin)); // one card: the prefetch has nothing to do
    Settle();
    EXPECT_EQ(engine->ImageEntry(0).state, MediaEntry::Unresolved);
    EXPECT_EQ(display.images, std::vector<QString>{QString()});

    engine->ShowCard(0);
    Settle();
    EXPECT_EQ(engine->ImageEntry(0).state, MediaEntry::Unresolved);

    engine->ShowCard(0);
    Settle();
    EXPECT_EQ(engine->ImageEntry(0).state, MediaEntry::Resolved);
    EXPECT_EQ(engine->CurrentImageUrl(), QStringLiteral("http://pic/1.png\r\n"));
    EXPECT_EQ(service.Fetched().size(), 3u);
    EXPECT_EQ(display.images.size(), 3u);
    EXPECT_EQ(display.images.back(), QStringLiteral("http://pic/1.png\r\n"));
}

TEST_F(PlayerTimerTest, AWorkerOfTheBookBeforeServesNoCardOfTheNext) {
    // A pronunciation asked for, not yet fetched, when the next book arrives.
    Load(BookJson(Names(3), kSoundUrlPlugin));
    executor.Wait(Executor::MediaLane); // the prefetch
    engine->ShowCard(0);
    ASSERT_TRUE(engine->RequestSound());
    ASSERT_EQ(executor.Queued(Executor::MediaLane), 1u);
    service.SetBook(8, BookJson(Names(3), kSoundUrlPlugin));
    ASSERT_EQ(engine->LoadBook(8), 0);
    engine->ShowCard(0);
    const size_t fetched = service.Fetched().size();
    ASSERT_TRUE(executor.RunOne(Executor::MediaLane)); // the old worker
    executor.DeliverAll();
    // Nothing plays: the new book's first card was never asked for.
    EXPECT_TRUE(display.sounds.empty());
    EXPECT_EQ(service.Fetched().size(), fetched);
    EXPECT_EQ(engine->SoundEntry(0).state, MediaEntry::Unresolved);
}

TEST_F(PlayerTimerTest, MarkingInSortedOrderShowsTheFollowingCard) {
    Load(BookJson({QStringLiteral("e"), QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("b"),
                   QStringLiteral("a")}));
    engine->SetOrder(1);
    engine->ShowCard(2);
    ASSERT_EQ(display.LastName(), QStringLiteral("c"));
    ASSERT_TRUE(engine->IsCurrentOpen());
    engine->CompleteCurrent();
    EXPECT_EQ(display.LastCounter(), std::make_pair(3, 4));
    EXPECT_EQ(display.LastName(), QStringLiteral("d"));
    EXPECT_EQ(engine->ActiveOrder(), (std::vector<uint32_t>{4, 3, 1, 0}));

    engine->ShowCard(3);
    engine->CompleteCurrent(); // the last card of the list: the first one follows
    EXPECT_EQ(display.LastName(), QStringLiteral("a"));
    EXPECT_EQ(display.LastCounter(), std::make_pair(1, 3));
    engine->SetOrder(0);
    EXPECT_EQ(engine->ActiveOrder(), (std::vector<uint32_t>{1, 3, 4}));

    // One worker sends the marks in order, each with the book it was made in.
    EXPECT_EQ(executor.Queued(Executor::MarkLane), 1u);
    Settle();
    EXPECT_EQ(service.Completed(),
              (std::vector<std::pair<uint32_t, uint32_t>>{{102, uint32_t(kBook)}, {100, uint32_t(kBook)}}));
}

TEST_F(PlayerTimerTest, MarkingInRandomOrderLeavesEveryList) {
    Load(8);
    engine->SetOrder(2);
    const std::vector<uint32_t> shuffle = engine->ActiveOrder();
    engine->ShowCard(3);
    engine->CompleteCurrent();
    std::vector<uint32_t> expected = shuffle;
    expected.erase(expected.begin() + 3);
    EXPECT_EQ(engine->ActiveOrder(), expected);
    EXPECT_EQ(engine->Position(), 3u);
    EXPECT_EQ(display.LastCounter(), std::make_pair(4, 7));
    EXPECT_EQ(display.LastName(), QStringLiteral("w%1").arg(shuffle[4], 4, 10, QLatin1Char('0')));

    engine->SetOrder(1);
    EXPECT_EQ(engine->ActiveCount(), 7u);
    engine->SetOrder(2);
    std::vector<uint32_t> fresh = engine->ActiveOrder();
    std::sort(fresh.begin(), fresh.end());
    EXPECT_EQ(std::count(fresh.begin(), fresh.end(), shuffle[3]), 0);
    EXPECT_EQ(fresh.size(), 7u);
}

TEST_F(PlayerTimerTest, MarkingTheLastCardWhilePlayingStops) {
    Load(BookJson(Names(2), kSoundPlugin, QString(), {true, false}));
    EXPECT_FALSE(engine->IsCurrentOpen());
    EXPECT_FALSE(display.states.back().current_open);
    engine->CompleteCurrent(); // memorised at load: refused
    EXPECT_EQ(engine->ActiveCount(), 2u);

    engine->StartPlaying();
    engine->OnTimer(PlayerTimer::CountdownTimer);
    engine->Next();
    ASSERT_TRUE(engine->IsCurrentOpen());
    EXPECT_TRUE(display.states.back().current_open);
    EXPECT_TRUE(display.states.back().playing);
    engine->CompleteCurrent();
    EXPECT_TRUE(engine->IsPlaying()); // the memorised card remains
    EXPECT_TRUE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    EXPECT_EQ(engine->Remaining(), 4); // a full period for the card now on display

    // Load again with only open cards, then mark them all.
    Load(BookJson(Names(1), kSoundPlugin));
    engine->StartPlaying();
    engine->CompleteCurrent();
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(display.states.back().playing);
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    EXPECT_EQ(display.messages.back(), kNoCards);
    EXPECT_EQ(display.LastCounter(), std::make_pair(0, 0));
    EXPECT_FALSE(engine->IsCurrentOpen());
    engine->CompleteCurrent();
    Settle();
    EXPECT_EQ(service.Completed().size(), 2u);
}

TEST_F(PlayerTimerTest, LearningLogFollowsTheServiceDate) {
    service.QueueLogAnswer("2024-05-01"); // the first send after a load
    service.QueueLogAnswer("2024-05-01"); // the same date: the list stays
    service.QueueLogAnswer("", ServiceClient::ResultFailed);
    service.QueueLogAnswer("2024-05-02"); // a new date: collecting starts anew
    Load(BookJson({QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_TRUE(engine->IsTimerActive(PlayerTimer::LogTimer));
    Settle(); // the send at once, before any card was recorded
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-05-01"));

    engine->ShowCard(1);
    engine->ShowCard(0);
    engine->ShowCard(1);
    for (int i = 0; i < 3; ++i) {
        engine->OnTimer(PlayerTimer::LogTimer);
        Settle();
    }
    EXPECT_TRUE(engine->SeenIds().empty());
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-05-02"));
    engine->OnTimer(PlayerTimer::LogTimer);
    Settle();

    const auto logs = service.Logs();
    ASSERT_EQ(logs.size(), 5u);
    EXPECT_EQ(logs[0].date, "");
    EXPECT_EQ(logs[1].date, "2024-05-01");
    // The first card, shown while the first send was under way, was never sent: the new date keeps it.
    // 101 shown twice, recorded once.
    EXPECT_EQ(logs[1].content, "100,101");
    EXPECT_EQ(logs[2].content, "100,101");
    EXPECT_EQ(logs[3].content, "100,101"); // the failed send changed nothing
    EXPECT_EQ(logs[4].date, "2024-05-02");
    EXPECT_EQ(logs[4].content, "");

    // A new load forgets the date and sends at once without one.
    ASSERT_EQ(engine->LoadBook(kBook), 0);
    Settle();
    EXPECT_EQ(service.Logs().back().date, "");
    EXPECT_EQ(PlayerTimer::LogContent({12, 7, 4294967295u}), QByteArray("12,7,4294967295"));
}

TEST_F(PlayerTimerTest, LearningLogLosesNoCardToAStrangeAnswerOrAnOverlappingSend) {
    service.QueueLogAnswer("2024-05-01");
    service.QueueLogAnswer("<html>502 Bad Gateway</html>"); // a proxy's page is no date
    service.QueueLogAnswer("2024-05-02");
    service.QueueLogAnswer("2024-05-02");
    Load(BookJson({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}));
    Settle();
    ASSERT_EQ(engine->LogDate(), QByteArray("2024-05-01"));
    engine->ShowCard(1);

    // The strange answer: the date and the cards stay, and the next send carries them again.
    engine->OnTimer(PlayerTimer::LogTimer);
    Settle();
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-05-01"));
    EXPECT_EQ(engine->SeenIds(), (std::vector<uint32_t>{100, 101}));

    // Timer 3 again while that send still waits for its answer: no second send starts. A card seen
    // after the send took its list is kept when the answer brings a new date.
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->ShowCard(2);
    Settle();
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-05-02"));
    EXPECT_EQ(engine->SeenIds(), std::vector<uint32_t>{102});
    engine->OnTimer(PlayerTimer::LogTimer);
    Settle();

    const auto logs = service.Logs();
    ASSERT_EQ(logs.size(), 4u);
    EXPECT_EQ(logs[1].content, "100,101");
    EXPECT_EQ(logs[2].date, "2024-05-01");
    EXPECT_EQ(logs[2].content, "100,101");
    EXPECT_EQ(logs[3].date, "2024-05-02");
    EXPECT_EQ(logs[3].content, "102");
    EXPECT_TRUE(LearningLog::IsDate("2026-12-09"));
    for (const char* answer : {"", "2026-12-9", "2026/12/09", "2026-12-09x", "20261209--", "2026년"})
        EXPECT_FALSE(LearningLog::IsDate(answer)) << answer;
}

TEST_F(PlayerTimerTest, LoadOutcomes) {
    Load(BookJson(Names(3), QString(), QString()));
    engine->StartPlaying();

    // Unreachable: everything stays as it was.
    service.SetBook(8, QString(), ServiceClient::ResultFailed);
    EXPECT_EQ(engine->LoadBook(8), PlayerTimer::E_FAIL);
    EXPECT_LT(PlayerTimer::E_FAIL, 0);
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_TRUE(engine->IsTimerActive(PlayerTimer::LogTimer));
    EXPECT_EQ(engine->ActiveCount(), 3u);

    // Outside the format: nothing is loaded and nothing half-built remains.
    for (const QString& bad :
         {QStringLiteral("{\"title\":\"broken\",\"vocabularies\":[[\"a\",\"b\"],0]}"),
          QStringLiteral("{\"vocabularies\":[0]}"), QStringLiteral("[1,2"),
          QStringLiteral("{\"title\":\"T\",\"image_plugin\":{\"url\":1},\"vocabularies\":[0]}")}) {
        Load(BookJson(Names(3)));
        engine->StartPlaying();
        service.SetBook(9, bad);
        EXPECT_EQ(engine->LoadBook(9), PlayerTimer::E_FAIL) << bad.toStdString();
        EXPECT_FALSE(engine->IsLoaded());
        EXPECT_FALSE(engine->IsPlaying());
        EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
        EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::LogTimer));
        EXPECT_EQ(engine->ActiveCount(), 0u);
        EXPECT_TRUE(engine->Title().isEmpty());
        EXPECT_TRUE(engine->CurrentImageUrl().isEmpty());
        EXPECT_FALSE(display.states.back().loaded);
        engine->ShowCard(0);
        EXPECT_EQ(display.messages.back(), kNoCards);
    }

    // The service has no book: nothing is loaded, the countdown has stopped.
    Load(BookJson(Names(3)));
    engine->StartPlaying();
    service.SetBook(10, QString());
    EXPECT_EQ(engine->LoadBook(10), 1);
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    EXPECT_EQ(engine->ActiveCount(), 0u);

    // No cards and no plug-in: no prefetch; a plug-in and cards: a prefetch over every card but the first.
    Settle();
    const int before = int(service.Fetched().size());
    Load(BookJson({}, kSoundUrlPlugin, kImageUrlPlugin));
    EXPECT_EQ(executor.Queued(Executor::MediaLane), 0u);
    Load(BookJson(Names(3), kSoundUrlPlugin, kImageUrlPlugin));
    Settle();
    std::vector<std::string> prefetched;
    int shownPicture = 0;
    const auto fetched = service.Fetched();
    for (size_t i = size_t(before); i < fetched.size(); ++i) {
        if (fetched[i] == "http://i/1")
            ++shownPicture; // the picture worker of the card on display
        else
            prefetched.push_back(fetched[i]);
    }
    EXPECT_EQ(shownPicture, 1);
    EXPECT_EQ(prefetched, (std::vector<std::string>{"http://s/2", "http://i/2", "http://s/3", "http://i/3"}));
}

TEST_F(PlayerTimerTest, LoadTasksReportWithTheirData) {
    engine = std::make_unique<PlayerTimer>(service, &executor);
    display.Attach(*engine);
    service.SetBook(
        1, QStringLiteral(R"({"title":"One","style_plugin":{"a":1},"vocabularies":[["x","y","z",1,0],0]})"));
    service.SetBook(2, QString());
    service.SetBook(3, QString(), ServiceClient::ResultFailed);

    engine->StartLoad(1);
    EXPECT_TRUE(engine->IsLoading());
    EXPECT_TRUE(display.states.back().loading);
    Settle();
    ASSERT_EQ(display.reports, std::vector<int>{RecordingDisplay::BookReady});
    EXPECT_EQ(display.books[0].title, QStringLiteral("One"));
    EXPECT_TRUE(display.books[0].has_style);
    EXPECT_EQ(display.books[0].style, QStringLiteral(R"({"a":1})"));
    EXPECT_EQ(display.books[0].cards, 1u);
    EXPECT_FALSE(engine->IsLoading());
    EXPECT_TRUE(display.states.back().loaded);
    EXPECT_FALSE(display.states.back().loading);

    engine->StartLoad(3);
    Settle();
    engine->StartClearMarks(2);
    Settle();
    EXPECT_EQ(display.reports, (std::vector<int>{1, 2, 3}));
    const auto calls = service.Calls();
    const auto clear = std::find(calls.begin(), calls.end(), "clear:2");
    ASSERT_NE(clear, calls.end());
    EXPECT_EQ(std::find(calls.begin(), clear, "book:2"), clear);
    EXPECT_NE(std::find(clear, calls.end(), "book:2"), calls.end());

    // A successful load superseded from the book list reports nothing, but its book is loaded.
    engine->StartLoad(1);
    EXPECT_TRUE(engine->HasLoadWorker());
    engine->CancelAndWaitForLoad();
    EXPECT_FALSE(engine->HasLoadWorker());
    EXPECT_FALSE(engine->CancelLoad());
    Settle();
    EXPECT_EQ(display.reports.size(), 3u);
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_FALSE(engine->IsLoading());
}

TEST_F(PlayerTimerTest, ALoadAbandonedByAResetBringsNothingWhileTheNextLoadPlays) {
    // The first account's book is still on its way when it signs out and another account opens its own.
    engine = std::make_unique<PlayerTimer>(service, &executor);
    display.Attach(*engine);
    service.SetBook(1, BookJson(Names(3)));
    service.SetBook(2, BookJson(Names(5)));
    engine->StartLoad(1);
    engine->ResetBook();
    EXPECT_FALSE(engine->IsLoading()); // the book menu is usable again at once
    engine->StartLoad(2);
    ASSERT_TRUE(executor.RunOne(Executor::LoadLane)); // the abandoned load ends first
    executor.DeliverAll();
    EXPECT_TRUE(display.reports.empty());
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_TRUE(engine->IsLoading());
    Settle();
    ASSERT_EQ(display.reports, std::vector<int>{RecordingDisplay::BookReady});
    EXPECT_EQ(engine->BookId(), 2u);
    EXPECT_EQ(engine->ActiveCount(), 5u);
    EXPECT_FALSE(engine->IsLoading());
    // Only the book that loaded sends its learning log.
    const auto calls = service.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "log"), 1);
}

// ---- real threads ----

TEST(EngineCoreThreads, InfoComesFromOneBook) {
    // Two books that differ in every plug-in field, installed in turn while the info is read.
    auto book = [](bool a) {
        Book b;
        b.title = a ? QStringLiteral("A") : QStringLiteral("B");
        b.has_sound = a;
        b.has_image = !a;
        b.has_style = true;
        b.style = a ? QStringLiteral(R"({"a":1})") : QStringLiteral(R"({"b":2})");
        b.vocabularies.resize(a ? 1 : 2);
        b.card_order = a ? std::vector<uint32_t>{0} : std::vector<uint32_t>{0, 1};
        return b;
    };
    EngineCore core(1);
    std::atomic<bool> done{false};
    std::thread loads([&] {
        for (int i = 0; i < 299; ++i) { // ends with B
            if (i % 3 == 2)
                core.Unload();
            else
                core.Install(book(i % 3 == 0));
        }
        done.store(true);
    });
    auto isB = [](const EngineCore::BookInfo& s) {
        return s.title == QStringLiteral("B") && !s.has_sound && s.has_image && s.style == R"({"b":2})" &&
               s.cards == 2;
    };
    while (!done.load()) {
        const EngineCore::BookInfo s = core.Info();
        const bool none = s.title.isEmpty() && !s.has_sound && !s.has_image && !s.has_style && s.cards == 0;
        const bool isA = s.title == QStringLiteral("A") && s.has_sound && !s.has_image &&
                         s.style == R"({"a":1})" && s.cards == 1;
        if (!none && !isA && !isB(s)) {
            ADD_FAILURE() << "mixed info " << s.title.toStdString() << s.has_sound << s.has_image
                          << s.style.toStdString() << s.cards;
            break;
        }
    }
    loads.join();
    EXPECT_TRUE(isB(core.Info())); // the last book installed
}

class PlayerTimerThreadsTest : public ::testing::Test {
  protected:
    void Load(const QString& doc) {
        service.SetBook(kBook, doc);
        engine = std::make_unique<PlayerTimer>(service, &executor);
        display.Attach(*engine);
        ASSERT_EQ(engine->LoadBook(kBook), 0);
        engine->ShowCard(0);
    }

    FakeService service;
    ThreadExecutor executor;
    RecordingDisplay display;
    std::unique_ptr<PlayerTimer> engine;
};

TEST_F(PlayerTimerThreadsTest, ResetBookWaitsForEveryMediaWorker) {
    // Every fetch fails, so every display fetches again.
    service.SetFetch(
        [](const QString&) { return std::make_pair(int(ServiceClient::ResultFailed), QString()); });
    Load(BookJson(Names(6), kSoundUrlPlugin, kImageUrlPlugin));
    engine->WaitForWorkers();
    service.SetDelay(std::chrono::milliseconds(1000));
    // Several foreground workers in flight at once: a picture and a pronunciation for each card, up to
    // the bound of each kind.
    for (int p = 1; p <= 3; ++p) {
        engine->ShowCard(uint32_t(p));
        engine->RequestSound();
        ASSERT_TRUE(service.WaitForInFlight(2 * std::min(p, PlayerTimer::kWorkersPerMediaKind), true));
    }
    engine->ResetBook();
    EXPECT_EQ(service.FetchesInFlight(), 0);
    EXPECT_EQ(executor.Running(Executor::MediaLane), 0u);
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_EQ(engine->ActiveCount(), 0u);
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::LogTimer));
}

TEST_F(PlayerTimerThreadsTest, ResultsComeBackToTheGuiThreadAndDestructionWaitsForEveryWorker) {
    // Every fetch fails, so every display fetches again.
    service.SetFetch(
        [](const QString&) { return std::make_pair(int(ServiceClient::ResultFailed), QString()); });
    Load(BookJson(Names(6), kSoundUrlPlugin, kImageUrlPlugin));
    engine->WaitForWorkers();
    QCoreApplication::processEvents();
    ASSERT_EQ(display.images.size(), 1u); // the first card's picture, handed over by the event loop

    service.SetDelay(std::chrono::milliseconds(300));
    service.SetBook(11, BookJson(Names(4), kSoundUrlPlugin, kImageUrlPlugin));
    engine->ShowCard(2);
    engine->RequestSound();
    engine->CompleteCurrent();
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->StartLoad(11);
    engine->StartClearMarks(11);
    // A picture, a pronunciation, a mark, a learning-log send and a load; the clear waits for the mark.
    ASSERT_TRUE(service.WaitForInFlight(5));
    engine.reset();
    EXPECT_EQ(service.InFlight(), 0);
    const int started = service.Started();
    QCoreApplication::processEvents(); // the results of the engine that is gone are dropped
    EXPECT_EQ(service.Started(), started);
    EXPECT_TRUE(display.reports.empty());
}

} // namespace
