// A day of cards: memory over a long run of cards and processor time while playing and while hidden.
// Every figure covers this process and all its browser-engine processes, never the reference service.
//
//   xvfb-run -a soak_benchmark cards [N]     the card path as the engine drives it, N cards (20000):
//                                            setVocabulary + update + showImage with a picture of the
//                                            reference service's picture plug-in, and its pronunciation
//                                            handed to the media player, each card as soon as the last
//                                            one (with its picture) has been painted
//   xvfb-run -a soak_benchmark program [N]   the same through the whole program: the main window signed
//                                            in automatically, the engine showing the cards of a book
//                                            with pictures and pronunciation
//   xvfb-run -a soak_benchmark sounds [N]    N pronunciations (20000) handed to the media player every 5 to
//                                            35 ms (SOAK_SOUND_GAP_MS: a fixed gap); fails when the GUI
//                                            thread hangs; PSS and heap after every fifth of them
//   xvfb-run -a soak_benchmark cpu [S]       the whole program playing at 5 s a card for S seconds (300),
//                                            then hidden with playing paused for S seconds
//
// PSS is read after 1,000, 5,000, 10,000 and 20,000 cards (and at the checkpoints below 1,000 that fit),
// each time after the page has been idle for a few seconds. With --js-flags=--expose-gc in
// QTWEBENGINE_CHROMIUM_FLAGS the page's script heap is collected first. SOAK_VERBOSE=1 lists the
// processes and the program's memory by kind (SOAK_SMAPS_DIR=DIR also keeps its mappings there at
// every checkpoint); the remote debugging port (QTWEBENGINE_REMOTE_DEBUGGING) may be used meanwhile.
// SOAK_NO_PICTURES=1 or SOAK_NO_SOUND=1 leave the pictures or the pronunciations out of the card path,
// to tell their shares apart.
#include "ProcessTree.h"

#include "app/CChildView.h"
#include "app/CMainFrame.h"
#include "devservice/DemoData.h"
#include "devservice/ServiceStore.h"
#include "engine/PlayerTimer.h"
#include "platform/HeapTrimmer.h"
#include "platform/SettingsStore.h"
#include "player/HtmlView.h"
#include "player/MediaPlayer.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "tests/player/HtmlViewFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBookCards = 2000; // distinct cards, pictures and pronunciations of the soak book
// Helpers started by the benchmark, which are not part of the program.
const QList<QByteArray> kHelpers{QByteArrayLiteral("lexicarta-devservice"), QByteArrayLiteral("pulseaudio"),
                                 QByteArrayLiteral("trayer")};

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A made-up English-looking headword, distinct for every i below 8000.
QString Headword(int i) {
    static const char* const syllables[] = {"ba", "ke", "ti", "mo", "ru", "sa", "ne", "li", "po", "du",
                                            "fa", "ge", "hi", "jo", "ku", "la", "me", "ni", "ro", "vu"};
    return QString::fromLatin1(syllables[i % 20]) + QString::fromLatin1(syllables[(i / 20) % 20]) +
           QString::fromLatin1(syllables[(i / 400) % 20]);
}

QString Meaning(int i) {
    return QString(QChar(0xAC00 + (i * 37) % 11172)) + QChar(0xAC00 + (i * 53 + 7) % 11172) +
           QStringLiteral(" <b>뜻</b>");
}

QString Example(int i) {
    return QStringLiteral("The %1 is on the table, 그것은 %2번째 예문입니다.").arg(Headword(i)).arg(i);
}

// What the page reports once the card on display has been painted with its picture: the picture has
// loaded or failed (or the card has none), then a task queued from the next animation frame runs. It
// reports through the page title: a console message would itself stay in the page's message store.
const char* const kPaintProbe = R"((function(){
  var started = Date.now();
  function painted(){requestAnimationFrame(function(){setTimeout(function(){
    window.soakPainted = (window.soakPainted || 0) + 1; document.title = 'painted ' + window.soakPainted;},0);});}
  (function wait(){
    var holder = player.image_element;
    var img = holder && holder.getElementsByTagName('img')[0];
    var waiting = img && (img.getAttribute('src') === 'GIF/542' || !img.complete);
    if (waiting && Date.now() - started < 5000) { setTimeout(wait, 2); return; }
    painted();
  })();
})();)";

