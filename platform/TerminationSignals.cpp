#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's ends while a watcher exists; the handler only writes the signal's number into it.
std::atomic<int> writeEnd{-1};
int readEnd = -1;

void OnSignal(int signalNumber) {
    const int saved = errno;
    const int fd = writeEnd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a wake-up: the byte may be dropped.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kSignals)
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (writeEnd.load() >= 0)
        return;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd = fds[0];
    writeEnd.store(fds[1]);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::Drain);
    SetHandler(OnSignal);
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr)
        return;
    SetHandler(SIG_DFL);
    notifier_.reset();
    const int fd = writeEnd.exchange(-1);
    close(fd);
    close(readEnd);
    readEnd = -1;
}

void TerminationSignals::Drain() {
    unsigned char bytes[16];
    int last = 0;
    ssize_t got = 0;
    while ((got = read(readEnd, bytes, sizeof bytes)) > 0)
        last = bytes[got - 1];
    if (last != 0)
        Q_EMIT received(last);
}
