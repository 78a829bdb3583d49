#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class CSkinButton;
class HtmlView;
class LibraryControl;
class LoginControl;
class PlayerControl;
class PlayerTimer;
class QMenu;
class ServiceClient;

// The window's one child: it draws the title bar, edges and outline, behaves as caption and sizing
// border, shows one of the three panels at a time (sign-in, book list, player), owns the book menu and
// starts the background tasks that load a book or clear its marks. The frame hands it every task status.
class CChildView : public QWidget {
    Q_OBJECT

  public:
    enum Panel : int { PANEL_SIGNIN = 0, PANEL_LIBRARY = 1, PANEL_PLAYER = 2 };

    // Opens the client's session, creates the panels (sign-in shown), the browser view with the card
    // page loading, and the title-bar buttons. The engine and the client must outlive the view.
    CChildView(PlayerTimer& engine, ServiceClient& client, QWidget* parent = nullptr);
    ~CChildView() override;

    void ShowPanel(int panel);
    int CurrentPanel() const { return current_; }

    // The book menu, right-aligned at `anchor` (global coordinates).
    void ShowBookMenu(QPoint anchor);
    // The book menu with its items enabled as they would be now; each item's data is its command id.
    std::unique_ptr<QMenu> BuildBookMenu();
    void OnBookCommand(int id);

    // Sets or clears the frame's stays-on-top state and gives button 103 the matching looks.
    void SetAlwaysOnTop(bool on);
    bool IsAlwaysOnTop() const;
    // Button 105's looks follow the frame's maximised state.
    void UpdateMaximizeButton();
    // A title-bar button pressed (103 to 106).
    void OnTitleButton(int id);

    // A WM_TASK_STATUS for the main window.
    void OnTaskStatus(int code, uint32_t bookId);
    void OpenBook(uint32_t bookId);
    void OpenSignedInBook();
    // The card page has loaded at start: automatic sign-in, the update check, then the signed-in book.
    void OnPageReady();

    LoginControl* SignInPanel() const { return signIn_; }
    LibraryControl* LibraryPanel() const { return library_; }
    PlayerControl* Player() const { return player_; }
    HtmlView* Browser() const { return browser_; }
    CSkinButton* TitleButton(int id) const;

  Q_SIGNALS:
    // The settings command of the book menu (the frame runs it).
    void settingsRequested();
    // A right-click on the title strip: the tray menu at this point.
    void trayMenuRequested(QPoint globalPos);
    // The installer has been started: the program is to end.
    void exitRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    struct Looks {
        QPixmap normal, pressed, hover;
    };
    static Looks LoadLooks(int normal, int pressed, int hover);
    static void Apply(CSkinButton* button, const Looks& looks);

    void CreateChrome();
    void FocusSignIn();
    void FocusCurrentPanel();
    // Steps shared by opening a book and clearing marks once the worker runs.
    void SwitchToPlayerWithNotice(const QString& notice);
    void OpenWebPage(int id);
    void UpdateCursor(QPoint pos);

    PlayerTimer& engine_;
    ServiceClient& client_;

    // Children of the view; Qt deletes them with it.
    LoginControl* signIn_ = nullptr;
    LibraryControl* library_ = nullptr;
    PlayerControl* player_ = nullptr;
    HtmlView* browser_ = nullptr;
    std::array<CSkinButton*, 4> buttons_{}; // 103 to 106

    Looks topmostOff_, topmostOn_, minimize_, maximize_, restore_, close_;
    QPixmap titleStrip_, logo_, bottomStrip_, grip_;

    int current_ = PANEL_SIGNIN;

    // A caption drag moving the window, or an edge drag resizing it where the windowing system does
    // not do it for us.
    enum class Drag { None, Move, Resize };
    Drag drag_ = Drag::None;
    int dragEdge_ = 0;
    QPoint dragOffset_;
    QPoint dragStart_;
    QRect dragGeometry_;
};
