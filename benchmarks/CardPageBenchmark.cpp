// Card page: time from a card's script calls (setVocabulary + update) to the frame that shows it, over
// 200 cards; and the memory of the browser view with the card page against a bare browser view with an
// empty page (proportional set size of this process and all its browser-engine children).
//
//   xvfb-run -a card_page_benchmark
//   QTWEBENGINE_CHROMIUM_FLAGS=--js-flags=--expose-gc xvfb-run -a card_page_benchmark
#include "player/HtmlPage.h"
#include "player/HtmlView.h"
#include "tests/player/HtmlViewFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <unistd.h>
#include <vector>

namespace {

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Parent process id of a process; -1 when it cannot be read.
long ParentOf(long pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const int close = stat.lastIndexOf(')');
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return fields.size() > 1 ? fields[1].toLong() : -1;
}

long PssKb(long pid) {
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLong();
    return 0;
}

// This process and every descendant: total PSS in kB and the number of processes.
std::pair<long, int> TreePssKb() {
    std::vector<long> tree{long(getpid())};
    bool grew = true;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    while (grew) {
        grew = false;
        for (const QString& entry : entries) {
            bool ok = false;
            const long pid = entry.toLong(&ok);
            if (!ok || std::find(tree.begin(), tree.end(), pid) != tree.end())
                continue;
            if (std::find(tree.begin(), tree.end(), ParentOf(pid)) != tree.end()) {
                tree.push_back(pid);
                grew = true;
            }
        }
    }
    long total = 0;
    for (long pid : tree) {
        total += PssKb(pid);
        if (qEnvironmentVariableIsSet("CARD_PAGE_BENCHMARK_VERBOSE")) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            cmdline.open(QIODevice::ReadOnly);
            const QByteArray args = cmdline.readAll().replace('\0', ' ');
            const int type = args.indexOf("--type=");
            std::printf("  %ld %s: %.1f MB\n", pid, type < 0 ? "main" : args.mid(type + 7, 12).constData(),
                        PssKb(pid) / 1024.0);
        }
    }
    return {total, int(tree.size())};
}

std::pair<long, int> SettledPss() {
    Pump(3000);
    return TreePssKb();
}

} // namespace

int main(int argc, char** argv) {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    HtmlView::RegisterSchemes();
    QApplication app(argc, argv);
    constexpr int kCards = 200;

    // 1. A bare browser view with an empty page, measured in a fresh copy of this program, so that
    //    neither view's measurement carries what the other left in the process.
    //    "--bare-text" shows one line of Korean text instead: the share of the fonts any such text costs.
    if (argc > 1 && (QByteArray(argv[1]) == "--bare" || QByteArray(argv[1]) == "--bare-text")) {
        // Its own in-memory profile, like the card view's.
        QWebEngineProfile profile;
        QWebEngineView plain;
        plain.setPage(new QWebEnginePage(&profile, &plain));
        plain.resize(400, 300);
        plain.show();
        bool loaded = false;
        QObject::connect(&plain, &QWebEngineView::loadFinished, [&] { loaded = true; });
        plain.setHtml(QByteArray(argv[1]) == "--bare"
                          ? QString()
                          : QStringLiteral(
                                "<html lang=\"ko\"><body><b>사과</b> apple 하루에 사과 한 개</body></html>"));
        HtmlViewFixture::WaitUntil([&] { return loaded; }, 60000);
        const std::pair<long, int> bare = SettledPss();
        std::printf("%ld %d\n", bare.first, bare.second);
        return 0;
    }
    auto measureBare = [](const QString& mode) -> std::pair<long, int> {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {mode});
        child.waitForFinished(120000);
        const QList<QByteArray> fields =
            child.readAllStandardOutput().trimmed().split('\n').last().split(' ');
        if (child.exitCode() != 0 || fields.size() != 2)
            return {0, 0};
        return {fields[0].toLong(), fields[1].toInt()};
    };
    const std::pair<long, int> bare = measureBare(QStringLiteral("--bare"));
    const std::pair<long, int> bareText = measureBare(QStringLiteral("--bare-text"));
    if (bare.second == 0 || bareText.second == 0) {
        std::fprintf(stderr, "the bare view could not be measured\n");
        return 1;
    }

    // 2. The browser view with the card page, then 200 cards.
    HtmlView view;
    view.resize(400, 300);
    view.show();
    view.LoadPage();
    if (!HtmlViewFixture::WaitForPage(view)) {
        std::fprintf(stderr, "the card page did not load\n");
        return 1;
    }
    view.CallScript("initPlugins", {"T", "F", "F"});
    const std::pair<long, int> page = SettledPss();

    // The card's frame has been drawn when a task queued from the next animation frame runs.
    int painted = 0;
    QObject::connect(static_cast<HtmlPage*>(view.page()), &HtmlPage::ConsoleMessage,
                     [&](int, const QString& message) {
                         if (message == QLatin1String("card painted"))
                             ++painted;
                     });
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int i = 0; i < kCards; ++i) {
        const QString n = QString::number(i);
        clock.start();
        view.CallScript("setVocabulary",
                        {"단어 " + n, "<b>뜻</b> meaning " + n, "예문 example sentence " + n});
        view.CallScript("update");
        view.page()->runJavaScript(
            "requestAnimationFrame(function(){setTimeout(function(){console.log('card painted');},0);});");
        if (!HtmlViewFixture::WaitUntil([&] { return painted == i + 1; }, 10000)) {
            std::fprintf(stderr, "card %d was not painted\n", i);
            return 1;
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    // With --js-flags=--expose-gc in QTWEBENGINE_CHROMIUM_FLAGS the script heap is collected first, so
    // the number shows what the cards keep rather than garbage not yet collected.
    view.page()->runJavaScript("if (window.gc) gc();");
    const std::pair<long, int> cards = SettledPss();

    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    std::printf("card to paint over %d cards: mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                kCards, mean, sorted[sorted.size() / 2], sorted[sorted.size() * 95 / 100], sorted.back());
    std::printf("PSS bare view, empty page:   %7.1f MB (%d processes)\n", bare.first / 1024.0, bare.second);
    std::printf("PSS bare view, Korean line:  %7.1f MB (%d processes)\n", bareText.first / 1024.0,
                bareText.second);
    std::printf("PSS card page, loaded:       %7.1f MB (%d processes)\n", page.first / 1024.0, page.second);
    std::printf("PSS card page, %d cards:    %7.1f MB (%d processes)\n", kCards, cards.first / 1024.0,
                cards.second);
    std::printf(
        "card page adds: %.1f MB loaded, %.1f MB after the cards (over the Korean line: %.1f MB loaded)\n",
        (page.first - bare.first) / 1024.0, (cards.first - bare.first) / 1024.0,
        (page.first - bareText.first) / 1024.0);
    return 0;
}
