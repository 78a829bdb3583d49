#include "app/MainController.h"

#include "app/CChildView.h"
#include "engine/Outbox.h"
#include "engine/PlayerTimer.h"
#include "library/BookList.h"
#include "library/LibraryControl.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/StartupTrace.h"
#include "player/HtmlView.h"
#include "player/PlayerControl.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "service/UpdateCheck.h"
#include "signin/LoginControl.h"
#include "signin/UpdatePrompt.h"
#include "widgets/CLoadingBox.h"
#include "widgets/WaitCursor.h"

#include <QMenu>
#include <QTableWidget>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <utility>

using namespace Res;

namespace {
const QString kUpdateRequired =
    QStringLiteral("프로그램 실행 환경 동기화를 위해 반드시 업데이트가 필요합니다.");
const QString kCheckConnection = QStringLiteral("인터넷 연결 상태를 확인해주시기 바랍니다.");
} // namespace

MainController::MainController(std::unique_ptr<ServiceClient> client, QObject* parent)
    : QObject(parent), client_(std::move(client)), engine_(std::make_unique<PlayerTimer>(*client_)) {
    client_->OpenSession();
    signInRetry_ = new SignInRetry(
        *client_, runner_, [this] { return DecideSignInRetry(); }, this);
    connect(signInRetry_, &SignInRetry::due, this, [this] { StartAutomaticSignIn(true); });
    connect(engine_.get(), &PlayerTimer::bookReady, this, &MainController::OnBookReady);
    connect(engine_.get(), &PlayerTimer::loadFailed, this, &MainController::OnLoadFailed);
    connect(engine_.get(), &PlayerTimer::noBook, this, &MainController::OnNoBook);
    engine_->SetDelayTime(SettingsStore::Get(SettingsStore::DelayTime));
    // The engine takes any stored value but 0 as on.
    engine_->SetAutoPlay(SettingsStore::Get(SettingsStore::AutoPlay) != 0);
}

MainController::~MainController() {
    Unbind();
    // Transfers end at once, so that joining the workers takes no time.
    client_->AbortAll();
    runner_.Cancel();
    runner_.Join();
    // What was not confirmed is kept for the account's next sign-in.
    engine_->ResetBook();
    engine_->WaitForWorkers();
    engine_->CloseAccount();
    engine_.reset();
    client_.reset();
}

void MainController::Bind(CChildView* view, QWidget* window) {
    view_ = view;
    window_ = window;
    LoginControl* signIn = view->SignInPanel();
    connect(signIn, &LoginControl::signInRequested, this, &MainController::SignIn);
    connect(signIn, &LoginControl::handOverDue, this, &MainController::OpenSignedInBook);
    connect(view->LibraryPanel(), &LibraryControl::bookChosen, this, &MainController::ChooseBook);
    connect(view->Browser(), &HtmlView::PageReady, this, &MainController::OnPageReady);
    connect(view->Player(), &PlayerControl::menuRequested, this, &MainController::ShowBookMenu);
}

std::unique_ptr<QMenu> MainController::BuildBookMenu() const {
    return CChildView::BuildBookMenu(!engine_->IsLoading(), engine_->IsLoaded());
}

void MainController::ShowBookMenu(QPoint anchor) {
    if (view_ == nullptr)
        return;
    if (const int id = view_->ExecBookMenu(anchor, !engine_->IsLoading(), engine_->IsLoaded()))
        OnBookCommand(id);
}

void MainController::Unbind() {
    if (view_ != nullptr)
        disconnect(view_, nullptr, this, nullptr);
    view_ = nullptr;
    window_ = nullptr;
}

void MainController::Message(const QString& text) {
    MessageBox::Show(window_, text, MessageBox::Ok, MessageBox::Exclamation);
}

void MainController::BeginBusy() {
    if (busy_++ == 0)
        waitCursor_ = std::make_unique<WaitCursor>();
}

void MainController::EndBusy() {
    if (busy_ > 0 && --busy_ == 0)
        waitCursor_.reset();
}

void MainController::ShowLoadingBox(const QString& text) {
    CloseLoadingBox();
    loadingBox_ = new CLoadingBox(window_);
    loadingBox_->SetText(text);
    loadingBox_->setModal(true);
    loadingBox_->show();
}

void MainController::CloseLoadingBox() {
    // The user cannot close the box: only its end does.
    if (loadingBox_ != nullptr) {
        loadingBox_->done(1);
        loadingBox_->deleteLater();
        loadingBox_ = nullptr;
    }
    CLoadingBox::ClearShown();
}

void MainController::ForgetStoredSignIn() {
    SettingsStore::Set(SettingsStore::AutoLogin, 0);
    SettingsStore::Set(SettingsStore::Token, QString());
}

// ---- start-up and sign-in ----

