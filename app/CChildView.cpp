#include "app/CChildView.h"

#include "app/ChromeGeometry.h"
#include "app/WindowChrome.h"
#include "library/LibraryControl.h"
#include "player/HtmlView.h"
#include "player/MediaPlayer.h"
#include "player/PlayerControl.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "signin/LoginControl.h"
#include "widgets/CSkinButton.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QWindow>

using namespace Res;

namespace {
const QColor kBackground(237, 237, 236);
const QColor kOutline(150, 150, 150);

} // namespace

CChildView::CChildView(PlayerTimer& engine, const QString& serviceUrl, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    signIn_ = new LoginControl(serviceUrl, this);
    library_ = new LibraryControl(this);
    library_->hide();
    // The book list's back button returns to the loaded book without restarting it.
    connect(library_, &LibraryControl::playerRequested, this, [this] { ShowPanel(PANEL_PLAYER); });

    browser_ = new HtmlView();
    // The panel adopts the browser view as its child.
    player_ = new PlayerControl(engine, *browser_, MediaPlayer::Create(), this);
    player_->hide();
    browser_->LoadPage();

    auto* chrome = new WindowChrome(this);
    connect(chrome, &WindowChrome::captionRightClicked, this, &CChildView::trayMenuRequested);
    connect(chrome, &WindowChrome::captionDoubleClicked, this,
            [this] { OnTitleButton(IDC_MAXIMIZE_BUTTON); });

    CreateChrome();
    FocusSignIn();
}

CChildView::~CChildView() = default;

CChildView::Looks CChildView::LoadLooks(int normal, int pressed, int hover) {
    return {Artwork::Bitmap(normal), Artwork::Bitmap(pressed), Artwork::Bitmap(hover)};
}

void CChildView::Apply(CSkinButton* button, const Looks& looks) {
    button->SetBitmaps(looks.normal, looks.pressed, looks.hover);
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
    // Assistive technology hears whether the window stays on top.
    buttons_[0]->setCheckable(true);
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
        // The flows' controller fills the list and focuses it once the service has answered.
        library_->show();
        player_->hide();
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

// ---- book menu ----

std::unique_ptr<QMenu> CChildView::BuildBookMenu(bool idle, bool loaded) {
    auto menu = std::make_unique<QMenu>();
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

int CChildView::ExecBookMenu(QPoint anchor, bool idle, bool loaded) {
    std::unique_ptr<QMenu> menu = BuildBookMenu(idle, loaded);
    // Opened from the keyboard, the menu starts on its first item that can be chosen: the keys go on
    // from there, and a screen reader says where the user is.
    const CSkinButton* menuButton = player_->Button(PlayerControl::IDC_MENU);
    if (menuButton != nullptr && menuButton->ShowsFocusFrame()) {
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isEnabled()) {
                menu->setActiveAction(action);
                break;
            }
        }
    }
    const QPoint topLeft(anchor.x() - menu->sizeHint().width(), anchor.y());
    QAction* chosen = menu->exec(topLeft);
    return chosen != nullptr ? chosen->data().toInt() : 0;
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
    button->setChecked(on);
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
