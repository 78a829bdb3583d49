// The whole main window against the reference service: panels, task status codes, the book menu, the
// tray menu's commands, the chrome and tear-down while workers run.
#include "app/CChildView.h"
#include "app/CMainFrame.h"
#include "app/CProgramInfoDlg.h"
#include "app/SettingsDialog.h"

#include "../player/HtmlViewFixture.h"
#include "engine/Outbox.h"
#include "engine/PlayerTimer.h"
#include "library/LibraryControl.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/StartupEntry.h"
#include "player/HtmlView.h"
#include "player/PlayerControl.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "signin/LoginControl.h"
#include "support/DevService.h"
#include "support/StoredSignIn.h"
#include "widgets/CPictureEx.h"
#include "widgets/CSkinButton.h"
#include "widgets/PositionControl.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace Res;
using HtmlViewFixture::Eval;
using HtmlViewFixture::WaitUntil;

namespace {

bool SameLook(const CSkinButton* button, int resourceId) {
    const QPixmap* shown = button->Bitmap(CSkinButton::Look::Normal);
    return shown != nullptr && shown->toImage() == Artwork::Bitmap(resourceId).toImage();
}

// Enabled state of each item of a menu by command id (separators left out).
std::vector<std::pair<int, bool>> Items(QMenu& menu) {
    std::vector<std::pair<int, bool>> items;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            items.emplace_back(action->data().toInt(), action->isEnabled());
    return items;
}

// Runs `act` on the next modal dialog of type D as soon as it is up (a dialog's exec blocks the test).
template <class D> void WhenModal(std::function<void(D*)> act) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

class MainFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        // Every test starts from no settings and no autostart entry.
        QFile::remove(SettingsStore::FilePath());
        QFile::remove(StartupEntry::EntryPath());
        SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 0);
        MessageBox::SetHandler([this](QWidget*, const QString& text, MessageBox::Buttons, MessageBox::Icon) {
            boxes.push_back(text);
            return answer;
        });
        Shell::SetHandler([this](const QString& url) { opened.push_back(url); });
        Start();
    }
    // A start of the program: a new window whose card page has loaded (its page-ready status handled).
    void Start() {
        frame.reset();
        frame = std::make_unique<CMainFrame>(std::make_unique<ServiceClient>(service.BaseUrl()));
        frame->show();
        ASSERT_TRUE(HtmlViewFixture::WaitForPage(Browser())) << "card page did not load";
        QCoreApplication::processEvents();
        // The automatic sign-in and the update check, when they run.
        WaitWhileBusy();
    }
    QString IssueToken() {
        const QString token = StoredSignIn::IssueToken(service.BaseUrl());
        EXPECT_FALSE(token.isEmpty());
        return token;
    }
    void StoreAutoSignIn(const QString& token) { StoredSignIn::Store(token); }
    void TearDown() override {
        frame.reset();
        MessageBox::SetHandler({});
        Shell::SetHandler({});
    }

    CChildView& View() { return *frame->View(); }
    MainController& Controller() { return frame->Controller(); }
    // Waits until no request the user waits for runs any more (they run against the service).
    void WaitWhileBusy() {
        ASSERT_TRUE(WaitUntil([this] { return !Controller().IsBusy(); }, 30000));
    }
    HtmlView& Browser() { return *View().Browser(); }
    PlayerTimer& Engine() { return frame->Engine(); }
    QString PageText() { return Eval(Browser(), QStringLiteral("document.body.innerText")).toString(); }

    void SignIn() { ASSERT_EQ(frame->Client().Login("demo", "demo"), ServiceClient::ResultOk); }
    // Runs the events until no load runs and the status it posted has been handled.
    void WaitForLoad() {
        ASSERT_TRUE(WaitUntil([this] { return !Engine().IsLoading(); }, 30000));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    DevService service;
    std::unique_ptr<CMainFrame> frame;
    std::vector<QString> boxes;
    std::vector<QString> opened;
    MessageBox::Answer answer = MessageBox::AnswerOk;
};

TEST_F(MainFrameTest, StartsOnTheSignInPanelWithTheChromeInPlace) {
    EXPECT_TRUE(frame->testAttribute(Qt::WA_WState_Visible));
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(frame->size(), QSize(400, 330));
    EXPECT_EQ(frame->minimumSize(), QSize(400, 200));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("렉시카르타 데스크톱"));
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_TRUE(View().SignInPanel()->isVisible());
    EXPECT_FALSE(View().Player()->isVisible());
    EXPECT_FALSE(View().LibraryPanel()->isVisible());
    EXPECT_EQ(View().SignInPanel()->geometry(), QRect(100, 40, 200, 260));
    EXPECT_EQ(View().Player()->geometry(), QRect(5, 27, 390, 292));
    const char16_t* tips[4] = {u"항상위", u"최소화", u"최대화", u"창닫기"};
    for (int id = IDC_TOPMOST_BUTTON; id <= IDC_CLOSE_BUTTON; ++id) {
        CSkinButton* button = View().TitleButton(id);
        EXPECT_EQ(button->geometry(), QRect(400 - 74 + (id - 103) * 18, 5, 14, 14)) << id;
        EXPECT_EQ(button->toolTip(), QString::fromUtf16(tips[id - 103]));
    }
    // The rounded shape (one pixel larger than the window): the corner pixel is cut, edges are kept.
    const QRegion shape = frame->mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(0, 165)));
    EXPECT_TRUE(shape.contains(QPoint(200, 329)));
    // Painted chrome: background, outline.
    const QImage image = View().grab().toImage();
    EXPECT_EQ(QColor(image.pixel(200, 0)), QColor(150, 150, 150));
    EXPECT_EQ(QColor(image.pixel(0, 165)), QColor(150, 150, 150));
    EXPECT_EQ(QColor(image.pixel(2, 100)), QColor(237, 237, 236));
}

