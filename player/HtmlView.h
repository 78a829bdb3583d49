#pragma once

#include <QStringList>
#include <QUrl>
#include <QWebEngineView>

class HtmlPage;
class QWebEngineLoadingInfo;

// The browser view that shows the card page. The program drives the page only by calling its global
// script functions (CallScript); the page asks the program for things by navigating to "app:<command>",
// which the view intercepts and cancels. The page and its files are served from the program's own
// resources through the "res" scheme.
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
    void CallScript(const QString& function, const QStringList& args = {});

    // True once the card page has loaded (until it is loaded anew).
    bool IsPageLoaded() const { return loaded_; }

  Q_SIGNALS:
    // The card page has finished loading (once per load).
    void PageLoaded();
    // The page asked for the pronunciation of the card on display ("app:sound" or "app:mini").
    void soundRequested();

  private:
    void OnLoadingChanged(const QWebEngineLoadingInfo& info);
    void OnAppRequest(const QString& command);

    HtmlPage* page_;
    bool loaded_ = false;
    bool cardTraced_ = false; // the first card's drawing has been traced
};
