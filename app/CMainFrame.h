#pragma once

#include "app/CChildView.h"
#include "app/MainController.h"
#include "engine/PlayerTimer.h"
#include "service/ServiceClient.h"

#include <QWidget>

#include <memory>

class CChildView;
class QMenu;
class QSystemTrayIcon;

// The program's only top-level window: frameless with rounded corners, covered by the main view that
// draws its chrome. It owns the flows' controller (with the service client and the playback engine)
// and the view, keeps the icon in the notification area with its menu, and hides instead of closing.
class CMainFrame : public QWidget {
    Q_OBJECT
  public:
    // With no client given, the frame talks to the service named by the build or the environment.
    explicit CMainFrame(std::unique_ptr<ServiceClient> client = nullptr, QWidget* parent = nullptr);
    // Destroys the view (and with it every panel) first, then the controller, which joins its workers
    // and then destroys the engine and the service client.
    ~CMainFrame() override;

    // Shows the window and brings it to the front (left click on the icon, a second start).
    void ShowAndActivate();

    // The tray menu with its items updated as it would open now; each item's data is its command id.
    QMenu* TrayMenu() const { return trayMenu_; }
    void UpdateTrayMenu();
    void OnCommand(int id);

    // Leaves the program: hides the window, ends every transfer, stops the engine and closes the frame
    // for good. Later calls do nothing.
    void Exit();
    // Hides or minimises, as closing the window does (minimises where no notification area exists).
    void HideToTray();
    // Whether closing hides the window (a notification area exists) or minimises it.
    bool CanHideToTray() const;
    bool IsExiting() const { return exiting_; }

    CChildView* View() const { return view_.get(); }
    MainController& Controller() const { return *controller_; }
    PlayerTimer& Engine() const { return controller_->Engine(); }
    ServiceClient& Client() const { return controller_->Client(); }
    QSystemTrayIcon* TrayIcon() const { return tray_; }

    // The settings command: the dialog filled from the stored values and the window's real state; on
    // OK the choices are applied and stored.
    void RunSettings();

  Q_SIGNALS:
    // Exit has closed the frame: the program is to end.
    void exitRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void CreateTray();
    void PopUpTrayMenu(QPoint globalPos);
    void ShowProgramInfo();
    // Brings an open dialog of the frame to the front; false when none is open.
    bool RaiseOpenDialog();

    // Destroyed in reverse order: view, then the controller.
    std::unique_ptr<MainController> controller_;
    std::unique_ptr<CChildView> view_;

    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    bool exiting_ = false;
    QWidget* openDialog_ = nullptr; // the settings or information dialog while it runs
};
