#pragma once

#include <QUrl>
#include <QWebEnginePage>

// The page of the browser view. It keeps the card page in place: requests to "app:" are reported and
// cancelled, and the only navigation that goes ahead is the program's own load of the card page. Card
// markup cannot take the page away: links, refreshes, forms and scripts, even to the page's own files,
// are refused (a page replaced so would leave the card area dead).
class HtmlPage : public QWebEnginePage {
    Q_OBJECT

  public:
    // `cardPage` is the one URL the page may load.
    HtmlPage(QWebEngineProfile* profile, const QUrl& cardPage, QObject* parent);

  Q_SIGNALS:
    // The page navigated to "app:<command>"; command is everything after "app:", unchanged.
    void AppRequest(const QString& command);
    // A message of the page's script console (also the browser's security reports).
    void ConsoleMessage(int level, const QString& message);
    // A navigation other than the program's load of the card page was refused ("app:" requests aside).
    void NavigationRefused(const QUrl& url);

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

  private:
    const QUrl cardPage_;
};
