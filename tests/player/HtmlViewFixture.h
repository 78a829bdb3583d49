#pragma once
// Helpers for tests of the browser view: a view with the card page loaded, and synchronous script
// evaluation in that page.

#include "player/HtmlView.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>
#include <memory>

namespace HtmlViewFixture {

// Runs the event loop until the view's card page has loaded or timeoutMs have passed; true when loaded.
inline bool WaitForPage(HtmlView& view, int timeoutMs = 60000) {
    if (view.IsPageLoaded())
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&view, &HtmlView::PageLoaded, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec();
    return view.IsPageLoaded();
}

// Navigates the view to the card page and waits for it; true when loaded.
inline bool LoadAndWait(HtmlView& view, int timeoutMs = 60000) {
    view.LoadPage();
    return WaitForPage(view, timeoutMs);
}

// A shown top-level view of the given size with the card page loaded (check IsPageLoaded() on the
// result). For a view inside a panel, construct it with its parent and use LoadAndWait.
inline std::unique_ptr<HtmlView> MakeLoadedView(QSize size = QSize(400, 300), int timeoutMs = 60000) {
    auto view = std::make_unique<HtmlView>();
    view->resize(size);
    view->show();
    LoadAndWait(*view, timeoutMs);
    return view;
}

// Runs the event loop until condition() holds or timeoutMs have passed; the last value of condition().
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Evaluates JavaScript in the view's page and waits for its value (an invalid QVariant on timeout or
// for undefined). Runs after every CallScript made before it, so it sees their effects.
inline QVariant Eval(HtmlView& view, const QString& js, int timeoutMs = 10000) {
    struct State {
        bool done = false;
        QVariant value;
        QEventLoop* loop = nullptr;
    };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    state->loop = &loop;
    view.page()->runJavaScript(js, [state](const QVariant& value) {
        state->done = true;
        state->value = value;
        if (state->loop)
            state->loop->quit();
    });
    if (!state->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    state->loop = nullptr;
    return state->value;
}

} // namespace HtmlViewFixture
