#include "player/HtmlView.h"

#include "platform/StartupTrace.h"
#include "player/HtmlPage.h"
#include "player/PageSchemeHandler.h"
#include "resources/ResourceIds.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineUrlScheme>

namespace {

const QByteArray kResScheme = QByteArrayLiteral("res");
const QByteArray kAppScheme = QByteArrayLiteral("app");
// While the start-up is traced, the page takes this title once the first card has been drawn.
constexpr char kPaintedTitle[] = "lexicarta-card-painted";
constexpr int kPictureCacheBytes = 2 * 1024 * 1024;
// A renderer that dies again right after the page was brought back gets a bare page; one that dies
// a third time gets none until the next call (a card that kills it never makes the view spin).
constexpr int kRestoresWithCard = 1;
constexpr int kRestores = 2;

// One profile for every view, kept in memory only: the program leaves no cookies, caches or other
// browser data on disk. It serves "res:" from the program's resources and refuses every "app:" request
// (the page intercepts those before they are made; without a handler the engine would block them before
// the page could see them). It lives as long as the application object.
QWebEngineProfile* CardProfile() {
    static QWebEngineProfile* profile = [] {
        auto* created = new QWebEngineProfile(QCoreApplication::instance());
        // Card pictures come back only when their card does, minutes or hours later in a large book: a
        // small cache keeps a short book's pictures without letting a day of cards fill the memory.
        created->setHttpCacheMaximumSize(kPictureCacheBytes);
        created->installUrlSchemeHandler(kResScheme, new PageSchemeHandler(created));
        created->installUrlSchemeHandler(kAppScheme, new PageSchemeHandler(created));
        return created;
    }();
    return profile;
}

} // namespace

HtmlView::HtmlView(QWidget* parent) : QWebEngineView(parent) {
    QWebEngineProfile* profile = CardProfile();
    StartupTrace::Mark("browser-engine-started");
    page_ = new HtmlPage(profile, PageUrl(), this);
    setPage(page_);
    // No context menu: right clicks and the menu key do nothing in the page.
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(page_, &HtmlPage::AppRequest, this, &HtmlView::OnAppRequest);
    connect(page_, &QWebEnginePage::loadingChanged, this, &HtmlView::OnLoadingChanged);
    // Loading again from inside the engine's report of the death is left to the next turn of the loop.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, &HtmlView::OnRendererGone,
            Qt::QueuedConnection);
    if (StartupTrace::Enabled())
        connect(page_, &QWebEnginePage::titleChanged, this, [](const QString& title) {
            if (title == QLatin1String(kPaintedTitle))
                StartupTrace::Mark("card-painted");
        });
    StartupTrace::Mark("browser-view-created");
}

HtmlView::~HtmlView() {
    disconnect(page_, nullptr, this, nullptr);
}

void HtmlView::RegisterSchemes() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // The browser engine shares graphics contexts with the widgets; this too must be said before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QWebEngineUrlScheme res(kResScheme);
    res.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    res.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(res);

    QWebEngineUrlScheme app(kAppScheme);
    app.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    app.setFlags({});
    QWebEngineUrlScheme::registerScheme(app);
}

QUrl HtmlView::PageUrl() {
    QUrl url;
    url.setScheme(QString::fromLatin1(kResScheme));
    url.setPath(QCoreApplication::applicationFilePath() + QStringLiteral("/%1").arg(Res::IDR_PAGE_HTML));
    return url;
}

void HtmlView::LoadPage() {
    // Script calls made from here until the page has loaded anew are lost.
    shown_.Clear();
    UpdateReading();
    deaths_ = 0;
    restoring_ = false;
    announce_ = true;
    state_ = Page::Loading;
    setUrl(PageUrl());
    StartupTrace::Mark("page-load-started");
}

void HtmlView::CallScript(const QString& function, const QStringList& args) {
    if (state_ == Page::Ready || restoring_) {
        shown_.Record(function, args);
        UpdateReading();
        deaths_ = 0;
    }
    if (state_ == Page::Dead)
        Restore();
    if (state_ == Page::Ready)
        Run(function, args);
}

void HtmlView::UpdateReading() {
    // The page's own accessibility tree exists only while the browser engine builds one; the view's
    // name gives assistive technology the card in any case.
    const QString reading = shown_.Reading();
    if (reading != accessibleName())
        setAccessibleName(reading);
}

void HtmlView::Run(const QString& function, const QStringList& args) {
    // The name and the arguments travel as one JSON literal, never pasted into script text, so quotes,
    // backslashes and line breaks arrive unchanged.
    QJsonArray arguments;
    for (const QString& arg : args)
        arguments.append(arg);
    const QJsonArray call{function, arguments};
    const QString literal = QString::fromUtf8(QJsonDocument(call).toJson(QJsonDocument::Compact));
    page_->runJavaScript(QStringLiteral("(function(c){var f=window[c[0]];"
                                        "if(typeof f==='function')f.apply(window,c[1]);})(%1);")
                             .arg(literal));
    if (StartupTrace::Enabled() && !cardTraced_ && function == QLatin1String("update")) {
        cardTraced_ = true;
        StartupTrace::Mark("card-update");
        // The second animation frame after the card's starts once the card's frame has been drawn.
        page_->runJavaScript(QStringLiteral("requestAnimationFrame(function(){requestAnimationFrame("
                                            "function(){document.title='%1';});});")
                                 .arg(QLatin1String(kPaintedTitle)));
    }
}

void HtmlView::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
    // Only the view's own loads of the card page count. A navigation the page refuses is reported as
    // started (and then as failed) all the same: it leaves the page, and this state, alone.
    if (info.url() != PageUrl() || state_ != Page::Loading)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        if (info.isErrorPage())
            break;
        state_ = Page::Ready;
        if (restoring_ && deaths_ <= kRestoresWithCard) {
            for (const CardPageState::Call& call : shown_.Replay())
                Run(call.function, call.args);
        }
        restoring_ = false;
        StartupTrace::Mark("page-loaded");
        // A page brought back after its renderer died is no new start: only the program's own loads
        // are announced as ready (the start-up would sign in again).
        if (announce_) {
            announce_ = false;
            Q_EMIT PageReady();
        }
        Q_EMIT PageLoaded();
        break;
    default:
        break;
    }
}

void HtmlView::OnRendererGone() {
    // The card area would stay dead until the program restarts: load the page again, and show again
    // what it showed (unless it died before it showed anything).
    if (state_ == Page::Ready)
        restoring_ = true;
    ++deaths_;
    if (deaths_ > kRestores) {
        qWarning("The card page's renderer keeps dying; the page is loaded again with the next card.");
        state_ = Page::Dead;
        return;
    }
    Restore();
}

void HtmlView::Restore() {
    state_ = Page::Loading;
    setUrl(PageUrl());
}

void HtmlView::OnAppRequest(const QString& command) {
    // Commands are compared exactly: "app:SOUND" asks for nothing.
    if (command == QLatin1String("sound") || command == QLatin1String("mini"))
        Q_EMIT soundRequested();
}