TEST_F(MainFrameTest, StatusCodesDriveTheBookLoadsAndTheirMessages) {
    // A sign-in opens the book the answer named once its hand-over comes; without auto play it waits on
    // the first card.
    Controller().SignIn(QStringLiteral("demo"), QStringLiteral("demo"), false);
    WaitWhileBusy();
    ASSERT_TRUE(frame->Client().IsSignedIn());
    DevService::Fault slow;
    slow.path = "/application/book/*";
    slow.delayMs = 1000;
    slow.times = 1;
    ASSERT_TRUE(service.SetFault(slow));
    View().SignInPanel()->OnTimer(LoginControl::kHandOverTimer);
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    EXPECT_TRUE(View().Player()->isVisible());
    EXPECT_FALSE(View().SignInPanel()->isVisible());
    {
        // While the load runs the menu offers nothing that would start another task.
        std::unique_ptr<QMenu> menu = Controller().BuildBookMenu();
        const auto items = Items(*menu);
        ASSERT_EQ(items.size(), 7u);
        EXPECT_EQ(items[0], std::make_pair(ID_LOAD_BOOK, false));
        EXPECT_EQ(items[1], std::make_pair(ID_BOOK_DETAILS, false));
        EXPECT_EQ(items[2], std::make_pair(ID_CLEAR_MARKS, false));
        EXPECT_EQ(items[3], std::make_pair(ID_WEB_BOOKS, true));
        EXPECT_EQ(items[6], std::make_pair(ID_SETTINGS, true));
        EXPECT_EQ(menu->actions().size(), 11); // four separators
    }
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_TRUE(
        WaitUntil([this] { return PageText().contains(Engine().LoadedBook().vocabularies[0].name); }));
    for (const auto& [id, enabled] : Items(*Controller().BuildBookMenu()))
        EXPECT_TRUE(enabled) << id;

    // With auto play on, a book with cards starts at once.
    Engine().SetAutoPlay(true);
    Controller().ChooseBook(2);
    WaitForLoad();
    EXPECT_EQ(Engine().BookId(), 2u);
    EXPECT_TRUE(Engine().IsPlaying());
    // An empty book loads but does not play.
    Controller().OpenBook(5);
    WaitForLoad();
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_FALSE(Engine().IsPlaying());

    // The service down: the failure message, the book menu usable again.
    DevService::Fault down;
    down.path = "/application/book/*";
    down.status = 500;
    ASSERT_TRUE(service.SetFault(down));
    Controller().OpenBook(1);
    WaitForLoad();
    EXPECT_TRUE(WaitUntil(
        [this] { return PageText().contains(QStringLiteral("데이터 불러오기에 실패하였습니다.")); }));
    EXPECT_TRUE(Items(*Controller().BuildBookMenu())[0].second);
    ASSERT_TRUE(service.ClearFaults());

    // A book the service does not have.
    Controller().OpenBook(999);
    WaitForLoad();
    EXPECT_TRUE(WaitUntil(
        [this] { return PageText().contains(QStringLiteral("학습할 단어장을 선택해 주십시오.")); }));
    EXPECT_FALSE(Engine().IsLoaded());

    // A load superseded by a newer one succeeds silently: the notice stays.
    Engine().SetCancelLoad(true);
    Controller().OpenBook(1);
    WaitForLoad();
    Engine().SetCancelLoad(false);
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_TRUE(PageText().contains(QStringLiteral("데이터를 불러오는 중")));
}

TEST_F(MainFrameTest, BookMenuCommandsClearMarksAndOpenSignedInPages) {
    // Without a book: details asks for one first, the web pages still open with whatever token came.
    Controller().OnBookCommand(ID_BOOK_DETAILS);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("단어장을 먼저 선택해주세요"));
    EXPECT_TRUE(opened.empty());

    SignIn();
    Controller().OpenBook(1);
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());
    Engine().CompleteCurrent();
    Engine().WaitForWorkers();
    ASSERT_EQ(service.Marks("demo").size(), 1u);

    // Each page waits for its token off the GUI thread.
    for (int id : {ID_WEB_BOOKS, ID_WEB_LIBRARY, ID_WEB_COMMUNITY, ID_BOOK_DETAILS}) {
        Controller().OnBookCommand(id);
        WaitWhileBusy();
    }
    ASSERT_EQ(opened.size(), 4u);
    const QString prefix = service.BaseUrl() + QStringLiteral("/application/auth_token/");
    const char* suffixes[4] = {"?to=/books", "?to=/library", "?to=/forums", "?to=/books/view/1"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(opened[i].startsWith(prefix)) << opened[i].toStdString();
        EXPECT_TRUE(opened[i].endsWith(QLatin1String(suffixes[i]))) << opened[i].toStdString();
        EXPECT_GT(opened[i].size(), prefix.size() + int(strlen(suffixes[i]))) << "no token";
    }

    // Clearing the marks: No does nothing; Yes shows the notice, then the book again without marks.
    answer = MessageBox::AnswerNo;
    Controller().OnBookCommand(ID_CLEAR_MARKS);
    EXPECT_FALSE(Engine().IsLoading());
    answer = MessageBox::AnswerYes;
    Controller().OnBookCommand(ID_CLEAR_MARKS);
    EXPECT_EQ(boxes.back(), QStringLiteral("암기완료를 모두 해제하시겠습니까?"));
    EXPECT_TRUE(WaitUntil([this] { return PageText().contains(QStringLiteral("암기완료를 해제하는 중")); }));
    WaitForLoad();
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_TRUE(service.Marks("demo").empty());
    EXPECT_TRUE(
        WaitUntil([this] { return PageText().contains(Engine().LoadedBook().vocabularies[0].name); }));

    // Loading another book stops playing and shows the book list panel.
    Engine().StartPlaying();
    Controller().OnBookCommand(ID_LOAD_BOOK);
    WaitWhileBusy();
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_LIBRARY);
    EXPECT_TRUE(View().LibraryPanel()->isVisible());
    EXPECT_FALSE(View().Player()->isVisible());

    // The settings item is the frame's command.
    bool settings = false;
    WhenModal<SettingsDialog>([&settings](SettingsDialog* dialog) {
        settings = true;
        dialog->reject();
    });
    Controller().OnBookCommand(ID_SETTINGS);
    EXPECT_TRUE(settings);
}

