// The book list panel: the list from the reference service and from answers of every shape, loading
// (button, double click), back, a running load waited for, and the service failure path.
#include "library/LibraryControl.h"

#include "engine/EngineFakes.h"
#include "engine/ManualExecutor.h"
#include "engine/PlayerTimer.h"
#include "platform/MessageBox.h"
#include "platform/TaskStatusEvent.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTest>

#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace {

using Sent = std::vector<std::pair<int, uint32_t>>;

// Stands in for the main window: records the status codes that reach it.
class MainWindowStandIn : public QObject {
  public:
    Sent received;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != TaskStatusEvent::WM_TASK_STATUS)
            return QObject::event(e);
        const auto* status = static_cast<TaskStatusEvent*>(e);
        received.emplace_back(status->Code(), status->BookId());
        return true;
    }
};

// The window around the panel; records the keys that reach it.
class Host : public QWidget {
  public:
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

// Answers the book list request from the script; books as FakeService serves them.
class ScriptedLibrary : public FakeService {
  public:
    int GetLibrary(QString& out) override {
        ++requests;
        out = answer;
        return result;
    }
    // Called as a book request starts.
    int GetBook(int32_t bookId, QString& out) override {
        if (onBook)
            onBook();
        return FakeService::GetBook(bookId, out);
    }
    QString answer;
    int result = ResultOk;
    int requests = 0;
    std::function<void()> onBook;
};

struct Row {
    QString title;
    int32_t id;
    bool operator==(const Row&) const = default;
};
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.id << ':' << row.title.toStdString();
}

class LibraryControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TaskStatusEvent::SetMainWindow(&mainWindow);
        MessageBox::SetHandler(
            [this](QWidget*, const QString& text, MessageBox::Buttons, MessageBox::Icon icon) {
                boxes.push_back(text);
                icons.push_back(icon);
                return MessageBox::AnswerOk;
            });
    }
    void TearDown() override {
        panel.reset();
        host.reset();
        engine.reset();
        MessageBox::SetHandler(nullptr);
        TaskStatusEvent::SetMainWindow(nullptr);
    }

    // The panel as the main view places it in a 400 x 330 window: cx - 10 by cy - 38.
    void Create(ServiceClient& client) {
        engine = std::make_unique<PlayerTimer>(client, &executor);
        display.Attach(*engine);
        host = std::make_unique<Host>();
        host->resize(400, 330);
        panel = std::make_unique<LibraryControl>(client, *engine, host.get());
        panel->setGeometry(5, 27, 390, 292);
        QObject::connect(panel.get(), &LibraryControl::playerRequested, [this] { ++playerRequests; });
        QObject::connect(panel.get(), &LibraryControl::signInRequested, [this] { ++signInRequests; });
        host->show();
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int r = 0; r < panel->List()->rowCount(); ++r)
            rows.push_back({panel->List()->item(r, 0)->text(), panel->BookId(r)});
        return rows;
    }
    QPoint RowCentre(int row) const {
        return panel->List()->visualItemRect(panel->List()->item(row, 0)).center();
    }

    MainWindowStandIn mainWindow;
    // The clients outlive the engine, whose workers use them.
    std::unique_ptr<DevService> service;
    std::unique_ptr<ServiceClient> real;
    ScriptedLibrary scripted;
    ManualExecutor executor; // the engine's tasks run when the test (or a wait for them) runs them
    RecordingDisplay display;
    std::unique_ptr<PlayerTimer> engine;
    std::unique_ptr<Host> host;
    std::unique_ptr<LibraryControl> panel;
    std::vector<QString> boxes;
    std::vector<MessageBox::Icon> icons;
    int playerRequests = 0;
    int signInRequests = 0;
};

TEST_F(LibraryControlTest, ListsTheServiceBooksAndLoadsTheChosenOne) {
    service = std::make_unique<DevService>();
    ASSERT_TRUE(service->IsRunning()) << service->Error();
    ServiceClient& client = *(real = std::make_unique<ServiceClient>(service->BaseUrl()));
    client.OpenSession();
    ASSERT_EQ(client.Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    Create(client);

    ASSERT_TRUE(panel->LoadBookList());
    EXPECT_EQ(Rows(), (std::vector<Row>{{QStringLiteral("기초 영단어 60"), 1},
                                        {QStringLiteral("발음과 함께 듣는 영단어"), 2},
                                        {QStringLiteral("그림으로 익히는 영단어"), 3},
                                        {QStringLiteral("여행 영어 (스타일)"), 4},
                                        {QStringLiteral("빈 단어장"), 5}}));
    EXPECT_TRUE(boxes.empty());

    // Nothing selected: neither the button nor the call sends anything.
    QTest::mouseClick(panel->LoadButton(), Qt::LeftButton);
    panel->Load();
    EXPECT_TRUE(mainWindow.received.empty());

    // Click a title and load it; double-click another: the same request.
    QTest::mouseClick(panel->List()->viewport(), Qt::LeftButton, {}, RowCentre(2));
    QTest::mouseClick(panel->LoadButton(), Qt::LeftButton);
    // Through the window, so that the press, release and double click arrive as from the mouse.
    QTest::mouseDClick(host->windowHandle(), Qt::LeftButton, {},
                       panel->List()->viewport()->mapTo(host.get(), RowCentre(0)));
    EXPECT_EQ(mainWindow.received,
              (Sent{{TaskStatusEvent::TASK_OPEN_BOOK, 3u}, {TaskStatusEvent::TASK_OPEN_BOOK, 1u}}));

    // Enter and Escape on the list do nothing and stay in the panel; back asks for the player only.
    panel->List()->setFocus();
    QTest::keyClick(panel->List(), Qt::Key_Return);
    QTest::keyClick(panel->List(), Qt::Key_Escape);
    QTest::keyClick(panel->LoadButton(), Qt::Key_Return);
    EXPECT_TRUE(host->keys.empty());
    QTest::mouseClick(panel->BackButton(), Qt::LeftButton);
    EXPECT_EQ(playerRequests, 1);
    EXPECT_EQ(mainWindow.received.size(), 2u);
    EXPECT_EQ(service->RequestsTo("/application/library").size(), 1u);

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        host->grab().save(shots + QStringLiteral("/library-panel.png"));
}

TEST_F(LibraryControlTest, LayoutFollowsTheSizeAndTheListIsOneColumnOfRows) {
    ScriptedLibrary& client = scripted;
    Create(client);
    const auto check = [this](int cx, int cy) {
        panel->resize(cx, cy);
        EXPECT_EQ(panel->BackButton()->geometry(), QRect(10, 5, 54, 25));
        EXPECT_EQ(panel->LoadButton()->geometry(), QRect(cx - 64, 5, 54, 25));
        EXPECT_EQ(panel->List()->geometry(), QRect(10, 35, cx - 20, cy - 36));
        EXPECT_EQ(panel->List()->columnWidth(0), cx - 45);
    };
    check(390, 292);
    check(600, 500);

    QTableWidget* list = panel->List();
    EXPECT_EQ(list->columnCount(), 1);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("TITLE"));
    EXPECT_TRUE(list->horizontalHeader()->isHidden());
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(panel->grab().toImage().pixelColor(100, 20), QColor(237, 237, 236));

    // Giving the panel the focus puts it into the list.
    panel->setFocus();
    EXPECT_EQ(host->focusWidget(), list);
}

