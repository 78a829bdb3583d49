#pragma once

#include <QWebEnginePage>

// The page of the browser view. It keeps the card page in place: requests to "app:" are reported and
// cancelled, and the page never navigates away on its own (links in cards open nowhere). Only
// navigations the program starts itself, and those to the page's own "res:" files, go ahead.
class HtmlPage : public QWebEnginePage {
    Q_OBJECT

  public:
    HtmlPage(QWebEngineProfile* profile, QObject* parent);

  Q_SIGNALS:
    // The page navigated to "app:<command>"; command is everything after "app:", unchanged.
    void AppRequest(const QString& command);
    // A message of the page's script console (also the browser's security reports).
    void ConsoleMessage(int level, const QString& message);

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;
};
