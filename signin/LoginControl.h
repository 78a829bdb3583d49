#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QPixmap>
#include <QWidget>

class CSkinButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class ServiceClient;

// The sign-in panel: user id, password, the automatic sign-in check box, the sign-in button and the
// links to the service's registration and id-recovery pages. A sign-in runs behind the loading box;
// a successful one stores the user id (and the automatic sign-in token when the service issued one),
// runs the update check and hands over to the player panel.
class LoginControl : public QWidget {
    Q_OBJECT
  public:
    enum ControlId : int {
        IDC_USER = 100,
        IDC_PASSWORD = 101,
        IDC_AUTO_SIGNIN = 1012,
        IDC_FIND_ID = 1013,
        IDC_SIGNIN = 1014,
        IDC_REGISTER = 1015,
    };
    // One-shot timer that asks the main window, after a manual sign-in, to open the signed-in book.
    static constexpr int kHandOverTimer = 100;
    static constexpr int kHandOverMs = 100;
    // Texts are read up to this many characters.
    static constexpr int kMaxText = 255;

    explicit LoginControl(ServiceClient& client, QWidget* parent = nullptr);
    ~LoginControl() override;

    // Signs in with the texts of the two fields (the password field is cleared) and handles the outcome.
    void SignIn();
    // The automatic sign-in with the stored token, on the calling thread. True when the client is signed
    // in afterwards; a refused token erases the stored automatic sign-in.
    bool TryAutoSignIn();
    // Runs Login on a worker while the loading box shows modally over `owner`'s window; returns the
    // result code once the box is closed and the worker joined.
    static int RunLoginJob(ServiceClient& client, const QString& user, const QString& password,
                           QWidget* owner);

    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QCheckBox* AutoSignInBox() const { return autoSignIn_; }
    CSkinButton* SignInButton() const { return signIn_; }
    QLabel* RegisterLink() const { return register_; }
    QLabel* FindIdLink() const { return findId_; }

    // Runs the expiry handler of timer `id` if it is set (the timer calls it; tests drive it directly).
    void OnTimer(int id);
    bool IsTimerActive(int id) const;

  Q_SIGNALS:
    // The main view is to show the player panel (after a successful sign-in).
    void playerRequested();
    // The installer has been started: the main window is to hide and close, ending the program.
    void closeRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    QLabel* MakeLabel(const QString& text, const QRect& rect);
    QLabel* MakeLink(const QString& path, const QString& text, const QRect& rect);
    // Enter signs in and Escape does nothing, wherever the focus is inside the panel.
    bool HandleKey(QEvent* event);
    void Message(const QString& text);

    ServiceClient& client_;
    QFont labelFont_;
    QFont editFont_;
    QPixmap logo_;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* autoSignIn_ = nullptr;
    QLabel* register_ = nullptr;
    QLabel* findId_ = nullptr;
    CSkinButton* signIn_ = nullptr;
    QBasicTimer handOver_;
    bool signingIn_ = false;
};
