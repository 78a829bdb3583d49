#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
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

// The window's one child: it draws the title bar, edges and outline (its chrome handles the mouse), shows
// one of the three panels at a time (sign-in, book list, player) and puts up the book menu. What the
// user asks of the panels and the menu goes to the flows' controller, which the frame connects.
class CChildView : public QWidget {
    Q_OBJECT

  public:
    enum Panel : int { PANEL_SIGNIN = 0, PANEL_LIBRARY = 1, PANEL_PLAYER = 2 };

    // Creates the panels (sign-in shown), the browser view with the card page loading, and the
    // title-bar buttons. The engine must outlive the view; `serviceUrl` is where the sign-in panel's
    // links lead.
    CChildView(PlayerTimer& engine, const QString& serviceUrl, QWidget* parent = nullptr);
    ~CChildView() override;

    void ShowPanel(int panel);
    int CurrentPanel() const { return current_; }

    // The book menu, right-aligned at `anchor` (global coordinates), with the book items enabled while
    // no load runs (`idle`) and, for those about the loaded book, while one is `loaded`; returns the
    // chosen command id, or 0.
    int ExecBookMenu(QPoint anchor, bool idle, bool loaded);
    // The same menu, not yet shown; each item's data is its command id.
    static std::unique_ptr<QMenu> BuildBookMenu(bool idle, bool loaded);

    // Sets or clears the frame's stays-on-top state and gives button 103 the matching looks.
    void SetAlwaysOnTop(bool on);
    bool IsAlwaysOnTop() const;
    // Button 105's looks follow the frame's maximised state.
    void UpdateMaximizeButton();
    // A title-bar button pressed (103 to 106).
    void OnTitleButton(int id);

    LoginControl* SignInPanel() const { return signIn_; }
    LibraryControl* LibraryPanel() const { return library_; }
    PlayerControl* Player() const { return player_; }
    HtmlView* Browser() const { return browser_; }
    CSkinButton* TitleButton(int id) const;

  Q_SIGNALS:
    // A right-click on the title strip: the tray menu at this point.
    void trayMenuRequested(QPoint globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    struct Looks {
        QPixmap normal, pressed, hover;
    };
    static Looks LoadLooks(int normal, int pressed, int hover);
    static void Apply(CSkinButton* button, const Looks& looks);

    void CreateChrome();
    void FocusSignIn();
    void FocusCurrentPanel();

    // Children of the view; Qt deletes them with it.
    LoginControl* signIn_ = nullptr;
    LibraryControl* library_ = nullptr;
    PlayerControl* player_ = nullptr;
    HtmlView* browser_ = nullptr;
    std::array<CSkinButton*, 4> buttons_{}; // 103 to 106

    Looks topmostOff_, topmostOn_, minimize_, maximize_, restore_, close_;
    QPixmap titleStrip_, logo_, bottomStrip_, grip_;

    int current_ = PANEL_SIGNIN;
};