TEST_F(MainFrameTest, TheBookListFailsBackToSignInAndAChosenBookSupersedesARunningLoad) {
    SignIn();
    Controller().OpenBook(3);
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());

    // The list comes from the service off the GUI thread, into the panel, which then has the focus.
    Controller().ShowBookList();
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_LIBRARY);
    WaitWhileBusy();
    ASSERT_EQ(View().LibraryPanel()->List()->rowCount(), 5);
    EXPECT_EQ(frame->focusWidget(), View().LibraryPanel()->List());

    // A book chosen while another still loads: the running load is told to stop and waited for off
    // the GUI thread, it reports nothing, and the chosen book is the one that opens.
    DevService::Fault slow;
    slow.path = "/application/book/1";
    slow.delayMs = 1500;
    slow.times = 1;
    ASSERT_TRUE(service.SetFault(slow));
    Controller().OpenBook(1);
    ASSERT_TRUE(Engine().HasLoadWorker());
    Controller().ChooseBook(4);
    EXPECT_TRUE(Controller().IsBusy());
    WaitWhileBusy();
    WaitForLoad();
    EXPECT_EQ(Engine().BookId(), 4u);
    EXPECT_FALSE(Engine().CancelLoad());

    // The service cannot be reached: the message, the engine emptied, the sign-in panel.
    DevService::Fault down;
    down.path = "/application/library";
    down.drop = true;
    ASSERT_TRUE(service.SetFault(down));
    boxes.clear();
    Controller().ShowBookList();
    WaitWhileBusy();
    EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("인터넷 연결 상태를 확인해주시기 바랍니다.")});
    EXPECT_FALSE(Engine().IsLoaded());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_EQ(View().LibraryPanel()->List()->rowCount(), 0);
}

TEST_F(MainFrameTest, SettingsCommandShowsTheRealStateAndAppliesOnlyOnOk) {
    // Stored values that disagree with the window and the autostart folder: the dialog shows the truth.
    SettingsStore::WriteInt(SettingsStore::StartWithPC.name, 1);
    SettingsStore::WriteInt(SettingsStore::DelayTime.name, 1000);
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 2); // on for the engine, off for the dialog
    SetStartWithPC(false);
    View().SetAlwaysOnTop(true);
    bool seen = false;
    WhenModal<SettingsDialog>([&seen](SettingsDialog* dialog) {
        seen = true;
        EXPECT_FALSE(dialog->StartWithPCBox()->isChecked());
        EXPECT_TRUE(dialog->AlwaysOnTopBox()->isChecked());
        EXPECT_FALSE(dialog->AutoPlayBox()->isChecked());
        EXPECT_EQ(dialog->DelayEdit()->text(), QStringLiteral("1000"));
        dialog->StartWithPCBox()->setChecked(true);
        dialog->DelayEdit()->setText(QStringLiteral("7"));
        dialog->reject();
    });
    frame->OnCommand(ID_SETTINGS);
    ASSERT_TRUE(seen);
    // Cancel: nothing changed anywhere.
    EXPECT_TRUE(View().IsAlwaysOnTop());
    EXPECT_FALSE(IsStartWithPC());
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 0), 1000);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::StartWithPC.name, 0), 1);
    EXPECT_EQ(Engine().DelayTime(), 5);

    // OK: applied to the window and the engine, stored, the autostart entry written or removed.
    WhenModal<SettingsDialog>([](SettingsDialog* dialog) {
        dialog->AlwaysOnTopBox()->setChecked(false);
        dialog->AutoPlayBox()->setChecked(true);
        dialog->DelayEdit()->setText(QStringLiteral("9999"));
        dialog->StartWithPCBox()->setChecked(true);
        dialog->accept();
    });
    frame->OnCommand(ID_SETTINGS);
    EXPECT_FALSE(View().IsAlwaysOnTop());
    EXPECT_TRUE(SameLook(View().TitleButton(IDC_TOPMOST_BUTTON), IDB_TOPMOST_OFF_NORMAL));
    EXPECT_EQ(Engine().DelayTime(), 3600);
    EXPECT_TRUE(Engine().AutoPlay());
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 0), 3600);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoPlay.name, 0), 1);
    EXPECT_TRUE(IsStartWithPC());
    WhenModal<SettingsDialog>([](SettingsDialog* dialog) {
        dialog->StartWithPCBox()->setChecked(false);
        dialog->DelayEdit()->setText(QString());
        dialog->accept();
    });
    frame->OnCommand(ID_SETTINGS);
    EXPECT_FALSE(IsStartWithPC());
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::StartWithPC.name, 2), 0);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::DelayTime.name, 0), 1);

    // The information window opens from the tray menu and closes with Enter.
    bool info = false;
    WhenModal<CProgramInfoDlg>([&info](CProgramInfoDlg* dialog) {
        info = true;
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    frame->OnCommand(ID_PROGRAM_INFO);
    EXPECT_TRUE(info);
}

TEST_F(MainFrameTest, TrayMenuCommands) {
    QMenu& menu = *frame->TrayMenu();
    ASSERT_EQ(menu.actions().size(), 11);
    EXPECT_EQ(menu.defaultAction()->data().toInt(), ID_TRAY_OPEN);
    EXPECT_EQ(menu.defaultAction()->text(), QStringLiteral("렉시카르타 데스크톱 열기"));
    frame->UpdateTrayMenu();
    auto item = [&menu](int id) {
        for (QAction* action : menu.actions())
            if (action->data().toInt() == id)
                return action;
        return static_cast<QAction*>(nullptr);
    };
    EXPECT_FALSE(item(ID_LOGOUT)->isEnabled());
    EXPECT_FALSE(item(ID_ALWAYS_ON_TOP)->isChecked());

    // Always on top: the flag, the pin's looks and the tick follow; the card page is not reloaded.
    SignIn();
    Controller().OpenBook(1);
    WaitForLoad();
    ASSERT_TRUE(Eval(Browser(), QStringLiteral("window.keptAcrossToggle = 42; 1")).isValid());
    const QRect before = frame->geometry();
    frame->OnCommand(ID_ALWAYS_ON_TOP);
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(SameLook(View().TitleButton(IDC_TOPMOST_BUTTON), IDB_TOPMOST_ON_NORMAL));
    frame->UpdateTrayMenu();
    EXPECT_TRUE(item(ID_ALWAYS_ON_TOP)->isChecked());
    EXPECT_TRUE(item(ID_LOGOUT)->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->geometry(), before);
    EXPECT_EQ(Eval(Browser(), QStringLiteral("window.keptAcrossToggle")).toInt(), 42);
    EXPECT_TRUE(PageText().contains(Engine().LoadedBook().vocabularies[0].name));
    View().OnTitleButton(IDC_TOPMOST_BUTTON);
    EXPECT_FALSE(View().IsAlwaysOnTop());
    EXPECT_TRUE(SameLook(View().TitleButton(IDC_TOPMOST_BUTTON), IDB_TOPMOST_OFF_NORMAL));
    EXPECT_EQ(Eval(Browser(), QStringLiteral("window.keptAcrossToggle")).toInt(), 42);

    frame->OnCommand(ID_HELP_DESK);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], service.BaseUrl() + QStringLiteral("/helpdesk/help_desktop"));

    // Log-out: playback stops, the sign-in panel shows, automatic sign-in is forgotten.
    SettingsStore::WriteInt(SettingsStore::AutoLogin.name, 1);
    SettingsStore::WriteString(SettingsStore::Token.name, QStringLiteral("abc"));
    Engine().StartPlaying();
    frame->OnCommand(ID_LOGOUT);
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_FALSE(Engine().IsLoaded());
    // The last sends go out on the account's session first; the panel waits for them meanwhile.
    EXPECT_TRUE(Controller().IsSigningOut());
    EXPECT_FALSE(View().SignInPanel()->SignInButton()->isEnabled());
    WaitWhileBusy();
    EXPECT_FALSE(Controller().IsSigningOut());
    EXPECT_TRUE(View().SignInPanel()->SignInButton()->isEnabled());
    EXPECT_FALSE(frame->Client().IsSignedIn());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_TRUE(View().SignInPanel()->isVisible());
    EXPECT_FALSE(View().Player()->isVisible());
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 0);
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::Token.name, QStringLiteral("x")), QString());

    // Exit: hidden, engine stopped, the program told to end.
    QSignalSpy exit(frame.get(), &CMainFrame::exitRequested);
    frame->OnCommand(ID_EXIT);
    EXPECT_EQ(exit.count(), 1);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(MainFrameTest, ChromeMovesSnapsResizesAndMaximises) {
    frame->move(300, 200);
    QCoreApplication::processEvents();
    // A caption drag moves the window by hand and sticks it to the work area's edge.
    const QRect work = frame->screen()->availableGeometry();
    QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(200, 10));
    QTest::mouseMove(&View(), QPoint(150, 30));
    EXPECT_EQ(frame->pos(), QPoint(250, 220));
    // The press was 200 pixels right of the window's left edge and 10 below its top.
    QTest::mouseMove(&View(), work.topLeft() + QPoint(15 + 200, 15 + 10) - frame->pos());
    EXPECT_EQ(frame->pos(), work.topLeft());
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(200, 10));

    // An edge drag resizes (by hand where the windowing system does not), never below 400 x 200.
    frame->move(300, 200);
    QCoreApplication::processEvents();
    QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(398, 329));
    QTest::mouseMove(&View(), QPoint(398 + 60, 329 + 40));
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(458, 369));
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->size(), QSize(460, 370));
    EXPECT_EQ(View().TitleButton(IDC_CLOSE_BUTTON)->pos(), QPoint(440, 5));
    EXPECT_EQ(View().Player()->geometry(), QRect(5, 27, 450, 332));
    QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(1, 200));
    QTest::mouseMove(&View(), QPoint(300, 200));
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(frame->width(), 400);

    // A double-click in the caption maximises; button 105 shows the restore looks, and again.
    QTest::mouseDClick(&View(), Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_TRUE(WaitUntil([this] { return frame->isMaximized(); }));
    EXPECT_TRUE(SameLook(View().TitleButton(IDC_MAXIMIZE_BUTTON), IDB_RESTORE_NORMAL));
    View().OnTitleButton(IDC_MAXIMIZE_BUTTON);
    EXPECT_TRUE(WaitUntil([this] { return !frame->isMaximized(); }));
    EXPECT_TRUE(SameLook(View().TitleButton(IDC_MAXIMIZE_BUTTON), IDB_MAXIMIZE_NORMAL));
    // A state change made elsewhere reaches the button too.
    frame->showMaximized();
    EXPECT_TRUE(
        WaitUntil([this] { return SameLook(View().TitleButton(IDC_MAXIMIZE_BUTTON), IDB_RESTORE_NORMAL); }));
    frame->showNormal();

    // A right-click in the caption opens the tray menu.
    QTest::mouseClick(&View(), Qt::RightButton, {}, QPoint(100, 12));
    EXPECT_TRUE(WaitUntil([this] { return frame->TrayMenu()->isVisible(); }));
    frame->TrayMenu()->hide();
}

