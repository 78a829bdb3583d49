#include "player/HtmlPage.h"

#include <QLoggingCategory>
#include <QWebEngineSettings>

Q_LOGGING_CATEGORY(lcCardPage, "lexicarta.cardpage", QtWarningMsg)

HtmlPage::HtmlPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
    settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
}

bool HtmlPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // The browser engine lower-cases a URL's scheme before anyone sees it, so the prefix cannot be told
    // apart by case: "APP:sound" arrives as "app:sound" and is handled like it. Every "app:" navigation
    // is cancelled (letting one through would replace the card page); the command after the prefix keeps
    // its case and is compared exactly by the view.
    if (url.scheme() == QLatin1String("app")) {
        const QString text = url.toString(QUrl::FullyEncoded);
        Q_EMIT AppRequest(text.mid(4));
        return false;
    }
    if (url.scheme() == QLatin1String("res"))
        return true;
    // What the program itself loads goes ahead; a page that tries to leave (a link in a card, a script
    // changing the location, a form) stays where it is.
    return type == NavigationTypeTyped && isMainFrame;
}

void HtmlPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                        const QString& source) {
    qCDebug(lcCardPage) << source << line << message;
    Q_EMIT ConsoleMessage(int(level), message);
}
