#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {
Shell::Handler& handler() {
    static Shell::Handler h;
    return h;
}
} // namespace

void Shell::Open(const QString& url) {
    if (handler()) {
        handler()(url);
        return;
    }
    QDesktopServices::openUrl(QUrl(url));
}

void Shell::SetHandler(Handler h) {
    handler() = std::move(h);
}