TEST_F(MainFrameTest, ClosingAlwaysLeavesAWayBack) {
    // No notification area (a bare X server): closing minimises.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        View().OnTitleButton(IDC_CLOSE_BUTTON);
        EXPECT_TRUE(WaitUntil([this] { return frame->isMinimized(); }));
        EXPECT_TRUE(frame->isVisible());
        frame->ShowAndActivate();
        EXPECT_TRUE(WaitUntil([this] { return !frame->isMinimized(); }));
    }

    // With a notification area (an XEmbed tray host), closing hides; the icon brings the window back.
    const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
    ASSERT_FALSE(trayer.isEmpty()) << "trayer is not installed";
    QProcess host;
    host.start(trayer, {QStringLiteral("--edge"), QStringLiteral("bottom")});
    ASSERT_TRUE(host.waitForStarted());
    EXPECT_TRUE(WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000));
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(frame->TrayIcon()->isVisible());
    Q_EMIT frame->TrayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(frame->isVisible());
    host.kill();
    host.waitForFinished();
}

TEST_F(MainFrameTest, TornDownWhileEveryKindOfWorkerRuns) {
    SignIn();
    Controller().OpenBook(2); // pronunciation and pictures
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());
    DevService::Fault slow;
    slow.path = "*";
    slow.delayMs = 1500;
    ASSERT_TRUE(service.SetFault(slow));
    Engine().Next();                           // picture worker
    Engine().OnTimer(PlayerTimer::SoundTimer); // pronunciation worker
    Engine().CompleteCurrent();                // marking worker
    Engine().OnTimer(PlayerTimer::LogTimer);   // learning log
    Controller().OpenBook(3);                  // load worker
    frame.reset();
    SUCCEED();
}

