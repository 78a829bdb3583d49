// The playback engine against the reference service: loading the demo books, resolving their
// plug-ins over the network, marks and clearing them, and the learning log under the service's date.
#include "player/PlayerTimer.h"

#include "player/EngineFakes.h"
#include "support/DevService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class PlayerServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        client->SetAutoSignIn(false);
        ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
        engine = std::make_unique<PlayerTimer>(*client);
        engine->Bind(&display);
        TaskStatusEvent::SetMainWindow(&mainWindow);
    }
    void TearDown() override {
        engine.reset();
        TaskStatusEvent::SetMainWindow(nullptr);
    }

    // Loads through a load worker, as the main view does, and shows the first card.
    void Open(uint32_t book, bool clearMarks = false) {
        const size_t before = mainWindow.codes.size();
        if (clearMarks)
            engine->StartClearMarks(book);
        else
            engine->StartLoad(book);
        ASSERT_TRUE(WaitUntil([&] { return mainWindow.codes.size() > before; }));
        ASSERT_EQ(mainWindow.codes.back(), TaskStatusEvent::TASK_BOOK_READY);
        engine->CancelAndWaitForLoad();
        engine->WaitForWorkers(); // the first learning-log answer and the prefetch
        engine->ShowCard(engine->Position());
    }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    RecordingDisplay display;
    StatusRecorder mainWindow;
    std::unique_ptr<PlayerTimer> engine;
};

TEST_F(PlayerServiceTest, PicturesAreFetchedThroughTheUrlPlugin) {
    Open(3);
    EXPECT_EQ(engine->Title(), QStringLiteral("그림으로 익히는 영단어"));
    EXPECT_TRUE(engine->HasImage());
    EXPECT_FALSE(engine->HasSound());
    ASSERT_EQ(engine->ActiveCount(), 12u);
    ASSERT_TRUE(WaitUntil([&] {
        for (uint32_t c = 0; c < 12; ++c)
            if (engine->ImageEntry(c).state == MediaEntry::Unresolved)
                return false;
        return display.receiver.Count(TaskStatusEvent::PANEL_IMAGE_READY) == 1;
    }));
    EXPECT_EQ(engine->CurrentImageUrl(),
              service.BaseUrl() + QStringLiteral("/application/plugin/picture/cat.svg"));
    EXPECT_EQ(engine->ImageEntry(11).url,
              service.BaseUrl() + QStringLiteral("/application/plugin/picture/moon.svg"));
    // Each card's picture was asked for once, with its 1-based position and its name.
    const auto requests = service.RequestsTo("/application/plugin/picture_url/");
    EXPECT_EQ(requests.size(), 12u);
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const DevService::Request& r) {
                                return r.target == "/application/plugin/picture_url/12?word=moon";
                            }),
              1);
}

TEST_F(PlayerServiceTest, PronunciationOfTheCardOnDisplay) {
    Open(2);
    ASSERT_TRUE(engine->HasSound());
    engine->Next();
    engine->OnTimer(PlayerTimer::SoundTimer);
    ASSERT_TRUE(WaitUntil([&] { return display.receiver.Count(TaskStatusEvent::PANEL_SOUND_READY) == 1; }));
    EXPECT_EQ(engine->CurrentSoundUrl(),
              service.BaseUrl() + QStringLiteral("/application/plugin/speech/water"));
}

TEST_F(PlayerServiceTest, MarksReachTheServiceAndClearingReloadsTheBook) {
    Open(1);
    engine->SetOrder(1); // sorted: advice, answer, apple, ...
    engine->ShowCard(2);
    ASSERT_EQ(display.LastName(), QStringLiteral("apple"));
    engine->CompleteCurrent();
    EXPECT_EQ(display.LastName(), QStringLiteral("believe"));
    EXPECT_EQ(engine->ActiveCount(), 59u);
    engine->WaitForWorkers();
    EXPECT_EQ(service.Marks("demo"), (std::vector<int64_t>{1001}));

    // A fresh load brings the marked card back, memorised.
    Open(1);
    EXPECT_EQ(engine->ActiveCount(), 60u);
    EXPECT_FALSE(engine->IsCurrentOpen());
    EXPECT_TRUE(engine->LoadedBook().vocabularies[0].complete);

    Open(1, true);
    EXPECT_TRUE(service.Marks("demo").empty());
    EXPECT_TRUE(engine->IsCurrentOpen());
}

TEST_F(PlayerServiceTest, LearningLogUnderTheServiceDate) {
    ASSERT_TRUE(service.SetLogDate("2024-03-01"));
    Open(1); // the first send, without a date, brings the date
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-03-01"));
    engine->ShowCard(3);
    engine->ShowCard(1);
    engine->ShowCard(3);
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->WaitForWorkers();
    auto log = service.LearningLog("demo");
    EXPECT_EQ(log["2024-03-01"], (std::vector<int64_t>{1001, 1004, 1002}));

    // The service moves on to another date: collecting starts anew under it.
    ASSERT_TRUE(service.SetLogDate("2024-03-02"));
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->WaitForWorkers();
    EXPECT_EQ(engine->LogDate(), QByteArray("2024-03-02"));
    EXPECT_TRUE(engine->SeenIds().empty());
    engine->ShowCard(5);
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->WaitForWorkers();
    log = service.LearningLog("demo");
    EXPECT_EQ(log["2024-03-02"], (std::vector<int64_t>{1006}));
}

TEST_F(PlayerServiceTest, UnreachableServiceKeepsTheLoadedBook) {
    Open(4);
    DevService::Fault fault;
    fault.path = "/application/book/1";
    fault.status = 500;
    ASSERT_TRUE(service.SetFault(fault));
    engine->StartLoad(1);
    ASSERT_TRUE(WaitUntil([&] { return mainWindow.codes.back() == TaskStatusEvent::TASK_LOAD_FAILED; }));
    engine->CancelAndWaitForLoad();
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_EQ(engine->BookId(), 4u);
    EXPECT_TRUE(engine->HasStyle());

    engine->StartLoad(999); // no such book: the empty answer
    ASSERT_TRUE(WaitUntil([&] { return mainWindow.codes.size() == 3; }));
    EXPECT_EQ(mainWindow.codes, (std::vector<int>{1, 2, 3}));
    engine->CancelAndWaitForLoad();
    EXPECT_FALSE(engine->IsLoaded());
}

} // namespace
