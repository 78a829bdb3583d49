#include "player/HtmlPage.h"

#include <QLoggingCategory>
#include <QWebEngineSettings>

Q_LOGGING_CATEGORY(lcCardPage, "lexicarta.cardpage", QtWarningMsg)

HtmlPage::HtmlPage(QObject* parent) : QWebEnginePage(parent) {
    settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
}

bool HtmlPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // The browser engine hands every URL over with its scheme in lower case, so a request written
    // "APP:sound" arrives here as "app:sound". It is cancelled all the same: letting any "app:"
    // navigation through would replace the card page.
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