TEST_F(MainFrameTest, ScreenReadersHearEveryButtonAndTabReachesTheTitleBar) {
    const char16_t* tips[4] = {u"항상위", u"최소화", u"최대화", u"창닫기"};
    for (int id = IDC_TOPMOST_BUTTON; id <= IDC_CLOSE_BUTTON; ++id) {
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(View().TitleButton(id));
        ASSERT_NE(access, nullptr) << id;
        EXPECT_EQ(access->role(), QAccessible::Button) << id;
        EXPECT_EQ(access->text(QAccessible::Name), QString::fromUtf16(tips[id - IDC_TOPMOST_BUTTON])) << id;
    }
    const std::pair<int, const char16_t*> playerButtons[] = {
        {PlayerControl::IDC_PREV, u"이전 단어"},
        {PlayerControl::IDC_PLAY, u"학습 시작/일시정지"},
        {PlayerControl::IDC_NEXT, u"다음 단어"},
        {PlayerControl::IDC_ORDER, u"재생 순서"},
        {PlayerControl::IDC_NAME, u"어휘 보이기/끄기"},
        {PlayerControl::IDC_MEAN, u"의미 보이기/끄기"},
        {PlayerControl::IDC_EXAMPLE, u"예제 보이기/끄기"},
        {PlayerControl::IDC_MEMORISED, u"암기완료"},
        {PlayerControl::IDC_MENU, u"메뉴"}};
    for (const auto& [id, name] : playerButtons) {
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(View().Player()->Button(id));
        ASSERT_NE(access, nullptr) << id;
        EXPECT_EQ(access->role(), QAccessible::Button) << id;
        EXPECT_EQ(access->text(QAccessible::Name), QString::fromUtf16(name)) << id;
    }

    // From the panel Tab goes on to the title bar's buttons, left to right, each naming itself and
    // showing its focus frame, then back into the panel. A click leaves the focus where it is.
    // Active for Qt alone: other tests' windows on the shared display may hold the X focus.
    QApplication::setActiveWindow(frame.get());
    ASSERT_TRUE(frame->isActiveWindow());
    QWidget* panel = View().SignInPanel();
    ASSERT_TRUE(panel->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == panel);
    std::vector<int> reached;
    for (int press = 0; press < 40 && reached.size() < 4; ++press) {
        ASSERT_NE(QApplication::focusWidget(), nullptr) << "the window lost the keyboard";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* button = qobject_cast<CSkinButton*>(QApplication::focusWidget());
        if (button == nullptr || button->parentWidget() != &View()) {
            EXPECT_TRUE(reached.empty()) << "the title bar's buttons are not one run";
            continue;
        }
        reached.push_back(button->CommandId());
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
        EXPECT_TRUE(access->state().focused);
        EXPECT_FALSE(access->text(QAccessible::Name).isEmpty());
        EXPECT_TRUE(button->ShowsFocusFrame());
        if (button->CommandId() == IDC_MINIMIZE_BUTTON) {
            const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
            QDir().mkpath(dir);
            View().grab(QRect(300, 0, 100, 27)).save(dir + QStringLiteral("/title_bar_focus.png"));
        }
    }
    EXPECT_EQ(reached, (std::vector<int>{IDC_TOPMOST_BUTTON, IDC_MINIMIZE_BUTTON, IDC_MAXIMIZE_BUTTON,
                                         IDC_CLOSE_BUTTON}));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(panel->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == panel);
    QTest::mouseClick(View().TitleButton(IDC_TOPMOST_BUTTON), Qt::LeftButton);
    EXPECT_TRUE(View().IsAlwaysOnTop());
    EXPECT_TRUE(panel->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == panel);
    View().SetAlwaysOnTop(false);
}

TEST_F(MainFrameTest, TheKeyboardAloneReachesEveryPlayerButtonAndTheBookMenu) {
    SignIn();
    Controller().OpenBook(1);
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());
    ASSERT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    PlayerControl& player = *View().Player();
    QApplication::setActiveWindow(frame.get());
    ASSERT_TRUE(frame->isActiveWindow());
    auto focused = [] { return qobject_cast<CSkinButton*>(QApplication::focusWidget()); };

    // Tab walks the menu, the bar from left to right, each button framed, then the card page (the browser
    // engine takes Tab through the page's links and out again in its own time), then the title bar.
    auto inPage = [this] {
        QWidget* widget = QApplication::focusWidget();
        return widget != nullptr && (widget == &Browser() || Browser().isAncestorOf(widget));
    };
    QStringList expected;
    for (int id : {PlayerControl::IDC_MENU, PlayerControl::IDC_PREV, PlayerControl::IDC_PLAY,
                   PlayerControl::IDC_NEXT, PlayerControl::IDC_ORDER, PlayerControl::IDC_NAME,
                   PlayerControl::IDC_MEAN, PlayerControl::IDC_EXAMPLE, PlayerControl::IDC_MEMORISED})
        expected << QString::number(id);
    expected << QStringLiteral("page") << QStringLiteral("title");
    QStringList stops;
    for (int press = 0; press < 30 && stops.size() < expected.size(); ++press) {
        const bool wasInPage = inPage();
        ASSERT_NE(QApplication::focusWidget(), nullptr)
            << "the window lost the keyboard after " << stops.join(' ').toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        // In the page, Tab goes through its links (pronunciation, font size) first: a few presses.
        if (wasInPage && !WaitUntil([&] { return !inPage(); }, 3000))
            continue;
        if (inPage()) {
            stops << QStringLiteral("page");
        } else if (CSkinButton* button = focused(); button != nullptr && button->parentWidget() == &player) {
            stops << QString::number(button->CommandId());
            EXPECT_TRUE(button->ShowsFocusFrame()) << button->CommandId();
            if (button->CommandId() == PlayerControl::IDC_NAME) {
                const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
                QDir().mkpath(dir);
                player.grab(QRect(0, player.height() - 52, player.width(), 52))
                    .save(dir + "/player_focus.png");
            }
        } else if (focused() == View().TitleButton(IDC_TOPMOST_BUTTON)) {
            stops << QStringLiteral("title");
        } else {
            EXPECT_TRUE(stops.empty()) << "left the panel after " << stops.join(' ').toStdString();
        }
    }
    ASSERT_EQ(stops, expected);

    // On a focused toggle the panel's keys keep their commands: Space plays (it does not press the
    // button), the arrows move through the cards (not the focus); Enter and the keypad's Enter press it.
    CSkinButton* headword = player.Button(PlayerControl::IDC_NAME);
    headword->setFocus(Qt::BacktabFocusReason);
    ASSERT_EQ(focused(), headword);
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(headword);
    EXPECT_TRUE(access->state().checkable && access->state().checked);
    QTest::keyClick(headword, Qt::Key_Space);
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_TRUE(player.NameShown());
    EXPECT_TRUE(
        QAccessible::queryAccessibleInterface(player.Button(PlayerControl::IDC_PLAY))->state().checked);
    QTest::keyClick(headword, Qt::Key_Space);
    EXPECT_FALSE(Engine().IsPlaying());
    QTest::keyClick(headword, Qt::Key_Right);
    EXPECT_EQ(player.Counter()->Position(), 2);
    EXPECT_EQ(focused(), headword);
    // The card reads as its text, its headword first; hidden, the headword is not read.
    const QString card = Browser().accessibleName();
    EXPECT_TRUE(card.startsWith(Engine().LoadedBook().vocabularies[Engine().ActiveOrder()[1]].name + '\n'))
        << card.toStdString();
    QTest::keyClick(headword, Qt::Key_Return);
    EXPECT_FALSE(player.NameShown());
    EXPECT_FALSE(access->state().checked);
    EXPECT_EQ(Browser().accessibleName(), card.section('\n', 1));
    QTest::keyClick(headword, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(player.NameShown());
    EXPECT_TRUE(access->state().checked);

    // A click takes no focus for the button: the panel has it, and its keys work.
    QTest::mouseClick(player.Button(PlayerControl::IDC_PREV), Qt::LeftButton);
    EXPECT_EQ(player.Counter()->Position(), 1);
    EXPECT_EQ(QApplication::focusWidget(), &player);

    // Enter on MENU opens the book menu with the keyboard in it, on its first item; Escape closes it and
    // the focus is back on MENU, framed.
    CSkinButton* menuButton = player.Button(PlayerControl::IDC_MENU);
    menuButton->setFocus(Qt::BacktabFocusReason);
    std::vector<int> active;
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &active] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        active.push_back(menu->activeAction() ? menu->activeAction()->data().toInt() : 0);
        QTest::keyClick(menu, Qt::Key_Down);
        active.push_back(menu->activeAction() ? menu->activeAction()->data().toInt() : 0);
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    poll->start(10);
    QTest::keyClick(menuButton, Qt::Key_Return);
    EXPECT_EQ(active, (std::vector<int>{ID_LOAD_BOOK, ID_BOOK_DETAILS}));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(focused(), menuButton);
    EXPECT_TRUE(menuButton->ShowsFocusFrame());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
}