TEST_F(LibraryControlTest, AnswersOfEveryShapeLeaveAUsableList) {
    ScriptedLibrary& client = scripted;
    Create(client);
    const std::pair<QString, std::vector<Row>> cases[] = {
        {QStringLiteral(R"([[7,"A"],[9,"B"],0])"), {{"A", 7}, {"B", 9}}},
        {QStringLiteral("[0]"), {}},
        {QStringLiteral("[]"), {}},
        {QStringLiteral(R"([[12,"Title",5],0])"), {{"Title", 12}}},
        {QStringLiteral("<html>busy</html>"), {}},
        {QStringLiteral(R"({"books":[]})"), {}},
        {QString(), {}},
        {QStringLiteral(R"([[7,"A"],"x",[1],["2","B"],[3.5,"C"],null,[10,"ok"],0])"), {{"A", 7}, {"ok", 10}}},
    };
    for (const auto& [answer, rows] : cases) {
        client.answer = answer;
        EXPECT_TRUE(panel->LoadBookList()) << answer.toStdString();
        EXPECT_EQ(Rows(), rows) << answer.toStdString();
    }
    EXPECT_EQ(client.requests, int(std::size(cases)));
    EXPECT_TRUE(boxes.empty());

    // The list of the last, partly malformed answer loads like any other.
    panel->List()->selectRow(1);
    panel->Load();
    EXPECT_EQ(mainWindow.received, (Sent{{TaskStatusEvent::TASK_OPEN_BOOK, 10u}}));
}

TEST_F(LibraryControlTest, ServiceFailureShowsTheMessageEmptiesTheEngineAndAsksForSignIn) {
    ScriptedLibrary& client = scripted;
    client.SetBook(3, BookJson(Names(3)));
    Create(client);
    ASSERT_EQ(engine->LoadBook(3), 0);
    client.answer = QStringLiteral(R"([[3,"Three"],0])");
    ASSERT_TRUE(panel->LoadBookList());

    client.result = ServiceClient::ResultFailed;
    EXPECT_FALSE(panel->LoadBookList());
    EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("인터넷 연결 상태를 확인해주시기 바랍니다.")});
    EXPECT_EQ(icons, std::vector<MessageBox::Icon>{MessageBox::Exclamation});
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_EQ(signInRequests, 1);
    EXPECT_EQ(panel->List()->rowCount(), 0);
    EXPECT_EQ(playerRequests, 0);

    // Only a failure counts as one: an unsent request lists nothing and is no failure.
    client.result = ServiceClient::ResultNoRequest;
    client.answer.clear();
    EXPECT_TRUE(panel->LoadBookList());
    EXPECT_EQ(signInRequests, 1);
}

TEST_F(LibraryControlTest, LoadWaitsForTheRunningLoadWhichThenReportsNothing) {
    ScriptedLibrary& client = scripted;
    client.SetBook(3, BookJson(Names(3)));
    client.answer = QStringLiteral(R"([[4,"Four"],0])");
    Create(client);
    ASSERT_TRUE(panel->LoadBookList());
    panel->List()->selectRow(0);

    // The running load gets its book only once the panel waits for it, having asked it to stop.
    engine->StartLoad(3);
    ASSERT_TRUE(engine->HasLoadWorker());
    bool cancelled = false;
    client.onBook = [&] { cancelled = engine->CancelLoad(); };
    panel->Load();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(engine->HasLoadWorker());
    EXPECT_FALSE(engine->CancelLoad());
    executor.DeliverAll();
    EXPECT_TRUE(engine->IsLoaded());      // the superseded load did finish
    EXPECT_TRUE(display.reports.empty()); // and reported nothing
    EXPECT_EQ(mainWindow.received, (Sent{{TaskStatusEvent::TASK_OPEN_BOOK, 4u}}));
}

} // namespace