void MainController::OnPageReady() {
    // A sign-in by hand that came first owns the start; a second one would open the book twice.
    if (shuttingDown_ || signingIn_ || client_->IsSignedIn())
        return;
    if (SettingsStore::Get(SettingsStore::AutoLogin) == 0)
        return;
    StartAutomaticSignIn(false);
}

void MainController::StartAutomaticSignIn(bool retry) {
    const QString user = SettingsStore::Get(SettingsStore::User);
    const QString token = SettingsStore::Get(SettingsStore::Token);
    signingIn_ = true;
    signInRetry_->Stop();
    if (view_ != nullptr)
        view_->SignInPanel()->SetWaiting(true);
    BeginBusy();
    StartupTrace::Mark("auto-signin-started");
    ServiceClient* client = client_.get();
    using Outcome = std::pair<int, ServiceClient::Account>;
    runner_.Run<Outcome>(
        [client, user, token] {
            const int result = client->TokenLogin(token, user);
            return Outcome(result, client->CurrentAccount());
        },
        [this, retry](Outcome signedIn) {
            StartupTrace::Mark("auto-signin-done");
            EndBusy();
            account_ = signedIn.second;
            if (!account_.signedIn) {
                signingIn_ = false;
                if (view_ != nullptr)
                    view_->SignInPanel()->SetWaiting(false);
                // Only the service's refusal erases the stored sign-in. The desktop session often
                // starts before the network is up: then the token is kept and tried again.
                if (signedIn.first == ServiceClient::ResultFailed)
                    signInRetry_->Schedule(retry);
                else
                    ForgetStoredSignIn();
                return;
            }
            RunUpdateCheck(UpdateAfter::AutomaticSignIn, QString());
        });
}

SignInRetry::Decision MainController::DecideSignInRetry() const {
    if (shuttingDown_ || client_->IsSignedIn() || SettingsStore::Get(SettingsStore::AutoLogin) == 0)
        return SignInRetry::Decision::Stop; // signed in meanwhile, by hand, or logged out
    // Busy, or the user is at the panel: asked again later.
    if (signingIn_ || view_ == nullptr || view_->CurrentPanel() != CChildView::PANEL_SIGNIN ||
        view_->SignInPanel()->HasUserInput())
        return SignInRetry::Decision::Later;
    return SignInRetry::Decision::Go;
}

void MainController::SignIn(const QString& user, const QString& password, bool autoSignIn) {
    if (signingOut_ && !shuttingDown_) {
        // The log-out's last sends go out on its own session first.
        waitingSignIn_ = HandSignIn{user, password, autoSignIn};
        return;
    }
    // The loading box and the message boxes run event loops; a second sign-in must not start inside them.
    if (shuttingDown_ || signingIn_)
        return;
    // An account still open (its sign-in panel shown without a log-out) keeps what is unconfirmed in
    // its outbox: nothing of it may go out on the session the new sign-in makes.
    engine_->CloseAccount();
    signingIn_ = true;
    // The loading box stands over the window while the sign-in runs on a worker; being modal, it keeps
    // the user from starting anything that would race it, while the window goes on painting.
    ShowLoadingBox(QStringLiteral("로그인을 하는중 ..."));
    BeginBusy();
    ServiceClient* client = client_.get();
    using Outcome = std::pair<int, ServiceClient::Account>;
    runner_.Run<Outcome>(
        [client, user, password, autoSignIn] {
            const int result = client->Login(user, password, autoSignIn);
            return Outcome(result, client->CurrentAccount());
        },
        [this, user](Outcome signedIn) {
            const int outcome = signedIn.first;
            account_ = signedIn.second;
            CloseLoadingBox();
            EndBusy();
            LoginControl* panel = view_ != nullptr ? view_->SignInPanel() : nullptr;
            switch (outcome) {
            case ServiceClient::ResultOk:
                RunUpdateCheck(UpdateAfter::SignInByHand, user);
                return;
            case ServiceClient::ResultRefused:
                signingIn_ = false;
                Message(QStringLiteral("아이디 또는 비밀번호 오류입니다."));
                if (panel != nullptr)
                    panel->FocusUser();
                return;
            case ServiceClient::ResultFailed:
                signingIn_ = false;
                Message(kCheckConnection);
                if (panel != nullptr)
                    panel->FocusSignInButton();
                return;
            default: // ResultNoRequest: nothing was sent
                signingIn_ = false;
                return;
            }
        });
}

