// The book list panel: the books it is given, answers of every shape, choosing a book (button, double
// click), back, the keys it keeps, and resting while the list is fetched. Fetching the list and opening
// the chosen book are the controller's (tests/app/MainFrameTest.cpp).
#include "library/LibraryControl.h"

#include "library/BookList.h"
#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace {

// The window around the panel; records the keys that reach it.
class Host : public QWidget {
  public:
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
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
    void SetUp() override { Create(); }
    void TearDown() override {
        panel.reset();
        host.reset();
    }

    // The panel as the main view places it in a 400 x 330 window: cx - 10 by cy - 38.
    void Create() {
        host = std::make_unique<Host>();
        host->resize(400, 330);
        panel = std::make_unique<LibraryControl>(host.get());
        panel->setGeometry(5, 27, 390, 292);
        QObject::connect(panel.get(), &LibraryControl::playerRequested, [this] { ++playerRequests; });
        QObject::connect(panel.get(), &LibraryControl::bookChosen,
                         [this](int32_t id) { chosen.push_back(id); });
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

    std::unique_ptr<Host> host;
    std::unique_ptr<LibraryControl> panel;
    std::vector<int32_t> chosen;
    int playerRequests = 0;
};

TEST_F(LibraryControlTest, ListsTheBooksAndAsksForTheChosenOne) {
    panel->SetBooks(BookList::Parse(QStringLiteral(
        R"([[1,"기초 영단어 60"],[2,"발음과 함께 듣는 영단어"],[3,"그림으로 익히는 영단어"],0])")));
    EXPECT_EQ(Rows(), (std::vector<Row>{{QStringLiteral("기초 영단어 60"), 1},
                                        {QStringLiteral("발음과 함께 듣는 영단어"), 2},
                                        {QStringLiteral("그림으로 익히는 영단어"), 3}}));

    // Nothing selected: neither the button nor the call asks for anything.
    QTest::mouseClick(panel->LoadButton(), Qt::LeftButton);
    panel->Load();
    EXPECT_TRUE(chosen.empty());

    // Click a title and load it; double-click another: the same request.
    QTest::mouseClick(panel->List()->viewport(), Qt::LeftButton, {}, RowCentre(2));
    QTest::mouseClick(panel->LoadButton(), Qt::LeftButton);
    // Through the window, so that the press, release and double click arrive as from the mouse.
    QTest::mouseDClick(host->windowHandle(), Qt::LeftButton, {},
                       panel->List()->viewport()->mapTo(host.get(), RowCentre(0)));
    EXPECT_EQ(chosen, (std::vector<int32_t>{3, 1}));

    // Enter and Escape on the list do nothing and stay in the panel; back asks for the player only.
    panel->List()->setFocus();
    QTest::keyClick(panel->List(), Qt::Key_Return);
    QTest::keyClick(panel->List(), Qt::Key_Escape);
    QTest::keyClick(panel->LoadButton(), Qt::Key_Return);
    EXPECT_TRUE(host->keys.empty());
    QTest::mouseClick(panel->BackButton(), Qt::LeftButton);
    EXPECT_EQ(playerRequests, 1);
    EXPECT_EQ(chosen.size(), 2u);

    // While the list is fetched, or a running load waited for, the panel rests.
    panel->SetWaiting(true);
    EXPECT_FALSE(panel->LoadButton()->isEnabled());
    EXPECT_FALSE(panel->BackButton()->isEnabled());
    panel->Load();
    QTest::mouseClick(panel->BackButton(), Qt::LeftButton);
    EXPECT_EQ(chosen.size(), 2u);
    EXPECT_EQ(playerRequests, 1);
    panel->SetWaiting(false);
    panel->Load();
    EXPECT_EQ(chosen.size(), 3u);

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        host->grab().save(shots + QStringLiteral("/library-panel.png"));
}

TEST_F(LibraryControlTest, LayoutFollowsTheSizeAndTheListIsOneColumnOfRows) {
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
        panel->SetBooks(BookList::Parse(answer));
        EXPECT_EQ(Rows(), rows) << answer.toStdString();
    }

    // The list of the last, partly malformed answer loads like any other.
    panel->List()->selectRow(1);
    panel->Load();
    EXPECT_EQ(chosen, std::vector<int32_t>{10});
}

} // namespace