TEST_F(MainFrameTest, TheWindowClassIsTheOneTheDesktopEntryNames) {
    // Task bars group the window under the installed entry's icon by its X11 class.
    QFile desktop(QStringLiteral(LEXICARTA_SOURCE_DIR "/resources/desktop/lexicarta-desktop.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    QString wmClass;
    for (const QString& line : QString::fromUtf8(desktop.readAll()).split('\n'))
        if (line.startsWith(QLatin1String("StartupWMClass=")))
            wmClass = line.section('=', 1);
    ASSERT_FALSE(wmClass.isEmpty());
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-id", QString::number(frame->winId()), "WM_CLASS"});
    ASSERT_TRUE(xprop.waitForFinished());
    const QString property = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    EXPECT_TRUE(property.endsWith(QStringLiteral(", \"") + wmClass + '"')) << property.toStdString();
}

// Run at the ratio of the screen (main_frame_test_2x: QT_SCALE_FACTOR=2).
TEST_F(MainFrameTest, PicturesAreDrawnForThePixelRatioAtUnchangedLogicalSizes) {
    const qreal dpr = qApp->devicePixelRatio();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        ASSERT_EQ(dpr, 2.0);
    }
    const qreal drawnFor = dpr >= 1.5 ? 2.0 : 1.0;
    SignIn();
    Controller().OpenBook(1);
    WaitForLoad();
    ASSERT_TRUE(Engine().IsLoaded());
    EXPECT_EQ(frame->size(), QSize(400, 330));
    std::vector<CSkinButton*> buttons;
    for (int id = IDC_TOPMOST_BUTTON; id <= IDC_CLOSE_BUTTON; ++id)
        buttons.push_back(View().TitleButton(id));
    for (int id : {PlayerControl::IDC_PREV, PlayerControl::IDC_PLAY, PlayerControl::IDC_NEXT,
                   PlayerControl::IDC_ORDER, PlayerControl::IDC_NAME, PlayerControl::IDC_MEAN,
                   PlayerControl::IDC_EXAMPLE, PlayerControl::IDC_MEMORISED, PlayerControl::IDC_MENU})
        buttons.push_back(View().Player()->Button(id));
    for (CSkinButton* button : buttons) {
        const QPixmap* look = button->Bitmap(CSkinButton::Look::Normal);
        ASSERT_NE(look, nullptr) << button->CommandId();
        EXPECT_EQ(look->devicePixelRatio(), drawnFor) << button->CommandId();
        // The layout's place for the button is the look's size in device-independent pixels.
        EXPECT_EQ(QSizeF(button->size()), look->deviceIndependentSize()) << button->CommandId();
    }
    EXPECT_EQ(View().TitleButton(IDC_CLOSE_BUTTON)->geometry(), QRect(380, 5, 14, 14));
    EXPECT_EQ(View().Player()->Button(PlayerControl::IDC_PLAY)->size(), QSize(44, 49));

    // On the screen: as many pixels as the ratio asks for, and at 2x the logo is drawn finely, not
    // scaled up (in a scaled-up picture every 2 x 2 block is one colour).
    const QImage shot = frame->grab().toImage();
    EXPECT_EQ(shot.size(), (QSizeF(400, 330) * dpr).toSize());
    if (drawnFor == 2.0) {
        const QImage logo = shot.copy(QRect(20, 8, 246, 34));
        int fine = 0;
        for (int y = 0; y < logo.height(); y += 2)
            for (int x = 0; x < logo.width(); x += 2)
                fine += logo.pixel(x + 1, y) != logo.pixel(x, y) || logo.pixel(x, y + 1) != logo.pixel(x, y);
        EXPECT_GT(fine, logo.width() * logo.height() / 4 / 20);
    }

    // The loading box's animation as well.
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromResource(IDR_LOADING_GIF, QStringLiteral("GIF")));
    EXPECT_EQ(picture.size(), QSize(32, 32));
    EXPECT_EQ(picture.PictureSize(), QSize(32, 32) * int(drawnFor));
}

TEST_F(MainFrameTest, Screenshots) {
    SignIn();
    Controller().OpenBook(1);
    WaitForLoad();
    ASSERT_TRUE(
        WaitUntil([this] { return PageText().contains(Engine().LoadedBook().vocabularies[0].name); }));
    Engine().StartPlaying();
    QTest::qWait(300);
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
    QDir().mkpath(dir);
    // One set for each pixel ratio the test runs at (main_frame_test_2x runs it at 2).
    const QString scale = QStringLiteral("@%1x").arg(qApp->devicePixelRatio());
    EXPECT_TRUE(frame->grab().save(dir + QStringLiteral("/main_window") + scale + QStringLiteral(".png")));
    frame->showMaximized();
    ASSERT_TRUE(WaitUntil([this] { return frame->isMaximized(); }));
    // Without a window manager nobody resizes a maximised window: do what one would.
    frame->setGeometry(frame->screen()->availableGeometry());
    QTest::qWait(500);
    EXPECT_TRUE(
        frame->grab().save(dir + QStringLiteral("/main_window_maximised") + scale + QStringLiteral(".png")));
}

} // namespace

