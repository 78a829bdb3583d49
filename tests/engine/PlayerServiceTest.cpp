// The playback engine against the reference service: loading the demo books, resolving their
// plug-ins over the network, marks and clearing them, and the learning log under the service's date.
#include "engine/PlayerTimer.h"

#include "engine/EngineFakes.h"
#include "engine/Outbox.h"
#include "engine/ThreadExecutor.h"
#include "support/DevService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

// Handles events until `done` holds or ten seconds have passed: only for what waits on the reference
// service's answers.
bool WaitForService(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A loopback port that nobody listens on: connections to it are refused.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// The ids of the marks the service received, in the order it received them.
std::vector<std::string> MarkTargets(DevService& service) {
    std::vector<std::string> targets;
    for (const DevService::Request& r : service.RequestsTo("/application/c"))
        targets.push_back(r.target);
    return targets;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

class PlayerServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo"), false),
                  ServiceClient::ResultOk);
        engine = std::make_unique<PlayerTimer>(*client, &executor);
        display.Attach(*engine);
    }
    void TearDown() override { engine.reset(); }

    // Waits for the load tasks and hands their results over, as the event loop would.
    void FinishLoads() {
        executor.Wait(Executor::LoadLane);
        QCoreApplication::processEvents();
    }
    // Waits for the media, learning-log and mark tasks and hands their results over.
    void Settle() {
        engine->WaitForWorkers();
        QCoreApplication::processEvents();
    }

    // Loads through a load task, as the main view does, and shows the first card.
    void Open(uint32_t book, bool clearMarks = false) {
        const size_t before = display.reports.size();
        if (clearMarks)
            engine->StartClearMarks(book);
        else
            engine->StartLoad(book);
        FinishLoads();
        ASSERT_EQ(display.reports.size(), before + 1);
        ASSERT_EQ(display.reports.back(), RecordingDisplay::BookReady);
        Settle(); // the first learning-log answer and the prefetch
        engine->ShowCard(engine->Position());
    }

    // The service answers book `id` with `cards` cards whose pictures (and, with `sound`, pronunciation)
    // come through "url" plug-ins on its picture_url path (or at `pictures`; "none": no pictures); card
    // ids are `first` and on.
    void ServeBook(int32_t id, int cards, bool sound, const QString& pictures = QString(), int first = 1001) {
        QJsonArray list;
        for (int i = 0; i < cards; ++i)
            list.append(QJsonArray{QStringLiteral("word%1").arg(i), QStringLiteral("뜻"), QStringLiteral("e"),
                                   first + i, 0});
        list.append(0);
        const QJsonObject plugin{
            {QStringLiteral("url"),
             pictures.isEmpty()
                 ? service.BaseUrl() + QStringLiteral("/application/plugin/picture_url/%id%?word=%name%")
                 : pictures},
            {QStringLiteral("type"), QStringLiteral("url")}};
        QJsonObject doc{{QStringLiteral("title"), QStringLiteral("T")},
                        {QStringLiteral("vocabularies"), list}};
        if (pictures != QLatin1String("none"))
            doc.insert(QStringLiteral("image_plugin"), plugin);
        if (sound) {
            QJsonObject speech = plugin;
            speech.insert(QStringLiteral("file_type"), QStringLiteral("wav"));
            doc.insert(QStringLiteral("sound_plugin"), speech);
        }
        DevService::Fault f;
        f.path = "/application/book/" + std::to_string(id);
        f.status = 200;
        f.body = QJsonDocument(doc).toJson(QJsonDocument::Compact).toStdString();
        ASSERT_TRUE(service.SetFault(f));
    }
    // Requests to these paths are taken and never answered until ClearFaults.
    void Silence(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            DevService::Fault f;
            f.path = path;
            f.delayMs = 600000;
            ASSERT_TRUE(service.SetFault(f));
        }
    }
    bool WaitForRequests(const std::string& prefix, size_t n) {
        return WaitForService([&] { return service.RequestsTo(prefix).size() >= n; });
    }

    // The program's exit as the main controller does it: the last sends, every transfer ended, what is
    // left kept in the outbox; then the engine and the client go.
    void Exit() {
        engine->SendLast(std::chrono::steady_clock::now() + std::chrono::milliseconds(1500));
        client->AbortAll();
        engine->ResetBook();
        engine->WaitForWorkers();
        engine->CloseAccount();
        engine.reset();
        client.reset();
    }
    // A start of the program signed in as `user`, with its outbox in `folder`.
    void Start(const QString& folder, const QString& user, const QString& password) {
        engine.reset();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        ASSERT_EQ(client->Login(user, password, false), ServiceClient::ResultOk);
        engine = std::make_unique<PlayerTimer>(*client, &executor);
        engine->OpenAccount(std::make_unique<Outbox>(folder, user));
        Settle();
    }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    ThreadExecutor executor;
    RecordingDisplay display;
    std::unique_ptr<PlayerTimer> engine;
};