// Diagnostics read from the page: script heap and element counts.
const char* const kPageStats =
    "JSON.stringify({heap: performance.memory ? performance.memory.usedJSHeapSize : 0,"
    " heapTotal: performance.memory ? performance.memory.totalJSHeapSize : 0,"
    " elements: document.getElementsByTagName('*').length,"
    " registry: (window.Event && Event.cache) ? Object.keys(Event.cache).length : -1})";

class Soak {
  public:
    explicit Soak(HtmlView& view) : view_(view) {
        QObject::connect(view_.page(), &QWebEnginePage::titleChanged, [this](const QString& title) {
            if (title.startsWith(QLatin1String("painted ")))
                ++painted_;
        });
    }

    // Runs `show` for card i, then waits until the page has painted it.
    bool Card(int i, const std::function<void(int)>& show) {
        const int before = painted_;
        clock_.start();
        show(i);
        view_.page()->runJavaScript(QString::fromLatin1(kPaintProbe));
        if (!HtmlViewFixture::WaitUntil([&] { return painted_ > before; }, 20000)) {
            std::fprintf(stderr, "card %d was not painted\n", i);
            return false;
        }
        ms_.push_back(double(clock_.nsecsElapsed()) / 1e6);
        return true;
    }

    void Checkpoint(const char* label) {
        // Idle long enough for the engine's own memory reduction to run, as between two cards.
        Pump(5000);
        view_.page()->runJavaScript(QStringLiteral("if (window.gc) gc();"));
        Pump(5000);
        const std::vector<ProcessTree::Process> tree = ProcessTree::Snapshot(kHelpers);
        const QJsonObject stats =
            QJsonDocument::fromJson(
                HtmlViewFixture::Eval(view_, QString::fromLatin1(kPageStats)).toString().toUtf8())
                .object();
        std::vector<double> sorted = ms_;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
        std::printf("%-16s PSS %7.1f MB (%zu processes)  page heap %6.2f MB  elements %d  registry %d  "
                    "card to paint: median %.1f ms\n",
                    label, ProcessTree::TotalPssKb(tree) / 1024.0, tree.size(),
                    stats.value(QStringLiteral("heap")).toDouble() / 1048576.0,
                    stats.value(QStringLiteral("elements")).toInt(),
                    stats.value(QStringLiteral("registry")).toInt(), median);
        if (qEnvironmentVariableIsSet("SOAK_VERBOSE")) {
            // The program's own allocations (the browser engine's parts in this process among them):
            // in use, and freed but kept by the allocator.
            const struct mallinfo2 heap = mallinfo2();
            std::printf("                 %s; program heap in use %.1f MB, kept free %.1f MB\n",
                        qPrintable(ProcessTree::Describe(tree)),
                        double(heap.uordblks + heap.hblkhd) / 1048576.0, double(heap.fordblks) / 1048576.0);
            // The program's PSS by kind of memory, and its mappings for comparing checkpoints.
            QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
            if (rollup.open(QIODevice::ReadOnly)) {
                QStringList kinds;
                for (const QByteArray& line : rollup.readAll().split('\n'))
                    if (line.startsWith("Pss_"))
                        kinds << QString::fromLatin1(line.simplified());
                std::printf("                 program %s\n", qPrintable(kinds.join(QStringLiteral(", "))));
            }
            const QString dumps = qEnvironmentVariable("SOAK_SMAPS_DIR");
            QFile smaps(QStringLiteral("/proc/self/smaps"));
            QFile dump(dumps + QStringLiteral("/") +
                       QString::fromLatin1(label).simplified().replace(' ', '-') + QStringLiteral(".smaps"));
            if (!dumps.isEmpty() && smaps.open(QIODevice::ReadOnly) && dump.open(QIODevice::WriteOnly))
                dump.write(smaps.readAll());
        }
        std::fflush(stdout);
        pss_.emplace_back(label, ProcessTree::TotalPssKb(tree));
        ms_.clear();
    }

