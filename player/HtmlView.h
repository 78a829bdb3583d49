#pragma once

#include "player/CardPageState.h"

#include <QStringList>
#include <QUrl>
#include <QWebEngineView>

class HtmlPage;
class QWebEngineLoadingInfo;

// The browser view that shows the card page. The program drives the page only by calling its global
// script functions (CallScript); the page asks the program for things by navigating to "app:<command>",
// which the view intercepts and cancels. The page and its files are served from the program's own
// resources through the "res" scheme.
//
// Its accessible name is the text of the card or message on display (a card's hidden parts left out).
// Should the page's renderer process die, the view loads the page again and brings back what it showed
// (the calls that made it are remembered), without telling the main window of a new page.
class HtmlView : public QWebEngineView {
    Q_OBJECT

  public:
    explicit HtmlView(QWidget* parent = nullptr);
    ~HtmlView() override;

    // Registers the "res" and "app" URL schemes with the browser engine. Must run once, before the
    // QApplication exists; later calls do nothing.
    static void RegisterSchemes();

    // "res://" + the executable's path + "/312": the card page.
    static QUrl PageUrl();

    // Navigates to the card page. When it has loaded, the main window is told (TASK_PAGE_READY).
    void LoadPage();

    // Calls a global function of the card page with string arguments, in order, ignoring its result.
    // A call made before the page has loaded, or of a function the page lacks, is lost without a word.
    // While the page is being brought back after its renderer died, calls are kept and shown once it is.
    void CallScript(const QString& function, const QStringList& args = {});

    // True once the card page has loaded (until it is loaded anew, or its renderer dies).
    bool IsPageLoaded() const { return state_ == Page::Ready; }

  Q_SIGNALS:
    // The card page has finished loading (once per load, also when brought back after its renderer died).
    void PageLoaded();
    // A load of the card page that the program asked for has finished: the program may start (a page
    // brought back after its renderer died is no new start).
    void PageReady();
    // The page asked for the pronunciation of the card on display ("app:sound" or "app:mini").
    void soundRequested();

  private:
    enum class Page {
        Loading, // a load of the page is under way
        Ready,   // calls run
        Dead,    // its renderer died again and again: the next call loads the page again
    };

    void OnLoadingChanged(const QWebEngineLoadingInfo& info);
    void OnAppRequest(const QString& command);
    void OnRendererGone();
    // Names the view after what the page shows, for assistive technology.
    void UpdateReading();
    // Loads the page again after its renderer died.
    void Restore();
    void Run(const QString& function, const QStringList& args);

    HtmlPage* page_;
    Page state_ = Page::Loading;
    bool announce_ = false;   // the load under way is the program's own: tell the main window once ready
    bool restoring_ = false;  // the page died while it showed something: keep calls, show them again
    int deaths_ = 0;          // renderer deaths since the last call
    CardPageState shown_;     // what the page shows, for bringing it back
    bool cardTraced_ = false; // the first card's drawing has been traced
};