TEST_F(PlayerServiceTest, PicturesAreFetchedThroughTheUrlPlugin) {
    Open(3);
    EXPECT_EQ(engine->Title(), QStringLiteral("그림으로 익히는 영단어"));
    EXPECT_TRUE(engine->Info().has_image);
    EXPECT_FALSE(engine->Info().has_sound);
    ASSERT_EQ(engine->ActiveCount(), 12u);
    Settle(); // the picture worker of the card on display
    for (uint32_t c = 0; c < 12; ++c)
        EXPECT_NE(engine->ImageEntry(c).state, MediaEntry::Unresolved) << c;
    EXPECT_EQ(display.images, std::vector<QString>{service.BaseUrl() +
                                                   QStringLiteral("/application/plugin/picture/cat.svg")});
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
    ASSERT_TRUE(engine->Info().has_sound);
    engine->Next();
    engine->OnTimer(PlayerTimer::SoundTimer);
    Settle();
    EXPECT_EQ(display.sounds,
              std::vector<QString>{service.BaseUrl() + QStringLiteral("/application/plugin/speech/water")});
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
    FinishLoads();
    EXPECT_EQ(display.reports.back(), RecordingDisplay::LoadFailed);
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_EQ(engine->BookId(), 4u);
    EXPECT_TRUE(engine->Info().has_style);

    engine->StartLoad(999); // no such book: the empty answer
    FinishLoads();
    EXPECT_EQ(display.reports, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(engine->IsLoaded());
}

TEST_F(PlayerServiceTest, LeavingWithWorkersStalledAtASilentHostIsPrompt) {
    ServeBook(901, 20, true);
    Silence({"/application/plugin/picture_url/*", "/application/complete/*", "/application/save_learning_log",
             "/application/book/2"});
    service.ClearRequests();
    LogCapture log;
    ASSERT_EQ(engine->LoadBook(901), 0); // the prefetch and the first learning-log send
    engine->ShowCard(0);                 // the picture worker
    engine->RequestSound();              // the pronunciation worker
    engine->CompleteCurrent();           // the marking worker
    engine->StartLoad(2);                // a load worker
    ASSERT_TRUE(WaitForRequests("/application/plugin/picture_url/", 3));
    ASSERT_TRUE(WaitForRequests("/application/complete/", 1));
    ASSERT_TRUE(WaitForRequests("/application/save_learning_log", 1));
    ASSERT_TRUE(WaitForRequests("/application/book/2", 1));

    // The main window's exit, from the abort until the engine and the client are gone.
    const auto start = std::chrono::steady_clock::now();
    client->AbortAll();
    engine->ResetBook();
    engine.reset();
    EXPECT_TRUE(client->HasSession()); // ended by the abort: no reset, no debug line
    EXPECT_TRUE(client->IsSignedIn());
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST_F(PlayerServiceTest, HoldingNextAgainstASilentPictureHostKeepsTheWorkersBounded) {
    ServeBook(900, 700, false);
    Silence({"/application/plugin/picture_url/*"});
    const int threads = threadCount();
    ASSERT_EQ(engine->LoadBook(900), 0);
    engine->ShowCard(0);
    const long resident = residentKiB();
    // "다음" held for 30 s: one Next for every 50 ms repeat of the button; every card is new.
    int most = 0;
    for (int step = 0; step < 605; ++step) {
        engine->Next();
        QCoreApplication::processEvents();
        most = std::max(most, threadCount());
    }
    // Beside the media workers only the load's learning-log send may run.
    EXPECT_LE(most - threads, PlayerTimer::kMaxMediaWorkers + 1);
    EXPECT_LE(service.RequestsTo("/application/plugin/picture_url/").size(),
              size_t(PlayerTimer::kMaxMediaWorkers));
    EXPECT_LT(residentKiB() - resident, 16 * 1024);
    EXPECT_EQ(engine->Position(), 605u);
    // Not resolved while the host is silent: waiting for a worker, or taken by one that came free.
    EXPECT_NE(engine->ImageEntry(605).state, MediaEntry::Resolved);

    // The host recovers: the card on display gets its picture, which comes with the report.
    ASSERT_TRUE(service.ClearFaults());
    const QString picture = service.BaseUrl() + QStringLiteral("/application/plugin/picture/word605.svg");
    ASSERT_TRUE(WaitForService([&] {
        return std::find(display.images.begin(), display.images.end(), picture) != display.images.end();
    }));
}

TEST_F(PlayerServiceTest, AnOversizedPluginAnswerLeavesTheUserSignedIn) {
    // The first card's picture plug-in answers more than 64 MB; the other cards' answer as usual.
    DevService::Fault big;
    big.path = "/application/plugin/picture_url/1";
    big.padTo = 64L * 1024 * 1024 + 1;
    ASSERT_TRUE(service.SetFault(big));
    Open(3);
    Settle(); // the picture worker of the card on display
    ASSERT_EQ(engine->Position(), 0u);
    EXPECT_EQ(engine->ImageEntry(0).state, MediaEntry::Unresolved);
    EXPECT_TRUE(engine->CurrentImageUrl().isEmpty());
    EXPECT_EQ(engine->ImageEntry(1).state, MediaEntry::Resolved);
    EXPECT_TRUE(client->HasSession());

    // Still signed in at the service: the next mark reaches it.
    const uint32_t id = engine->LoadedBook().vocabularies[0].id;
    engine->CompleteCurrent();
    engine->WaitForWorkers();
    EXPECT_EQ(service.Marks("demo"), (std::vector<int64_t>{int64_t(id)}));
}

TEST_F(PlayerServiceTest, AMarkAnswered503ReachesTheServiceLater) {
    Open(1);
    DevService::Fault busy;
    busy.path = "/application/complete/*";
    busy.status = 503;
    busy.times = 1;
    ASSERT_TRUE(service.SetFault(busy));
    service.ClearRequests();
    engine->CompleteCurrent(); // 1001: answered 503
    engine->CompleteCurrent(); // 1002 waits behind it
    Settle();
    EXPECT_TRUE(service.Marks("demo").empty());
    EXPECT_EQ(MarkTargets(service), std::vector<std::string>{"/application/complete/1001/book_id:1"});
    ASSERT_TRUE(engine->IsTimerActive(PlayerTimer::MarkRetryTimer));
    engine->OnTimer(PlayerTimer::MarkRetryTimer); // the back-off is over
    Settle();
    EXPECT_EQ(service.Marks("demo"), (std::vector<int64_t>{1001, 1002}));
    EXPECT_EQ(MarkTargets(service), (std::vector<std::string>{"/application/complete/1001/book_id:1",
                                                              "/application/complete/1001/book_id:1",
                                                              "/application/complete/1002/book_id:1"}));
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::MarkRetryTimer));
}