    // Cards 0 .. n-1 with checkpoints; false when a card was not painted.
    bool Run(int n, const std::function<void(int)>& show) {
        Checkpoint("loaded");
        const std::vector<int> checkpoints{200, 1000, 5000, 10000, 20000};
        for (int i = 0; i < n; ++i) {
            if (!Card(i, show))
                return false;
            if (std::find(checkpoints.begin(), checkpoints.end(), i + 1) != checkpoints.end() || i + 1 == n)
                Checkpoint(qPrintable(QStringLiteral("after %1").arg(i + 1)));
        }
        long at1000 = -1;
        for (const auto& [label, kb] : pss_)
            if (label == "after 1000")
                at1000 = kb;
        if (at1000 > 0)
            std::printf("growth from 1,000 cards to the end: %+.1f MB\n",
                        (pss_.back().second - at1000) / 1024.0);
        return true;
    }

  private:
    HtmlView& view_;
    int painted_ = 0;
    QElapsedTimer clock_;
    std::vector<double> ms_;
    std::vector<std::pair<std::string, long>> pss_;
};

// The soak book: kBookCards cards with a picture plug-in of the "url" kind and a spoken pronunciation,
// owned by the user "soak" (password "soak") as that user's only book.
bool SeedService(const QString& dataDir) {
    ServiceStore store;
    QString error;
    if (!store.Open(dataDir + QStringLiteral("/service.sqlite3"), &error)) {
        std::fprintf(stderr, "cannot open the service store: %s\n", qPrintable(error));
        return false;
    }
    store.SeedWhenEmpty(&DemoData::Seed);
    const int64_t user = store.AddUser(QStringLiteral("soak"), QStringLiteral("soak"));
    const int64_t book = store.AddBook(
        user, QStringLiteral("하루 종일 단어장"),
        QStringLiteral(
            R"({"url":"{base}/application/plugin/speech/%name_l%","type":"wav","file_type":"wav"})"),
        QStringLiteral(R"({"url":"{base}/application/plugin/picture_url/%id%?word=%name%","type":"url"})"),
        QString());
    for (int i = 0; i < kBookCards; ++i)
        store.AddWord(book, 900000 + i, Headword(i), Meaning(i), Example(i));
    return true;
}

int RunCardPath(DevService& service, int cards) {
    const std::unique_ptr<HtmlView> loaded = HtmlViewFixture::MakeLoadedView();
    HtmlView& view = *loaded;
    if (!view.IsPageLoaded()) {
        std::fprintf(stderr, "the card page did not load\n");
        return 1;
    }
    std::unique_ptr<MediaPlayer> player = MediaPlayer::Create();
    if (player == nullptr)
        std::printf("no media player could be created: pronunciations are not played\n");
    const bool pictures = !qEnvironmentVariableIsSet("SOAK_NO_PICTURES");
    if (qEnvironmentVariableIsSet("SOAK_NO_SOUND"))
        player.reset();
    view.CallScript(QStringLiteral("initPlugins"), {"T", pictures ? "T" : "F", "F"});
    const QString base = service.BaseUrl();
    Soak soak(view);
    const bool done = soak.Run(cards, [&](int i) {
        const int c = i % kBookCards;
        view.CallScript(QStringLiteral("setVocabulary"), {Headword(c), Meaning(c), Example(c)});
        view.CallScript(QStringLiteral("update"));
        // What the picture plug-in answers for this card.
        if (pictures)
            view.CallScript(QStringLiteral("showImage"),
                            {base + QStringLiteral("/application/plugin/picture/%1.svg").arg(Headword(c))});
        if (player != nullptr)
            player->Play(base + QStringLiteral("/application/plugin/speech/%1").arg(Headword(c)));
        // The program's heap trim, at its pace in cards: once a minute is every 12 cards at 5 s a card.
        if (i % 12 == 11)
            HeapTrimmer::Trim();
    });
    return done ? 0 : 1;
}