namespace {

// Opens the player's book menu as a click on its button does and chooses the item `id`.
void ChooseFromBookMenu(PlayerControl& player, int id) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, id] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        for (QAction* action : menu->actions())
            if (action->data().toInt() == id)
                menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll->start(10);
    player.Button(PlayerControl::IDC_MENU)->click();
}

TEST_F(MainFrameTest, AUserSignsInStudiesTwoBooksMarksACardAndSignsOut) {
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 1);
    Start();
    LoginControl& signIn = *View().SignInPanel();
    EXPECT_EQ(frame->focusWidget(), signIn.UserEdit());
    QTest::keyClicks(signIn.UserEdit(), QStringLiteral("demo"));
    QTest::keyClick(signIn.UserEdit(), Qt::Key_Tab);
    EXPECT_EQ(frame->focusWidget(), signIn.PasswordEdit());
    QTest::keyClicks(signIn.PasswordEdit(), QStringLiteral("demo"));
    QTest::keyClick(signIn.PasswordEdit(), Qt::Key_Return);
    WaitWhileBusy();
    ASSERT_TRUE(frame->Client().IsSignedIn());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    // The start book arrives 100 ms later and plays.
    ASSERT_TRUE(WaitUntil([this] { return Engine().IsLoaded() && !Engine().IsLoading(); }, 30000));
    WaitForLoad();
    EXPECT_TRUE(Engine().IsPlaying());
    const uint32_t first = Engine().BookId();
    EXPECT_TRUE(
        WaitUntil([this] { return PageText().contains(Engine().LoadedBook().vocabularies[0].name); }));
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::User.name, QString()), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, 0), 0); // the box was not ticked

    // The book list through the menu: playing stops, the list shows the demo books.
    ChooseFromBookMenu(*View().Player(), ID_LOAD_BOOK);
    WaitWhileBusy();
    ASSERT_EQ(View().CurrentPanel(), CChildView::PANEL_LIBRARY);
    EXPECT_FALSE(Engine().IsPlaying());
    LibraryControl& library = *View().LibraryPanel();
    ASSERT_EQ(library.List()->rowCount(), 5);
    int other = -1;
    for (int row = 0; row < library.List()->rowCount(); ++row)
        if (library.BookId(row) == 2)
            other = row;
    ASSERT_GE(other, 0);
    // Double-clicking a title loads it.
    QWidget* cells = library.List()->viewport();
    const QRect cell = library.List()->visualRect(library.List()->model()->index(other, 0));
    QTest::mouseClick(cells, Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(cells, Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    WaitForLoad();
    ASSERT_EQ(Engine().BookId(), 2u);
    EXPECT_NE(first, 2u);
    const uint32_t card = Engine().LoadedBook().vocabularies[Engine().ActiveOrder()[0]].id;

    // "0" marks the card on display.
    Engine().StopPlaying();
    QTest::keyClick(View().Player(), Qt::Key_0);
    Engine().WaitForWorkers();
    EXPECT_EQ(service.Marks("demo"), std::vector<int64_t>{int64_t(card)});

    // What the service saw, in order.
    std::vector<std::string> seen;
    for (const DevService::Request& request : service.Requests()) {
        const std::string& t = request.target;
        if (t.rfind("/application/", 0) == 0 && t.find("plugin") == std::string::npos &&
            t.find("save_learning_log") == std::string::npos)
            seen.push_back(t.substr(0, t.find('/', 13)));
    }
    const std::vector<std::string> expected = {"/application/login", "/application/update",
                                               "/application/book",  "/application/library",
                                               "/application/book",  "/application/complete"};
    EXPECT_EQ(seen, expected);

    // Signing out from the tray menu: the cards seen since the last learning-log send go out first,
    // while the service still knows the account; a sign-in asked for meanwhile waits for them.
    frame->OnCommand(ID_LOGOUT);
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_FALSE(Engine().IsLoaded());
    Controller().SignIn(QStringLiteral("a b"), QStringLiteral("p+w"), false);
    WaitWhileBusy();
    std::vector<int64_t> logged;
    for (const auto& [date, ids] : service.LearningLog("demo"))
        logged.insert(logged.end(), ids.begin(), ids.end());
    EXPECT_NE(std::find(logged.begin(), logged.end(), int64_t(card)), logged.end());
    const std::vector<DevService::Request> all = service.Requests();
    size_t cardSent = all.size(), otherSignIn = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].target == "/application/save_learning_log" &&
            all[i].body.find(std::to_string(card)) != std::string::npos && cardSent == all.size())
            cardSent = i;
        if (all[i].target == "/application/login" && all[i].body.find("a%20b") != std::string::npos)
            otherSignIn = i;
    }
    EXPECT_LT(cardSent, otherSignIn);
    ASSERT_TRUE(WaitUntil([this] { return frame->Client().IsSignedIn(); }, 30000)); // as "a b" now
}

TEST_F(MainFrameTest, WhatAnAccountLeftUnconfirmedGoesOutAtItsNextSignInOnly) {
    const Outbox demo(Outbox::DefaultFolder(), QStringLiteral("demo"));
    const Outbox other(Outbox::DefaultFolder(), QStringLiteral("a b"));
    ASSERT_TRUE(demo.Save({{{1003, 1}}, {{"2024-03-01", {1004}}}}));
    ASSERT_TRUE(other.Save({{{6001, 6}}, {}}));
    service.ClearRequests();
    Controller().SignIn(QStringLiteral("demo"), QStringLiteral("demo"), false);
    WaitWhileBusy();
    ASSERT_TRUE(frame->Client().IsSignedIn());
    ASSERT_TRUE(WaitUntil([&] { return !QFile::exists(demo.FilePath()); }, 30000));
    EXPECT_EQ(service.Marks("demo"), std::vector<int64_t>{1003});
    EXPECT_EQ(service.LearningLog("demo")["2024-03-01"], std::vector<int64_t>{1004});
    EXPECT_TRUE(service.RequestsTo("/application/complete/6001").empty());
    EXPECT_FALSE(other.Load().IsEmpty());
    ASSERT_TRUE(other.Save({}));
}

