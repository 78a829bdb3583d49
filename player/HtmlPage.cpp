#include "player/HtmlPage.h"

#include <QLoggingCategory>
#include <QWebEngineSettings>

Q_LOGGING_CATEGORY(lcCardPage, "lexicarta.cardpage", QtWarningMsg)

HtmlPage::HtmlPage(QWebEngineProfile* profile, const QUrl& cardPage, QObject* parent)
    : QWebEnginePage(profile, parent), cardPage_(cardPage) {
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
    // Only the program's own load of the card page goes ahead (the view loads it, and loads it again
    // after its renderer has died). A link, refresh, form or script in card markup, also one to the
    // page's own "res:" files or to the card page itself, would replace or reset the page: refused.
    if (isMainFrame && type == NavigationTypeTyped && url == cardPage_)
        return true;
    qCDebug(lcCardPage) << "navigation refused:" << type << isMainFrame << url;
    Q_EMIT NavigationRefused(url);
    return false;
}

void HtmlPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                        const QString& source) {
    qCDebug(lcCardPage) << source << line << message;
    Q_EMIT ConsoleMessage(int(level), message);
}
