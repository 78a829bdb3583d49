#include "app/CChildView.h"

#include "app/ChromeGeometry.h"
#include "engine/PlayerTimer.h"
#include "library/LibraryControl.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/TaskStatusEvent.h"
#include "player/HtmlView.h"
#include "player/MediaPlayer.h"
#include "player/PlayerControl.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "signin/LoginControl.h"
#include "signin/UpdatePrompt.h"
#include "widgets/CSkinButton.h"
#include "widgets/WaitCursor.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTableWidget>
#include <QUrl>
#include <QWindow>

using namespace Res;

namespace {
const QColor kBackground(237, 237, 236);
const QColor kOutline(150, 150, 150);

Qt::Edges EdgesFor(int code) {
    switch (code) {
    case ChromeGeometry::HTLEFT:
        return Qt::LeftEdge;
    case ChromeGeometry::HTRIGHT:
        return Qt::RightEdge;
    case ChromeGeometry::HTTOP:
        return Qt::TopEdge;
    case ChromeGeometry::HTTOPLEFT:
        return Qt::TopEdge | Qt::LeftEdge;
    case ChromeGeometry::HTTOPRIGHT:
        return Qt::TopEdge | Qt::RightEdge;
    case ChromeGeometry::HTBOTTOM:
        return Qt::BottomEdge;
    case ChromeGeometry::HTBOTTOMLEFT:
        return Qt::BottomEdge | Qt::LeftEdge;
    case ChromeGeometry::HTBOTTOMRIGHT:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape CursorFor(int code) {
    switch (code) {
    case ChromeGeometry::HTLEFT:
    case ChromeGeometry::HTRIGHT:
        return Qt::SizeHorCursor;
    case ChromeGeometry::HTTOP:
    case ChromeGeometry::HTBOTTOM:
        return Qt::SizeVerCursor;
    case ChromeGeometry::HTTOPLEFT:
    case ChromeGeometry::HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case ChromeGeometry::HTTOPRIGHT:
    case ChromeGeometry::HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Only an X11 client may place its own window; elsewhere the windowing system moves it.
bool CanPlaceWindows() {
    return QGuiApplication::platformName() == QLatin1String("xcb") ||
           QGuiApplication::platformName() == QLatin1String("offscreen");
}
} // namespace

CChildView::CChildView(PlayerTimer& engine, ServiceClient& client, QWidget* parent)
    : QWidget(parent), engine_(engine), client_(client) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    client_.OpenSession();
    signIn_ = new LoginControl(client_, this);
    library_ = new LibraryControl(client_, engine_, this);
    library_->hide();
    connect(signIn_, &LoginControl::playerRequested, this, [this] { ShowPanel(PANEL_PLAYER); });
    connect(signIn_, &LoginControl::closeRequested, this, &CChildView::exitRequested);
    connect(library_, &LibraryControl::playerRequested, this, [this] { ShowPanel(PANEL_PLAYER); });
    connect(library_, &LibraryControl::signInRequested, this, [this] { ShowPanel(PANEL_SIGNIN); });

    browser_ = new HtmlView();
    // The panel adopts the browser view as its child.
    player_ = new PlayerControl(engine_, *browser_, MediaPlayer::Create(), this);
    player_->hide();
    connect(player_, &PlayerControl::menuRequested, this, &CChildView::ShowBookMenu);
    // The results of the load tasks.
    connect(&engine_, &PlayerTimer::bookReady, this, [this](const PlayerTimer::BookInfo& book) {
        player_->InitPlugins(book);
        engine_.ShowCard(engine_.Position());
        if (engine_.AutoPlay() && !engine_.IsPlaying() && book.cards > 0)
            engine_.StartPlaying();
        player_->update();
    });
    connect(&engine_, &PlayerTimer::loadFailed, this,
            [this] { player_->ShowMessage(QStringLiteral("데이터 불러오기에 실패하였습니다.")); });
    connect(&engine_, &PlayerTimer::noBook, this,
            [this] { player_->ShowMessage(QStringLiteral("학습할 단어장을 선택해 주십시오.")); });
    browser_->LoadPage();

    CreateChrome();
    FocusSignIn();
}

CChildView::~CChildView() = default;

CChildView::Looks CChildView::LoadLooks(int normal, int pressed, int hover) {
    return {Artwork::Bitmap(normal), Artwork::Bitmap(pressed), Artwork::Bitmap(hover)};
}

void CChildView::Apply(CSkinButton* button, const Looks& looks) {
    button->SetBitmaps(&looks.normal, &looks.pressed, &looks.hover, nullptr);
}

void CChildView::CreateChrome() {
    topmostOff_ = LoadLooks(IDB_TOPMOST_OFF_NORMAL, IDB_TOPMOST_OFF_PRESSED, IDB_TOPMOST_OFF_HOVER);
    topmostOn_ = LoadLooks(IDB_TOPMOST_ON_NORMAL, IDB_TOPMOST_ON_PRESSED, IDB_TOPMOST_ON_HOVER);
    minimize_ = LoadLooks(IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_PRESSED, IDB_MINIMIZE_HOVER);
    maximize_ = LoadLooks(IDB_MAXIMIZE_NORMAL, IDB_MAXIMIZE_PRESSED, IDB_MAXIMIZE_HOVER);
    restore_ = LoadLooks(IDB_RESTORE_NORMAL, IDB_RESTORE_PRESSED, IDB_RESTORE_HOVER);
    close_ = LoadLooks(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER);
    titleStrip_ = Artwork::Bitmap(IDB_TITLE_STRIP);
    logo_ = Artwork::Bitmap(IDB_TITLE_LOGO);
    bottomStrip_ = Artwork::Bitmap(IDB_BOTTOM_STRIP);
    grip_ = Artwork::Bitmap(IDB_SIZE_GRIP);

    const Looks* starting[4] = {&topmostOff_, &minimize_, &maximize_, &close_};
    const char16_t* tips[4] = {u"항상위", u"최소화", u"최대화", u"창닫기"};
    // Made after the panels, the buttons come after them in the tab order, 103 to 106. Tab reaches
    // them, a click does not take the focus from the panel.
    for (int i = 0; i < 4; ++i) {
        auto* button = new CSkinButton(this, IDC_TOPMOST_BUTTON + i);
        button->setFocusPolicy(Qt::TabFocus);
        Apply(button, *starting[i]);
        button->setToolTip(QString::fromUtf16(tips[i]));
        connect(button, &CSkinButton::Command, this, &CChildView::OnTitleButton);
        buttons_[static_cast<size_t>(i)] = button;
    }
}

CSkinButton* CChildView::TitleButton(int id) const {
    if (id < IDC_TOPMOST_BUTTON || id > IDC_CLOSE_BUTTON)
        return nullptr;
    return buttons_[static_cast<size_t>(id - IDC_TOPMOST_BUTTON)];
}

// ---- panels ----

void CChildView::FocusSignIn() {
    // The password field when the id is filled in, else the id field.
    if (signIn_->UserEdit()->text().isEmpty())
        signIn_->UserEdit()->setFocus();
    else
        signIn_->PasswordEdit()->setFocus();
}

void CChildView::FocusCurrentPanel() {
    switch (current_) {
    case PANEL_SIGNIN:
        FocusSignIn();
        break;
    case PANEL_LIBRARY:
        library_->List()->setFocus();
        break;
    case PANEL_PLAYER:
        player_->setFocus();
        break;
    default:
        break;
    }
}

void CChildView::ShowPanel(int panel) {
    current_ = panel;
    switch (panel) {
    case PANEL_SIGNIN:
        signIn_->show();
        library_->hide();
        player_->hide();
        FocusSignIn();
        break;
    case PANEL_LIBRARY:
        library_->show();
        player_->hide();
        if (library_->LoadBookList())
            library_->List()->setFocus();
        break;
    case PANEL_PLAYER:
        player_->show();
        signIn_->hide();
        library_->hide();
        browser_->CallScript(QStringLiteral("updateControls"));
        player_->setFocus();
        break;
    default:
        break;
    }
}

void CChildView::OnPageReady() {
    // A sign-in by hand that finished first owns the start; a second one would open the book twice.
    if (client_.IsSignedIn())
        return;
    if (!signIn_->TryAutoSignIn())
        return;
    const int update = UpdatePrompt::CheckForUpdate(client_, window());
    if (update == 1) {
        OpenSignedInBook();
        return;
    }
    SettingsStore::WriteInt(QString::fromLatin1(SettingsStore::AutoLogin), 0);
    SettingsStore::WriteString(QString::fromLatin1(SettingsStore::Token), QString());
    if (update == 0) {
        // The installer runs: the program ends.
        Q_EMIT exitRequested();
        return;
    }
    MessageBox::Show(window(),
                     QStringLiteral("프로그램 실행 환경 동기화를 위해 반드시 업데이트가 필요합니다."),
                     MessageBox::Ok, MessageBox::Exclamation);
}

// ---- background tasks ----

void CChildView::OpenBook(uint32_t bookId) {
    engine_.StartLoad(bookId);
    SwitchToPlayerWithNotice(QStringLiteral("데이터를 불러오는 중"));
}

void CChildView::OpenSignedInBook() {
    engine_.StartLoad(static_cast<uint32_t>(client_.StartBookId()));
    SwitchToPlayerWithNotice(QStringLiteral("데이터를 불러오는 중"));
}

void CChildView::SwitchToPlayerWithNotice(const QString& notice) {
    player_->ShowLoadMessage(notice);
    current_ = PANEL_PLAYER;
    player_->show();
    signIn_->hide();
    library_->hide();
    browser_->CallScript(QStringLiteral("updateControls"));
    player_->setFocus();
}

void CChildView::OnTaskStatus(int code, uint32_t bookId) {
    switch (code) {
    case TaskStatusEvent::TASK_PAGE_READY:
        OnPageReady();
        break;
    case TaskStatusEvent::TASK_OPEN_BOOK:
        OpenBook(bookId);
        break;
    case TaskStatusEvent::TASK_OPEN_SIGNED_IN_BOOK:
        OpenSignedInBook();
        break;
    default:
        break;
    }
}

// ---- book menu ----

std::unique_ptr<QMenu> CChildView::BuildBookMenu() {
    auto menu = std::make_unique<QMenu>();
    const bool idle = !engine_.IsLoading();
    const bool loaded = engine_.IsLoaded();
    auto add = [&menu](int id, const char16_t* text, bool enabled) {
        QAction* action = menu->addAction(QString::fromUtf16(text));
        action->setData(id);
        action->setEnabled(enabled);
    };
    add(ID_LOAD_BOOK, u"단어장 불러오기", idle);
    menu->addSeparator();
    add(ID_BOOK_DETAILS, u"단어장 상세정보 보기", idle && loaded);
    add(ID_CLEAR_MARKS, u"암기완료 전체 해제", idle && loaded);
    menu->addSeparator();
    add(ID_WEB_BOOKS, u"단어장 목록 보기", true);
    add(ID_WEB_LIBRARY, u"단어 라이브러리 보기", true);
    menu->addSeparator();
    add(ID_WEB_COMMUNITY, u"렉시카르타 커뮤니티", true);
    menu->addSeparator();
    add(ID_SETTINGS, u"환경설정", true);
    return menu;
}

void CChildView::ShowBookMenu(QPoint anchor) {
    std::unique_ptr<QMenu> menu = BuildBookMenu();
    const QPoint topLeft(anchor.x() - menu->sizeHint().width(), anchor.y());
    if (QAction* chosen = menu->exec(topLeft))
        OnBookCommand(chosen->data().toInt());
}

void CChildView::OnBookCommand(int id) {
    switch (id) {
    case ID_LOAD_BOOK:
        if (engine_.IsPlaying())
            engine_.StopPlaying();
        ShowPanel(PANEL_LIBRARY);
        break;
    case ID_CLEAR_MARKS:
        if (MessageBox::Show(this, QStringLiteral("암기완료를 모두 해제하시겠습니까?"), MessageBox::YesNo,
                             MessageBox::Information) != MessageBox::AnswerYes)
            return;
        if (engine_.IsLoaded())
            engine_.StartClearMarks(engine_.BookId());
        SwitchToPlayerWithNotice(QStringLiteral("암기완료를 해제하는 중"));
        break;
    case ID_BOOK_DETAILS:
    case ID_WEB_BOOKS:
    case ID_WEB_LIBRARY:
    case ID_WEB_COMMUNITY:
        OpenWebPage(id);
        break;
    case ID_SETTINGS:
        Q_EMIT settingsRequested();
        break;
    default:
        break;
    }
}

void CChildView::OpenWebPage(int id) {
    if (id == ID_BOOK_DETAILS && !engine_.IsLoaded()) {
        MessageBox::Show(this, QStringLiteral("단어장을 먼저 선택해주세요"));
        return;
    }
    QString suffix;
    switch (id) {
    case ID_WEB_LIBRARY:
        suffix = QStringLiteral("?to=/library");
        break;
    case ID_WEB_BOOKS:
        suffix = QStringLiteral("?to=/books");
        break;
    case ID_WEB_COMMUNITY:
        suffix = QStringLiteral("?to=/forums");
        break;
    default:
        suffix = QStringLiteral("?to=/books/view/") + QString::number(engine_.BookId());
        break;
    }
    QString token;
    {
        const WaitCursor wait;
        // A failed request leaves the token empty; the page opens all the same.
        if (client_.GetToken(token) != ServiceClient::ResultOk)
            token.clear();
    }
    // The token is placed into a path: anything but URL-safe characters is escaped.
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(token));
    Shell::Open(client_.BaseUrl() + QStringLiteral("/application/auth_token/") + encoded + suffix);
}

// ---- chrome ----

bool CChildView::IsAlwaysOnTop() const {
    return window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void CChildView::SetAlwaysOnTop(bool on) {
    QWidget* frame = window();
    if (IsAlwaysOnTop() != on) {
        if (QWindow* handle = frame->windowHandle()) {
            // Straight to the native window: changing the widget's flags would recreate it, hiding the
            // window and reloading the card page.
            handle->setFlag(Qt::WindowStaysOnTopHint, on);
            frame->overrideWindowFlags(handle->flags());
        } else {
            frame->setWindowFlag(Qt::WindowStaysOnTopHint, on);
        }
    }
    CSkinButton* button = TitleButton(IDC_TOPMOST_BUTTON);
    Apply(button, on ? topmostOn_ : topmostOff_);
    button->repaint();
}

void CChildView::UpdateMaximizeButton() {
    CSkinButton* button = TitleButton(IDC_MAXIMIZE_BUTTON);
    Apply(button, window()->isMaximized() ? restore_ : maximize_);
    button->update();
}

void CChildView::OnTitleButton(int id) {
    QWidget* frame = window();
    switch (id) {
    case IDC_TOPMOST_BUTTON:
        SetAlwaysOnTop(!IsAlwaysOnTop());
        break;
    case IDC_MINIMIZE_BUTTON:
        if (frame->isMinimized())
            frame->showNormal();
        else
            frame->showMinimized();
        break;
    case IDC_MAXIMIZE_BUTTON:
        if (frame->isMaximized())
            frame->showNormal();
        else
            frame->showMaximized();
        UpdateMaximizeButton();
        break;
    case IDC_CLOSE_BUTTON:
        // The frame hides itself in the notification area.
        frame->close();
        break;
    default:
        break;
    }
}

void CChildView::resizeEvent(QResizeEvent*) {
    const int cx = width();
    const int cy = height();
    signIn_->setGeometry(ChromeGeometry::SignInPanel(cx, cy));
    library_->setGeometry(ChromeGeometry::MainPanel(cx, cy));
    player_->setGeometry(ChromeGeometry::MainPanel(cx, cy));
    for (int id = IDC_TOPMOST_BUTTON; id <= IDC_CLOSE_BUTTON; ++id)
        TitleButton(id)->setGeometry(QRect(ChromeGeometry::TitleButton(id, cx), QSize(14, 14)));
}

void CChildView::paintEvent(QPaintEvent*) {
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    if (!titleStrip_.isNull())
        painter.drawPixmap(QRect(1, 1, w - 2, 26), titleStrip_);
    if (!logo_.isNull())
        painter.drawPixmap(10, 4, logo_);
    if (!bottomStrip_.isNull())
        painter.drawPixmap(QRect(1, h - 11, w - 2, 10), bottomStrip_);
    if (!grip_.isNull())
        painter.drawPixmap(w - 12, h - 12, grip_);
    // The outline: a rounded rectangle through the outermost pixels, corner ellipse 5 x 5.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kOutline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(0, 0, w - 1, h - 1), 2.5, 2.5);
}

void CChildView::focusInEvent(QFocusEvent*) {
    FocusCurrentPanel();
}

void CChildView::UpdateCursor(QPoint pos) {
    const int code = ChromeGeometry::HitTest(width(), height(), pos);
    setCursor(CursorFor(code));
}

void CChildView::mousePressEvent(QMouseEvent* event) {
    const int code = ChromeGeometry::HitTest(width(), height(), event->position().toPoint());
    QWidget* frame = window();
    if (event->button() == Qt::RightButton) {
        if (code == ChromeGeometry::HTCAPTION)
            Q_EMIT trayMenuRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (code == ChromeGeometry::HTCAPTION) {
        if (frame->isMaximized())
            return;
        if (!CanPlaceWindows()) {
            if (QWindow* handle = frame->windowHandle())
                handle->startSystemMove();
            return;
        }
        drag_ = Drag::Move;
        dragOffset_ = event->globalPosition().toPoint() - frame->pos();
        return;
    }
    if (ChromeGeometry::IsSizingEdge(code)) {
        if (QWindow* handle = frame->windowHandle(); handle && handle->startSystemResize(EdgesFor(code)))
            return;
        // No help from the windowing system (none runs, as under a bare X server): resize by hand.
        drag_ = Drag::Resize;
        dragEdge_ = code;
        dragStart_ = event->globalPosition().toPoint();
        dragGeometry_ = frame->geometry();
    }
}

void CChildView::mouseMoveEvent(QMouseEvent* event) {
    QWidget* frame = window();
    const QPoint global = event->globalPosition().toPoint();
    switch (drag_) {
    case Drag::Move: {
        const QRect proposed(global - dragOffset_, frame->size());
        QScreen* screen = QGuiApplication::screenAt(proposed.center());
        if (screen == nullptr)
            screen = frame->screen();
        frame->move(screen ? ChromeGeometry::Snap(proposed, screen->availableGeometry())
                           : proposed.topLeft());
        break;
    }
    case Drag::Resize:
        frame->setGeometry(ChromeGeometry::Resized(dragGeometry_, dragEdge_, global - dragStart_));
        break;
    case Drag::None:
        UpdateCursor(event->position().toPoint());
        break;
    }
}

void CChildView::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
}

void CChildView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        ChromeGeometry::HitTest(width(), height(), event->position().toPoint()) ==
            ChromeGeometry::HTCAPTION) {
        drag_ = Drag::None;
        OnTitleButton(IDC_MAXIMIZE_BUTTON);
    }
}