// The main window against the service, signed in automatically as "soak", its book loaded.
std::unique_ptr<CMainFrame> StartProgram(DevService& service, bool autoPlay) {
    ServiceClient client(service.BaseUrl());
    client.OpenSession();
    if (client.Login(QStringLiteral("soak"), QStringLiteral("soak"), true) != ServiceClient::ResultOk) {
        std::fprintf(stderr, "the soak user could not sign in\n");
        return nullptr;
    }
    SettingsStore::WriteInt(SettingsStore::AutoLogin.name, 1);
    SettingsStore::WriteString(SettingsStore::User.name, QStringLiteral("soak"));
    SettingsStore::WriteString(SettingsStore::Token.name, client.Token());
    SettingsStore::WriteInt(SettingsStore::AutoPlay.name, autoPlay ? 1 : 0);
    SettingsStore::WriteInt(SettingsStore::DelayTime.name, 5);

    auto frame = std::make_unique<CMainFrame>(std::make_unique<ServiceClient>(service.BaseUrl()));
    frame->show();
    PlayerTimer& engine = frame->Engine();
    if (!HtmlViewFixture::WaitUntil([&] { return engine.IsLoaded() && !engine.IsLoading(); }, 60000) ||
        engine.ActiveCount() != size_t(kBookCards)) {
        std::fprintf(stderr, "the soak book was not loaded\n");
        return nullptr;
    }
    Pump(500);
    return frame;
}

int RunProgram(DevService& service, int cards) {
    std::unique_ptr<CMainFrame> frame = StartProgram(service, false);
    if (frame == nullptr)
        return 1;
    PlayerTimer& engine = frame->Engine();
    Soak soak(*frame->View()->Browser());
    const bool done = soak.Run(cards, [&](int) {
        // The card changes as at the end of a countdown; the pronunciation delay is run out at once.
        engine.Next();
        engine.OnTimer(PlayerTimer::SoundTimer);
    });
    frame->Exit();
    return done ? 0 : 1;
}

// Counts the frames the browser view draws (its scene is rendered by the graphics library once a frame).
class FrameCounter : public QObject {
    Q_OBJECT
  public:
    FrameCounter() {
        for (QWindow* window : QGuiApplication::allWindows())
            if (window->inherits("QQuickWindow"))
                connect(window, SIGNAL(afterRendering()), this, SLOT(Count()), Qt::DirectConnection);
    }
    std::atomic<int> frames{0};
  public Q_SLOTS:
    void Count() { ++frames; }
};