TEST_F(PlayerServiceTest, HoldingTheMarkKeyAgainstAStalledServiceStartsOneWorker) {
    ServeBook(902, 250, false, QStringLiteral("none"));
    Silence({"/application/complete/*"});
    ASSERT_EQ(engine->LoadBook(902), 0);
    engine->ShowCard(0);
    executor.Wait(Executor::LogLane); // the load's learning-log send
    const int threads = threadCount();
    size_t workers = 0;
    int most = 0;
    for (int press = 0; press < 200; ++press) {
        engine->CompleteCurrent();
        QCoreApplication::processEvents();
        workers = std::max(workers, executor.Running(Executor::MarkLane));
        most = std::max(most, threadCount());
    }
    ASSERT_TRUE(WaitForRequests("/application/complete/", 1));
    EXPECT_LE(workers, 1u);
    EXPECT_LE(most - threads, 1);
    EXPECT_EQ(service.RequestsTo("/application/complete/").size(), 1u);
    EXPECT_EQ(engine->PendingMarks().size(), 200u);

    // The service answers again: every mark goes out, in the order made.
    ASSERT_TRUE(service.ClearFaults());
    ASSERT_TRUE(WaitForService([&] { return engine->PendingMarks().empty(); }));
    const std::vector<std::string> targets = MarkTargets(service);
    ASSERT_EQ(targets.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(targets[size_t(i)], "/application/complete/" + std::to_string(1001 + i) + "/book_id:902");
}

TEST_F(PlayerServiceTest, NoMarkMadeBeforeAClearLandsAfterIt) {
    Open(1); // in card order: 1001, 1002, ...
    Silence({"/application/complete/1001*"});
    service.ClearRequests();
    engine->CompleteCurrent(); // 1001: held by the service
    ASSERT_TRUE(WaitForRequests("/application/complete/", 1));
    engine->CompleteCurrent(); // 1002 and 1003 wait behind it
    engine->CompleteCurrent();
    engine->StartClearMarks(1);
    engine->CompleteCurrent(); // 1004, made after the clear was asked for
    ASSERT_TRUE(service.ClearFaults());
    FinishLoads();
    Settle();
    EXPECT_EQ(MarkTargets(service), (std::vector<std::string>{"/application/complete/1001/book_id:1",
                                                              "/application/clear_complete/1",
                                                              "/application/complete/1004/book_id:1"}));
    EXPECT_EQ(service.Marks("demo"), std::vector<int64_t>{1004});
}

TEST_F(PlayerServiceTest, TheCardsSeenLastBeforeExitReachTheServiceOrTheOutbox) {
    QTemporaryDir data;
    engine->OpenAccount(std::make_unique<Outbox>(data.path(), QStringLiteral("demo")));
    ASSERT_TRUE(service.SetLogDate("2024-03-01"));
    Open(1);
    engine->ShowCard(3);
    engine->ShowCard(5); // seen after the last send
    engine->SendLast(std::chrono::steady_clock::now() + std::chrono::milliseconds(1500));
    EXPECT_EQ(service.LearningLog("demo")["2024-03-01"], (std::vector<int64_t>{1001, 1004, 1006}));

    // The service stalls: the exit still ends within two seconds, and the card waits in the outbox.
    Silence({"/application/save_learning_log"});
    engine->ShowCard(7);
    const auto start = std::chrono::steady_clock::now();
    Exit();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    const Outbox::Contents kept = Outbox(data.path(), QStringLiteral("demo")).Load();
    EXPECT_EQ(kept.logs, (std::vector<Outbox::LogEntry>{{"2024-03-01", {1008}}}));
    EXPECT_TRUE(kept.marks.empty());

    // The next start of the account sends it under its own date, whatever the service's date is now.
    ASSERT_TRUE(service.ClearFaults());
    ASSERT_TRUE(service.SetLogDate("2024-03-05"));
    Start(data.path(), QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(service.LearningLog("demo")["2024-03-01"], (std::vector<int64_t>{1001, 1004, 1006, 1008}));
    EXPECT_FALSE(QFile::exists(Outbox(data.path(), QStringLiteral("demo")).FilePath()));
}

TEST_F(PlayerServiceTest, MarksMadeWhileTheServiceIsDownGoOutAtTheNextStartOfTheSameAccountOnly) {
    QTemporaryDir data;
    engine->OpenAccount(std::make_unique<Outbox>(data.path(), QStringLiteral("demo")));
    Open(1);
    DevService::Fault down;
    down.path = "/application/complete/*";
    down.drop = true;
    ASSERT_TRUE(service.SetFault(down));
    engine->CompleteCurrent(); // 1001 fails, 1002 waits behind it
    engine->CompleteCurrent();
    Settle();
    // Kept at the failure already, so that a crash would not lose them.
    const std::vector<Outbox::Mark> both{{1001, 1}, {1002, 1}};
    EXPECT_EQ(Outbox(data.path(), QStringLiteral("demo")).Load().marks, both);
    Exit();
    EXPECT_EQ(Outbox(data.path(), QStringLiteral("demo")).Load().marks, both);

    // The next start, under another account: nothing of demo's goes out, not even from a copy of its file.
    ASSERT_TRUE(service.ClearFaults());
    service.ClearRequests();
    ASSERT_TRUE(QFile::copy(Outbox(data.path(), QStringLiteral("demo")).FilePath(),
                            Outbox(data.path(), QStringLiteral("a b")).FilePath()));
    Start(data.path(), QStringLiteral("a b"), QStringLiteral("p+w"));
    EXPECT_TRUE(service.RequestsTo("/application/complete/").empty());

    // demo signs in again: the marks reach the service and the file goes.
    Start(data.path(), QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(service.Marks("demo"), (std::vector<int64_t>{1001, 1002}));
    EXPECT_EQ(MarkTargets(service), (std::vector<std::string>{"/application/complete/1001/book_id:1",
                                                              "/application/complete/1002/book_id:1"}));
    EXPECT_FALSE(QFile::exists(Outbox(data.path(), QStringLiteral("demo")).FilePath()));
}

TEST_F(PlayerServiceTest, AFailingPictureHostCostsNoSessionAndSeesNoneOfItsSecrets) {
    DevService pictures; // another origin
    ASSERT_TRUE(pictures.IsRunning()) << pictures.Error();
    DevService::Fault stall;
    stall.path = "*";
    stall.delayMs = 600000;
    ASSERT_TRUE(pictures.SetFault(stall));
    client->SetTimeouts(std::chrono::milliseconds(2000), std::chrono::seconds(1)); // a stall ends soon
    ASSERT_TRUE(service.SetLogDate("2024-03-01"));

    // Pictures from a host that refuses connections, then from one that stalls.
    const QString refusing = QStringLiteral("http://127.0.0.1:%1/picture/%id%").arg(closedPort());
    const QString stalling = pictures.BaseUrl() + QStringLiteral("/picture/%id%");
    int first = 1001;
    for (const QString& host : {refusing, stalling}) {
        ServeBook(1, 2, false, host, first); // cards of demo's book 1
        Open(1);
        Settle(); // the picture fetches fail
        EXPECT_EQ(engine->ImageEntry(0).state, MediaEntry::Unresolved);
        EXPECT_TRUE(client->SignInSessionIntact());
        engine->CompleteCurrent();
        engine->OnTimer(PlayerTimer::LogTimer);
        Settle();
        // The service still counts the program signed in: it takes the mark and the cards seen.
        EXPECT_EQ(service.Marks("demo").back(), first);
        const std::vector<int64_t> seen = service.LearningLog("demo")["2024-03-01"];
        EXPECT_NE(std::find(seen.begin(), seen.end(), first + 1), seen.end());
        EXPECT_NE(service.RequestsTo("/application/complete/").back().Header("Cookie").find("LEXICARTA_SID="),
                  std::string::npos);
        first += 2;
    }
    const std::vector<DevService::Request> asked = pictures.Requests();
    EXPECT_FALSE(asked.empty());
    for (const DevService::Request& r : asked) {
        EXPECT_EQ(r.Header("Cookie").find("LEXICARTA_SID"), std::string::npos) << r.target;
        EXPECT_FALSE(r.HasHeader("Authorization")) << r.target;
    }
}

} // namespace
