#pragma once

#include "app/SignInRetry.h"
#include "engine/PlayerTimer.h"
#include "platform/BackgroundRunner.h"
#include "service/ServiceClient.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class CChildView;
class CLoadingBox;
class QMenu;
class WaitCursor;
class QWidget;

// The program's flows in one place: start-up (card page ready, automatic sign-in, update check, the
// signed-in book), the sign-in by hand and its result, opening a book, the book list, clearing marks,
// web pages with a sign-in token, log-out and exit. It holds the service client and the engine; the
// frame and the view show state and hand it what the user asked for.
//
// Requests the user waits for run on a worker through one runner; meanwhile the window keeps painting,
// the wait cursor shows, and the commands that would race the request do nothing, so events reach the
// user in the order the flows give.
class MainController : public QObject {
    Q_OBJECT
  public:
    explicit MainController(std::unique_ptr<ServiceClient> client, QObject* parent = nullptr);
    // Cancels what runs, joins every worker, then destroys the engine and the client in that order.
    ~MainController() override;

    // The view that shows the panels; the controller makes the connections to its panels. It must
    // outlive nothing of the controller: the frame destroys the view first, calling Unbind.
    void Bind(CChildView* view, QWidget* window);
    void Unbind();

    PlayerTimer& Engine() const { return *engine_; }
    ServiceClient& Client() const { return *client_; }

    // A request the user waits for is running (the wait cursor shows).
    bool IsBusy() const { return busy_ > 0; }

    // The flows.
    void OnPageReady();
    // The retries of an automatic sign-in that could not reach the service (tests drive them).
    SignInRetry& AutomaticSignInRetry() { return *signInRetry_; }
    void SignIn(const QString& user, const QString& password, bool autoSignIn);
    void OpenBook(uint32_t bookId);
    void OpenSignedInBook();
    void ShowBookList();
    void ChooseBook(int32_t bookId);
    void ClearMarks();
    void OpenWebPage(int commandId);
    void ShowBookMenu(QPoint anchor);
    // The book menu as it would open now.
    std::unique_ptr<QMenu> BuildBookMenu() const;
    void OnBookCommand(int commandId);
    void Logout();
    // Leaves the program: hides nothing itself (the frame does), ends every transfer and worker.
    void Shutdown();
    // The longest the last learning-log send and the queued marks may take at log-out and exit.
    static constexpr std::chrono::milliseconds kLastSendLimit{1200};
    // A log-out's last sends are under way (a sign-in by hand waits for them).
    bool IsSigningOut() const { return signingOut_; }

    // Results of the engine's book loads.
    void OnBookReady(const PlayerTimer::BookInfo& book);
    void OnLoadFailed();
    void OnNoBook();

    // The stored automatic sign-in is erased: AutoLogin 0 and the token emptied.
    static void ForgetStoredSignIn();

    // Tests replace how the runner's work is run.
    BackgroundRunner& Runner() { return runner_; }

  Q_SIGNALS:
    // The program is to end (a started installer).
    void exitRequested();
    // The settings command of the book menu.
    void settingsRequested();

  private:
    // `retry`: a later attempt of the automatic sign-in, after a failure to reach the service.
    void StartAutomaticSignIn(bool retry);
    SignInRetry::Decision DecideSignInRetry() const;
    enum class UpdateAfter { AutomaticSignIn, SignInByHand };
    void RunUpdateCheck(UpdateAfter after, const QString& user);
    void OnUpdateChecked(int result, UpdateAfter after, const QString& user);
    void SwitchToPlayerWithNotice(const QString& notice);
    void BeginBusy();
    void EndBusy();
    void Message(const QString& text);
    // The modal loading box over the window with `text` (the sign-in, the installer download).
    void ShowLoadingBox(const QString& text);
    void CloseLoadingBox();
    // The account signed in as `user`: what its outbox kept from before goes out now.
    void OpenAccount(const QString& user);
    // After the last sends of a log-out: what is left goes to the outbox; a waiting sign-in runs.
    void FinishLogout();

    std::unique_ptr<ServiceClient> client_;
    std::unique_ptr<PlayerTimer> engine_;
    CChildView* view_ = nullptr;
    QWidget* window_ = nullptr;

    int busy_ = 0;
    std::unique_ptr<WaitCursor> waitCursor_;
    QPointer<CLoadingBox> loadingBox_;
    bool signingIn_ = false;   // an automatic or a hand sign-in with its update check runs
    bool listLoading_ = false; // the book list is being fetched
    bool tokenLoading_ = false;
    bool shuttingDown_ = false;
    bool signingOut_ = false;
    // A sign-in by hand asked for during a log-out's last sends.
    struct HandSignIn {
        QString user, password;
        bool autoSignIn = false;
    };
    std::optional<HandSignIn> waitingSignIn_;
    // What the last sign-in left: signed in, the book the service named, the token it issued.
    ServiceClient::Account account_;
    BackgroundRunner runner_{this};
    // A child of the controller: destroyed after the runner has been joined.
    SignInRetry* signInRetry_ = nullptr;
};