void MainController::RunUpdateCheck(UpdateAfter after, const QString& user) {
    BeginBusy();
    ServiceClient* client = client_.get();
    QWidget* parent = window_;
    runner_.Run<int>(
        [this, client, parent] {
            auto onGui = [this](std::function<bool()> question) {
                return runner_.Ask<bool>(std::move(question)).value_or(false);
            };
            // The loading box stands over the window while the installer downloads; the exit closes it
            // as well when it cuts the download short.
            auto downloading = [this, onGui](bool started) {
                onGui([this, started] {
                    if (started)
                        ShowLoadingBox(QStringLiteral("업데이트를 내려받는 중 ..."));
                    else
                        CloseLoadingBox();
                    return true;
                });
            };
            return UpdatePrompt::CheckForUpdate(*client, parent, onGui, downloading);
        },
        [this, after, user](int result) {
            EndBusy();
            OnUpdateChecked(result, after, user);
        });
}

void MainController::OnUpdateChecked(int result, UpdateAfter after, const QString& user) {
    signingIn_ = false;
    LoginControl* panel = view_ != nullptr ? view_->SignInPanel() : nullptr;
    if (panel != nullptr)
        panel->SetWaiting(false);
    if (after == UpdateAfter::AutomaticSignIn) {
        if (result == UpdateCheck::UpToDate) {
            OpenAccount(SettingsStore::Get(SettingsStore::User));
            OpenSignedInBook();
            return;
        }
        ForgetStoredSignIn();
        if (result == UpdateCheck::InstallerStarted) {
            Q_EMIT exitRequested();
            return;
        }
        Message(kUpdateRequired);
        return;
    }
    if (result < 0) {
        Message(kUpdateRequired);
        if (panel != nullptr)
            panel->FocusSignInButton();
        return;
    }
    // A started installer closes the program; what the sign-in stores is stored all the same.
    if (result == UpdateCheck::InstallerStarted)
        Q_EMIT exitRequested();
    SettingsStore::Set(SettingsStore::User, user);
    OpenAccount(user);
    const QString token = account_.token;
    if (!token.isEmpty()) {
        SettingsStore::Set(SettingsStore::AutoLogin, 1);
        SettingsStore::Set(SettingsStore::Token, token);
    }
    if (view_ == nullptr || shuttingDown_)
        return;
    view_->ShowPanel(CChildView::PANEL_PLAYER);
    // The signed-in book opens once the panel has had its moment on screen.
    panel->StartHandOver();
}

// ---- books ----

void MainController::OpenBook(uint32_t bookId) {
    engine_->StartLoad(bookId);
    SwitchToPlayerWithNotice(QStringLiteral("데이터를 불러오는 중"));
}

void MainController::OpenSignedInBook() {
    if (shuttingDown_)
        return;
    OpenBook(static_cast<uint32_t>(account_.startBookId));
}

void MainController::SwitchToPlayerWithNotice(const QString& notice) {
    if (view_ == nullptr)
        return;
    view_->Player()->ShowLoadMessage(notice);
    view_->ShowPanel(CChildView::PANEL_PLAYER);
}

void MainController::OnBookReady(const PlayerTimer::BookInfo& book) {
    if (view_ == nullptr)
        return;
    view_->Player()->InitPlugins(book);
    engine_->ShowCard(engine_->Position());
    if (engine_->AutoPlay() && !engine_->IsPlaying() && engine_->ActiveCount() > 0)
        engine_->StartPlaying();
    view_->Player()->update();
}

void MainController::OnLoadFailed() {
    if (view_ != nullptr)
        view_->Player()->ShowMessage(QStringLiteral("데이터 불러오기에 실패하였습니다."));
}

void MainController::OnNoBook() {
    if (view_ != nullptr)
        view_->Player()->ShowMessage(QStringLiteral("학습할 단어장을 선택해 주십시오."));
}

void MainController::ShowBookList() {
    if (view_ == nullptr || listLoading_)
        return;
    if (engine_->IsPlaying())
        engine_->StopPlaying();
    LibraryControl* library = view_->LibraryPanel();
    view_->ShowPanel(CChildView::PANEL_LIBRARY);
    library->SetBooks({});
    library->SetWaiting(true);
    listLoading_ = true;
    BeginBusy();
    ServiceClient* client = client_.get();
    runner_.Run<std::pair<int, QString>>(
        [client] {
            QString answer;
            const int result = client->GetLibrary(answer);
            return std::make_pair(result, answer);
        },
        [this](std::pair<int, QString> answer) {
            listLoading_ = false;
            EndBusy();
            if (view_ == nullptr)
                return;
            LibraryControl* panel = view_->LibraryPanel();
            panel->SetWaiting(false);
            if (answer.first == ServiceClient::ResultFailed) {
                // The exclamation icon, as the sign-in panel shows the same message.
                Message(kCheckConnection);
                engine_->ResetBook();
                view_->ShowPanel(CChildView::PANEL_SIGNIN);
                return;
            }
            panel->SetBooks(BookList::Parse(answer.second));
            if (view_->CurrentPanel() == CChildView::PANEL_LIBRARY)
                panel->List()->setFocus();
        });
}