// Processor time of the program and its browser processes over `seconds`, with the load of the machine.
void MeasureCpu(const char* label, int seconds) {
    FrameCounter frames;
    const auto threadsBefore = ProcessTree::OwnThreads();
    const auto before = ProcessTree::Snapshot(kHelpers);
    double loadBefore[3] = {};
    getloadavg(loadBefore, 3);
    QElapsedTimer wall;
    wall.start();
    Pump(seconds * 1000);
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const auto after = ProcessTree::Snapshot(kHelpers);
    const auto threadsAfter = ProcessTree::OwnThreads();
    double loadAfter[3] = {};
    getloadavg(loadAfter, 3);

    std::map<QString, double> byKind;
    for (const ProcessTree::Process& p : after) {
        double start = 0;
        for (const ProcessTree::Process& q : before)
            if (q.pid == p.pid)
                start = q.cpuSec;
        byKind[p.kind] += p.cpuSec - start;
    }
    const double total = ProcessTree::TotalCpuSec(after) - ProcessTree::TotalCpuSec(before);
    std::printf("%s: %.2f s of processor time over %.0f s: %.3f%% of one core (load average %.2f at the "
                "start, %.2f at the end, 2 cores)\n",
                label, total, elapsed, 100.0 * total / elapsed, loadBefore[0], loadAfter[0]);
    for (const auto& [kind, sec] : byKind)
        std::printf("  %-14s %6.2f s  %.3f%%\n", qPrintable(kind), sec, 100.0 * sec / elapsed);
    // The program's own threads, by name (the browser engine runs many of its threads in this process).
    std::map<QString, double> byThread;
    for (const ProcessTree::Thread& t : threadsAfter)
        byThread[t.name] += t.cpuSec;
    for (const ProcessTree::Thread& t : threadsBefore)
        byThread[t.name] -= t.cpuSec;
    std::vector<std::pair<double, QString>> ranked;
    for (const auto& [name, sec] : byThread)
        if (sec > 0.005)
            ranked.emplace_back(sec, name);
    std::sort(ranked.rbegin(), ranked.rend());
    std::printf("  browser view frames drawn: %d\n", frames.frames.load());
    std::printf("  program threads:");
    for (size_t i = 0; i < ranked.size() && i < 12; ++i)
        std::printf(" %s %.2f s;", qPrintable(ranked[i].second), ranked[i].first);
    std::printf("\n");
    std::fflush(stdout);
}

int RunCpu(DevService& service, int seconds) {
    std::unique_ptr<CMainFrame> frame = StartProgram(service, true);
    if (frame == nullptr)
        return 1;
    PlayerTimer& engine = frame->Engine();
    if (!engine.IsPlaying()) {
        std::fprintf(stderr, "the book does not play\n");
        return 1;
    }
    // The prefetch of the book's pictures at the load is not part of the steady state.
    Pump(30000);
    const uint32_t start = engine.Position();
    MeasureCpu("playing, 1 card per 5 s, pictures and pronunciation", seconds);
    std::printf("  %u cards shown\n", engine.Position() - start);

    engine.StopPlaying();
    // Closing the window hides it in the notification area; without one (a bare X server) the window is
    // hidden all the same, as it would be there.
    if (frame->CanHideToTray()) {
        frame->HideToTray();
    } else {
        std::printf("  no notification area: the window is hidden as it would be there\n");
        frame->hide();
    }
    Pump(5000);
    MeasureCpu("hidden and paused", seconds);
    frame->Exit();
    return 0;
}

// Pronunciations alone, one every 5 to 35 ms (faster than any card changes): the GUI thread must never
// stop. A watchdog ends the run with an error when it has not come back for 20 s.
int RunSounds(DevService& service, int count) {
    std::unique_ptr<MediaPlayer> player = MediaPlayer::Create();
    if (player == nullptr) {
        std::fprintf(stderr, "no media player could be created\n");
        return 1;
    }
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        int last = -1;
        for (int quiet = 0; !finished.load(); std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            const int now = done.load();
            quiet = now == last ? quiet + 1 : 0;
            last = now;
            if (quiet == 200) {
                std::fprintf(stderr, "the GUI thread has hung after %d pronunciations\n", now);
                std::_Exit(3);
            }
        }
    });
    std::mt19937 random(1);
    // SOAK_SOUND_GAP_MS gives a fixed gap instead, long enough for every sound to play to its end.
    const int gapMs = qEnvironmentVariableIntValue("SOAK_SOUND_GAP_MS");
    for (int i = 0; i < count; ++i) {
        player->Play(service.BaseUrl() +
                     QStringLiteral("/application/plugin/speech/%1").arg(Headword(i % 300)));
        Pump(gapMs > 0 ? gapMs : 5 + int(random() % 31));
        done.store(i + 1);
        if ((i + 1) % std::max(1, count / 5) == 0 || i + 1 == count) {
            Pump(3000);
            const struct mallinfo2 heap = mallinfo2();
            std::printf(
                "after %5d pronunciations: PSS %.1f MB, program heap in use %.2f MB, kept free %.2f MB\n",
                i + 1, ProcessTree::TotalPssKb(ProcessTree::Snapshot(kHelpers)) / 1024.0,
                double(heap.uordblks + heap.hblkhd) / 1048576.0, double(heap.fordblks) / 1048576.0);
            std::fflush(stdout);
        }
    }
    finished.store(true);
    watchdog.join();
    std::printf("%d pronunciations handed over without a hang\n", count);
    return 0;
}

