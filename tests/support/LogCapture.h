#pragma once

#include <QLatin1String>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

// Collects the service client's debug lines ("ERROR# ...") while it lives, from any thread.
class LogCapture {
  public:
    LogCapture() {
        std::lock_guard lock(mutex());
        lines().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList Lines() {
        std::lock_guard lock(mutex());
        return lines();
    }

  private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (context.category && QLatin1String(context.category) == QLatin1String("lexicarta.service")) {
            std::lock_guard lock(mutex());
            lines().append(text);
        }
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& lines() {
        static QStringList l;
        return l;
    }
    QtMessageHandler previous_ = nullptr;
};