void MainController::ChooseBook(int32_t bookId) {
    if (!engine_->HasLoadWorker()) {
        OpenBook(static_cast<uint32_t>(bookId));
        return;
    }
    // A load still runs: it is told to report nothing, and waited for off the GUI thread.
    BeginBusy();
    view_->LibraryPanel()->SetWaiting(true);
    PlayerTimer* engine = engine_.get();
    runner_.Run<int>(
        [engine] {
            engine->CancelAndWaitForLoad();
            return 0;
        },
        [this, bookId](int) {
            EndBusy();
            if (view_ != nullptr)
                view_->LibraryPanel()->SetWaiting(false);
            OpenBook(static_cast<uint32_t>(bookId));
        });
}

void MainController::ClearMarks() {
    if (MessageBox::Show(window_, QStringLiteral("암기완료를 모두 해제하시겠습니까?"), MessageBox::YesNo,
                         MessageBox::Information) != MessageBox::AnswerYes)
        return;
    if (engine_->IsLoaded())
        engine_->StartClearMarks(engine_->BookId());
    SwitchToPlayerWithNotice(QStringLiteral("암기완료를 해제하는 중"));
}

void MainController::OnBookCommand(int id) {
    switch (id) {
    case ID_LOAD_BOOK:
        ShowBookList();
        break;
    case ID_CLEAR_MARKS:
        ClearMarks();
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

void MainController::OpenWebPage(int id) {
    if (id == ID_BOOK_DETAILS && !engine_->IsLoaded()) {
        MessageBox::Show(window_, QStringLiteral("단어장을 먼저 선택해주세요"));
        return;
    }
    // One token at a time: a second link while the first waits would open two pages late.
    if (tokenLoading_)
        return;
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
        suffix = QStringLiteral("?to=/books/view/") + QString::number(engine_->BookId());
        break;
    }
    tokenLoading_ = true;
    BeginBusy();
    ServiceClient* client = client_.get();
    const QString base = client_->BaseUrl() + QStringLiteral("/application/auth_token/");
    runner_.Run<QString>(
        [client] {
            QString token;
            // A failed request leaves the token empty; the page opens all the same.
            if (client->GetToken(token) != ServiceClient::ResultOk)
                token.clear();
            return token;
        },
        [this, base, suffix](QString token) {
            tokenLoading_ = false;
            EndBusy();
            // The token is placed into a path: anything but URL-safe characters is escaped.
            Shell::Open(base + QString::fromLatin1(QUrl::toPercentEncoding(token)) + suffix);
        });
}

// ---- accounts ----

void MainController::OpenAccount(const QString& user) {
    engine_->OpenAccount(std::make_unique<Outbox>(Outbox::DefaultFolder(), user));
}

// ---- leaving ----

void MainController::Logout() {
    signInRetry_->Stop();
    if (!client_->IsSignedIn() || signingOut_)
        return;
    engine_->ResetBook();
    if (view_ != nullptr) {
        view_->ShowPanel(CChildView::PANEL_SIGNIN);
        view_->SignInPanel()->SetWaiting(true);
    }
    ForgetStoredSignIn();
    // The last learning-log send and the queued marks go out on the account's own session, off the GUI
    // thread and bounded; only then is the session reset. Before, what was seen since the last send
    // was dropped here.
    signingOut_ = true;
    BeginBusy();
    PlayerTimer* engine = engine_.get();
    ServiceClient* client = client_.get();
    const auto deadline = std::chrono::steady_clock::now() + kLastSendLimit;
    runner_.Run<int>(
        [engine, client, deadline] {
            engine->SendLast(deadline);
            client->Logout();
            return 0;
        },
        [this](int) { FinishLogout(); });
}

void MainController::FinishLogout() {
    signingOut_ = false;
    EndBusy();
    engine_->CloseAccount();
    if (view_ != nullptr)
        view_->SignInPanel()->SetWaiting(false);
    if (std::optional<HandSignIn> next = std::exchange(waitingSignIn_, std::nullopt))
        SignIn(next->user, next->password, next->autoSignIn);
}

void MainController::Shutdown() {
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    signInRetry_->Stop();
    // Questions waiting for the user are dropped.
    runner_.Cancel();
    // One last send of the learning log and of the queued marks, at most kLastSendLimit (the window is
    // hidden by now); before, whatever was seen since the last send was lost at exit.
    engine_->SendLast(std::chrono::steady_clock::now() + kLastSendLimit);
    // Every transfer ends at once, so that joining the workers takes no time; what is still not
    // confirmed goes to the account's outbox.
    client_->AbortAll();
    engine_->ResetBook();
    runner_.Join();
    engine_->WaitForWorkers();
    engine_->CloseAccount();
    CloseLoadingBox();
    waitCursor_.reset();
    busy_ = 0;
}