// A private sound server with a null output, so that the pronunciations are decoded and played as on a
// desktop (without one the player has no output). Null when pulseaudio is missing.
std::unique_ptr<QProcess> StartSoundServer(const QString& dir) {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (exe.isEmpty() || qEnvironmentVariableIsSet("PULSE_SERVER"))
        return nullptr;
    auto server = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    server->setProcessEnvironment(env);
    server->setStandardErrorFile(dir + QStringLiteral("/log"));
    const QString socket = dir + QStringLiteral("/native");
    server->start(exe, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                        QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                        QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix socket=") + socket,
                        QStringLiteral("-L"), QStringLiteral("module-null-sink")});
    if (!server->waitForStarted(5000) ||
        !HtmlViewFixture::WaitUntil([&] { return QFileInfo::exists(socket); }, 10000))
        return nullptr;
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
    return server;
}

// A notification area for the bare X server (trayer), so that closing the window hides it there.
std::unique_ptr<QProcess> StartTray() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("trayer"));
    if (exe.isEmpty() || QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    auto tray = std::make_unique<QProcess>();
    tray->start(exe, {QStringLiteral("--edge"), QStringLiteral("bottom")});
    if (!tray->waitForStarted(5000) ||
        !HtmlViewFixture::WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
        return nullptr;
    return tray;
}

} // namespace

int main(int argc, char** argv) {
    // As the program's main does.
    HeapTrimmer::MapLargeBlocks();
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("cards");
    if (mode != "cards" && mode != "program" && mode != "cpu" && mode != "sounds") {
        std::fprintf(stderr, "usage: soak_benchmark cards|program|sounds [N] | cpu [seconds]\n");
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : (mode == "cpu" ? 300 : 20000);

    // Private settings and data folders, so that the user's own are never touched.
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home.path() + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        qputenv(name, dir.toUtf8());
    }
    // Exact script heap figures in the page (performance.memory is rounded otherwise).
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + QByteArrayLiteral(" --enable-precise-memory-info"));
    HtmlView::RegisterSchemes();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lexicarta"));
    QApplication::setApplicationName(QStringLiteral("Lexicarta Desktop"));
    QApplication::setQuitOnLastWindowClosed(false);
    // As the application object keeps one.
    const HeapTrimmer trimmer;

    // Module arguments of the sound server cannot hold blanks: a folder without any.
    QTemporaryDir soundDir(QDir::tempPath() + QStringLiteral("/lexicarta-soak-XXXXXX"));
    const std::unique_ptr<QProcess> soundServer = StartSoundServer(soundDir.path());
    std::printf("sound output: %s\n", soundServer != nullptr ? "a private sound server's null sink"
                                      : qEnvironmentVariableIsSet("PULSE_SERVER") ? "PULSE_SERVER"
                                                                                  : "the system's (or none)");
    const std::unique_ptr<QProcess> tray = mode == "cpu" ? StartTray() : nullptr;

    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    QTemporaryDir data;
    if (!SeedService(data.path()))
        return 1;
    DevService service({"--data", data.path().toStdString()});
    if (!service.IsRunning()) {
        std::fprintf(stderr, "the reference service did not start: %s\n", service.Error().c_str());
        return 1;
    }
    if (mode == "cards")
        return RunCardPath(service, count);
    if (mode == "program")
        return RunProgram(service, count);
    if (mode == "sounds")
        return RunSounds(service, count);
    return RunCpu(service, count);
}

#include "SoakBenchmark.moc"
