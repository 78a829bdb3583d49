#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QPixmap>
#include <QWidget>

class CSkinButton;
class QCheckBox;
class QLabel;
class QLineEdit;

// The sign-in panel: user id, password, the automatic sign-in check box, the sign-in button and the
// links to the service's registration and id-recovery pages. Signing in is asked of the flows'
// controller with the texts and the box; after a successful sign-in the panel's timer 100 hands over
// to the book that the service named.
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
    // One-shot timer after a manual sign-in: then the signed-in book is to open.
    static constexpr int kHandOverTimer = 100;
    static constexpr int kHandOverMs = 100;
    // Texts are read up to this many characters.
    static constexpr int kMaxText = 255;

    // `serviceUrl` is where the registration and id-recovery links lead.
    explicit LoginControl(const QString& serviceUrl, QWidget* parent = nullptr);
    ~LoginControl() override;

    // Asks for a sign-in with the texts of the two fields (the password field is cleared) and the box.
    void SignIn();
    // While an automatic sign-in runs, the panel takes no sign-in of its own.
    void SetWaiting(bool waiting);
    // The user has typed into the panel: the id was edited or a password entered.
    bool HasUserInput() const;
    void FocusUser();
    void FocusSignInButton();
    // Starts timer 100; when it fires, handOverDue is emitted once.
    void StartHandOver();

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
    void signInRequested(const QString& user, const QString& password, bool autoSignIn);
    // Timer 100 has fired: the signed-in book is to open.
    void handOverDue();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    QLabel* MakeLabel(const QString& text, const QRect& rect);
    QLabel* MakeLink(const QString& url, const QString& text, const QRect& rect);
    // Enter signs in and Escape does nothing, wherever the focus is inside the panel.
    bool HandleKey(QEvent* event);

    QString serviceUrl_;
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
    bool waiting_ = false;
};
