#include "app/CMainFrame.h"

#include "app/CChildView.h"
#include "app/CProgramInfoDlg.h"
#include "app/ChromeGeometry.h"
#include "app/SettingsDialog.h"
#include "engine/PlayerTimer.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/StartupEntry.h"
#include "platform/TaskStatusEvent.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "service/ServiceClient.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

using namespace Res;

CMainFrame::CMainFrame(std::unique_ptr<ServiceClient> client, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      client_(client ? std::move(client) : std::make_unique<ServiceClient>()),
      engine_(std::make_unique<PlayerTimer>(*client_)) {
    // The engine reads no settings: its values come from here.
    engine_->SetDelayTime(SettingsStore::GetInt(QString::fromLatin1(SettingsStore::DelayTime), 5));
    engine_->SetAutoPlay(SettingsStore::GetInt(QString::fromLatin1(SettingsStore::AutoPlay), 1) != 0);
    setWindowTitle(StringTable::Load(IDR_MAINFRAME));
    setWindowIcon(Artwork::Icon(IDR_MAINFRAME));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(ChromeGeometry::kMinWidth, ChromeGeometry::kMinHeight);
    resize(ChromeGeometry::kStartWidth, ChromeGeometry::kStartHeight);
    // The workers and the browser view report to the main window from the start.
    TaskStatusEvent::SetMainWindow(this);

    view_ = std::make_unique<CChildView>(*engine_, *client_, this);
    view_->setGeometry(rect());
    connect(view_.get(), &CChildView::settingsRequested, this, &CMainFrame::RunSettings);
    connect(view_.get(), &CChildView::trayMenuRequested, this, &CMainFrame::PopUpTrayMenu);
    connect(view_.get(), &CChildView::exitRequested, this, &CMainFrame::Exit);
    CreateTray();
}

CMainFrame::~CMainFrame() {
    if (TaskStatusEvent::MainWindow() == this)
        TaskStatusEvent::SetMainWindow(nullptr);
    if (tray_ != nullptr)
        tray_->hide();
    view_.reset();
    engine_.reset();
    client_.reset();
}

void CMainFrame::CreateTray() {
    trayMenu_ = new QMenu(this);
    auto add = [this](int id, const char16_t* text) {
        QAction* action = trayMenu_->addAction(QString::fromUtf16(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return action;
    };
    trayMenu_->setDefaultAction(add(ID_TRAY_OPEN, u"렉시카르타 데스크톱 열기"));
    trayMenu_->addSeparator();
    add(ID_ALWAYS_ON_TOP, u"항상 위에")->setCheckable(true);
    add(ID_LOGOUT, u"로그아웃");
    trayMenu_->addSeparator();
    add(ID_SETTINGS, u"환경설정");
    trayMenu_->addSeparator();
    add(ID_HELP_DESK, u"도움말");
    add(ID_PROGRAM_INFO, u"렉시카르타 데스크톱 정보");
    trayMenu_->addSeparator();
    add(ID_EXIT, u"끝내기");
    connect(trayMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateTrayMenu);

    tray_ = new QSystemTrayIcon(Artwork::Icon(IDR_MAINFRAME), this);
    tray_->setToolTip(windowTitle().left(127));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            ShowAndActivate();
    });
    tray_->show();
}

void CMainFrame::UpdateTrayMenu() {
    for (QAction* action : trayMenu_->actions()) {
        const int id = action->data().toInt();
        if (id == ID_ALWAYS_ON_TOP)
            action->setChecked(view_->IsAlwaysOnTop());
        else if (id == ID_LOGOUT)
            action->setEnabled(client_->IsSignedIn());
    }
}

void CMainFrame::PopUpTrayMenu(QPoint globalPos) {
    UpdateTrayMenu();
    // Right-aligned at the cursor.
    trayMenu_->popup(QPoint(globalPos.x() - trayMenu_->sizeHint().width(), globalPos.y()));
}

void CMainFrame::OnCommand(int id) {
    switch (id) {
    case ID_TRAY_OPEN:
        ShowAndActivate();
        break;
    case ID_ALWAYS_ON_TOP:
        view_->SetAlwaysOnTop(!view_->IsAlwaysOnTop());
        break;
    case ID_LOGOUT:
        if (client_->IsSignedIn())
            Logout();
        break;
    case ID_SETTINGS:
        RunSettings();
        break;
    case ID_HELP_DESK:
        Shell::Open(client_->BaseUrl() + QStringLiteral("/helpdesk/help_desktop"));
        break;
    case ID_PROGRAM_INFO:
        ShowProgramInfo();
        break;
    case ID_EXIT:
        Exit();
        break;
    default:
        break;
    }
}

bool CMainFrame::RaiseOpenDialog() {
    // The tray menu stays usable while a dialog runs: a second command shows the open dialog.
    if (openDialog_ == nullptr)
        return false;
    openDialog_->raise();
    openDialog_->activateWindow();
    return true;
}

void CMainFrame::RunSettings() {
    if (RaiseOpenDialog())
        return;
    const int delay = SettingsStore::GetInt(QString::fromLatin1(SettingsStore::DelayTime), 5);
    const bool autoPlay = SettingsStore::GetInt(QString::fromLatin1(SettingsStore::AutoPlay), 1) == 1;
    SettingsDialog dialog(IsStartWithPC(), view_->IsAlwaysOnTop(), autoPlay, delay, this);
    openDialog_ = &dialog;
    const int result = dialog.exec();
    openDialog_ = nullptr;
    if (result != QDialog::Accepted || exiting_)
        return;
    view_->SetAlwaysOnTop(dialog.AlwaysOnTop());
    engine_->SetDelayTime(dialog.Delay());
    engine_->SetAutoPlay(dialog.AutoPlay());
    SettingsStore::WriteInt(QString::fromLatin1(SettingsStore::AutoPlay), dialog.AutoPlay() ? 1 : 0);
    SettingsStore::WriteInt(QString::fromLatin1(SettingsStore::StartWithPC), dialog.StartWithPC() ? 1 : 0);
    SettingsStore::WriteInt(QString::fromLatin1(SettingsStore::DelayTime), dialog.Delay());
    SetStartWithPC(dialog.StartWithPC());
}

void CMainFrame::ShowProgramInfo() {
    if (RaiseOpenDialog())
        return;
    CProgramInfoDlg dialog(this);
    openDialog_ = &dialog;
    dialog.exec();
    openDialog_ = nullptr;
}

void CMainFrame::Logout() {
    engine_->ResetBook();
    view_->ShowPanel(CChildView::PANEL_SIGNIN);
    client_->Logout();
    SettingsStore::WriteInt(QString::fromLatin1(SettingsStore::AutoLogin), 0);
    SettingsStore::WriteString(QString::fromLatin1(SettingsStore::Token), QString());
}

void CMainFrame::ShowAndActivate() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool CMainFrame::CanHideToTray() const {
    // Asked at every close: a notification area may come or go while the program runs.
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CMainFrame::HideToTray() {
    if (CanHideToTray()) {
        if (tray_ != nullptr && !tray_->isVisible())
            tray_->show();
        hide();
    } else {
        // Without a notification area a hidden window could not be found again.
        showMinimized();
    }
}

void CMainFrame::Exit() {
    if (exiting_)
        return;
    exiting_ = true;
    hide();
    // Every transfer ends at once, so that joining the workers takes no time.
    client_->AbortAll();
    engine_->ResetBook();
    close();
    Q_EMIT exitRequested();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == TaskStatusEvent::WM_TASK_STATUS && view_) {
        auto* status = static_cast<TaskStatusEvent*>(event);
        view_->OnTaskStatus(status->Code(), status->BookId());
        return true;
    }
    return QWidget::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    event->ignore();
    HideToTray();
}

void CMainFrame::resizeEvent(QResizeEvent*) {
    view_->setGeometry(rect());
    // The rounded shape: a rectangle one pixel wider and higher than the window with 5 x 5 corner
    // ellipses, drawn without smoothing so that the mask is exact.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRectF(0, 0, width() + 1, height() + 1), 2.5, 2.5);
    painter.end();
    setMask(mask);
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && view_)
        view_->UpdateMaximizeButton();
    QWidget::changeEvent(event);
}

void CMainFrame::focusInEvent(QFocusEvent*) {
    view_->setFocus();
}
