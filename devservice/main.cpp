// lexicarta-devservice: the reference web service for development and tests.
//   lexicarta-devservice --port N [--data DIR] [--newest-version X.Y] [--tls-cert PEM --tls-key PEM]
//                        [--update-key MINISIGN_SECRET_KEY]
// Serves https when given a certificate and its key. Signs the stand-in installers with the development
// key of the repository unless given another one. Prints "listening on 127.0.0.1:PORT" once it accepts
// connections; ends on SIGTERM or SIGINT.
#include "devservice/DemoData.h"
#include "devservice/ReferenceServer.h"
#include "devservice/ServiceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

int usage() {
    std::fprintf(stderr, "usage: lexicarta-devservice --port N [--data DIR] [--newest-version X.Y]\n"
                         "       [--tls-cert PEM --tls-key PEM] [--update-key MINISIGN_SECRET_KEY]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Signals are taken by one thread with sigwait, so every other thread (the server's) keeps them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int port = -1;
    QString dataDir;
    QString newestVersion = QStringLiteral("0.1");
    QString tlsCert;
    QString tlsKey;
    QString updateKey = QStringLiteral(LEXICARTA_DEV_UPDATE_KEY);
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size())
            return usage();
        const QString value = args[++i];
        if (a == QLatin1String("--port")) {
            bool ok = false;
            port = value.toInt(&ok);
            if (!ok || port < 0 || port > 65535)
                return usage();
        } else if (a == QLatin1String("--data")) {
            dataDir = value;
        } else if (a == QLatin1String("--newest-version")) {
            newestVersion = value;
        } else if (a == QLatin1String("--tls-cert")) {
            tlsCert = value;
        } else if (a == QLatin1String("--tls-key")) {
            tlsKey = value;
        } else if (a == QLatin1String("--update-key")) {
            updateKey = value;
        } else {
            return usage();
        }
    }
    if (port < 0 || tlsCert.isEmpty() != tlsKey.isEmpty())
        return usage();
    if (dataDir.isEmpty())
        dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                  QStringLiteral("/lexicarta-devservice");
    if (!QDir().mkpath(dataDir)) {
        std::fprintf(stderr, "cannot create the data folder %s\n", qPrintable(dataDir));
        return 1;
    }

    ServiceStore store;
    QString error;
    if (!store.Open(dataDir + QStringLiteral("/service.sqlite3"), &error)) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(error));
        return 1;
    }
    // A new database gets the demo members and books.
    store.SeedWhenEmpty(&DemoData::Seed);
    ReferenceServer server(store, dataDir, newestVersion, tlsCert, tlsKey);
    if (!server.LoadUpdateKey(updateKey))
        std::fprintf(stderr, "cannot read the update key %s: installers go unsigned\n",
                     qPrintable(updateKey));
    const int bound = server.Bind(port);
    if (bound < 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }

    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    });
    std::printf("listening on 127.0.0.1:%d\n", bound);
    std::fflush(stdout);
    const bool served = server.Run();
    server.Stop();
    pthread_kill(signalWaiter.native_handle(), SIGTERM); // wakes the waiter when the server ended by itself
    signalWaiter.join();
    return served ? 0 : 1;
}