TEST_F(MainFrameTest, AutomaticSignInAtStartPlaysTheStartBookOrIsForgotten) {
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 1);
    StoreAutoSignIn(IssueToken());
    Start();
    ASSERT_TRUE(frame->Client().IsSignedIn());
    WaitForLoad();
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, 0), 1);

    // A token the service refuses: the sign-in panel, and the stored automatic sign-in is erased.
    StoreAutoSignIn(QStringLiteral("not-a-token"));
    Start();
    EXPECT_FALSE(frame->Client().IsSignedIn());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 0);
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::Token.name, QStringLiteral("x")), QString());
    EXPECT_TRUE(boxes.empty());
    // The id is pre-filled, so the password field has the focus.
    EXPECT_EQ(View().SignInPanel()->UserEdit()->text(), QStringLiteral("demo"));
    EXPECT_EQ(frame->focusWidget(), View().SignInPanel()->PasswordEdit());
}

TEST_F(MainFrameTest, AutomaticSignInWithoutTheServiceKeepsTheTokenAndSignsInOnceItIsBack) {
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 1);
    const QString token = IssueToken();
    StoreAutoSignIn(token);
    DevService::Fault down;
    down.path = "*";
    down.drop = true;
    ASSERT_TRUE(service.SetFault(down));
    Start();
    // The network is not up yet: the stored sign-in stays and the id is filled in.
    EXPECT_FALSE(frame->Client().IsSignedIn());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 1);
    EXPECT_EQ(SettingsStore::GetString(SettingsStore::Token.name, QString()), token);
    EXPECT_EQ(View().SignInPanel()->UserEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(Controller().AutomaticSignInRetry().IsScheduled());
    const auto signInsSent = [this] { return service.RequestsTo("/application/auto_login").size(); };
    EXPECT_EQ(signInsSent(), 1u);

    // Still down: only the probe goes out, and the next try comes later.
    Controller().AutomaticSignInRetry().OnDue();
    ASSERT_TRUE(WaitUntil([this] { return Controller().AutomaticSignInRetry().IsScheduled(); }));
    EXPECT_EQ(signInsSent(), 1u);
    EXPECT_EQ(View().SignInPanel()->SignInButton()->isEnabled(), true); // the user may sign in by hand

    // Back, but the user has started typing: the panel is theirs.
    ASSERT_TRUE(service.ClearFaults());
    View().SignInPanel()->PasswordEdit()->setText(QStringLiteral("typed"));
    ASSERT_TRUE(service.ClearRequests());
    Controller().AutomaticSignInRetry().OnDue();
    EXPECT_TRUE(Controller().AutomaticSignInRetry().IsScheduled());
    EXPECT_TRUE(service.Requests().empty());

    // Left alone again: the program signs in by itself and plays the book.
    View().SignInPanel()->PasswordEdit()->clear();
    Controller().AutomaticSignInRetry().OnDue();
    ASSERT_TRUE(WaitUntil([this] { return Controller().IsBusy() || frame->Client().IsSignedIn(); }));
    WaitWhileBusy();
    ASSERT_TRUE(frame->Client().IsSignedIn());
    WaitForLoad();
    EXPECT_TRUE(Engine().IsLoaded());
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 1);
    EXPECT_FALSE(Controller().AutomaticSignInRetry().IsScheduled());
}

TEST_F(MainFrameTest, LogOutWhileTheBookIsOnItsWayPlaysNothingAndTheNextAccountGetsItsOwnBook) {
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 1);
    Start();
    SignIn();
    DevService::Fault held;
    held.path = "/application/book/1";
    held.delayMs = 60000;
    held.times = 1;
    ASSERT_TRUE(service.SetFault(held));
    Controller().OpenBook(1);
    ASSERT_TRUE(WaitUntil([this] { return !service.RequestsTo("/application/book/1").empty(); }));
    frame->OnCommand(ID_LOGOUT);
    EXPECT_FALSE(Engine().IsLoading());
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);

    // Another account signs in at once and gets its own book.
    Controller().SignIn(QStringLiteral("a b"), QStringLiteral("p+w"), false);
    WaitWhileBusy();
    ASSERT_TRUE(WaitUntil([this] { return Engine().IsLoaded() && Engine().IsPlaying(); }, 30000));
    const std::string own = Engine().LoadedBook().title.toStdString();
    EXPECT_EQ(own, "작은 단어장");

    // The first account's book arrives late and is dropped: nothing of it plays or is logged.
    ASSERT_TRUE(service.ClearFaults());
    ASSERT_TRUE(WaitUntil([this] { return !Engine().HasLoadWorker(); }, 30000));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(Engine().LoadedBook().title.toStdString(), own);
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_PLAYER);
    EXPECT_TRUE(service.LearningLog("demo").empty());
}

TEST_F(MainFrameTest, ANewerVersionAtStartIsInstalledOrTheUserStaysSignedOut) {
    ASSERT_TRUE(service.SetNewestVersion("9.0"));
    // Declined: the update-required message, the sign-in panel, automatic sign-in switched off.
    answer = MessageBox::AnswerNo;
    StoreAutoSignIn(IssueToken());
    Start();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes.back(), QStringLiteral("프로그램 실행 환경 동기화를 위해 반드시 업데이트가 필요합니다."));
    EXPECT_EQ(View().CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_FALSE(Engine().IsLoading() || Engine().IsLoaded());
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 0);

    // Accepted: the installer is downloaded and started with "/S", and the program ends.
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    // The service signs the stand-in installer it serves.
    ASSERT_TRUE(service.SetInstaller("#!/bin/sh\necho \"$@\" > '" + marker.toStdString() + "'\n"));
    answer = MessageBox::AnswerYes;
    StoreAutoSignIn(IssueToken());
    frame.reset();
    frame = std::make_unique<CMainFrame>(std::make_unique<ServiceClient>(service.BaseUrl()));
    QSignalSpy exit(frame.get(), &CMainFrame::exitRequested);
    frame->show();
    ASSERT_TRUE(HtmlViewFixture::WaitForPage(Browser()));
    EXPECT_TRUE(WaitUntil([&exit] { return exit.count() == 1; }));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(WaitUntil([&marker] { return QFile::exists(marker); }));
    QFile started(marker);
    EXPECT_TRUE(WaitUntil([&started] { return started.open(QIODevice::ReadOnly) && started.size() > 0; }));
    EXPECT_EQ(started.readAll(), QByteArray("/S\n"));
    EXPECT_EQ(SettingsStore::GetInt(SettingsStore::AutoLogin.name, -1), 0);
}

} // namespace
