// Start-up and memory of the whole program, started as a user starts it: a fresh process of the
// release build on the display given (Xvfb), against the reference service on loopback, with the
// automatic sign-in prepared in a private settings folder (signed in once with the box ticked, the
// token stored as the program stores it).
//
// 1. Start-up, over several runs: the time from exec to the window on the screen (its first paint
//    flushed) and to the first card painted on the card page (the page's second animation frame after
//    the card), with the split of the way there: the program's start-up trace (LEXICARTA_STARTUP_TRACE)
//    against this process's clock at exec. Targets: window <= 0.5 s, first card <= 1.0 s.
// 2. Memory while it plays, some seconds after the first card: the proportional set size (PSS) of the
//    program and all its browser processes, beside a bare program with one browser view and one media
//    player (and the same with one line of Korean text), measured in the same run one after the other.
//    Target: at most 15 MB above the bare program. Also "alone": the tree's resident pages, each
//    counted once, which other programs' browser processes on a shared machine do not disturb as they
//    do PSS. --verbose adds the largest differences by mapping.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" startup_benchmark [--runs N] [--memory-rounds N]
//       [--play-seconds S] [--book ID] [--verbose] [--compare PROGRAM]...
// --book: the book the service names at sign-in (default 2, the one with pronunciation).
// --compare: further builds of the program whose start-up is measured in turn with this one, with the
// medians of the paired differences. STARTUP_BENCHMARK_PROGRAM and STARTUP_BENCHMARK_BARE replace the
// programs of the build.
#include "platform/SettingsStore.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <vector>

extern char** environ;

namespace {

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// ---- processes ----

long ParentOf(long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    long ppid = -1;
    rest >> state >> ppid;
    return ppid;
}

std::vector<long> AllPids() {
    std::vector<long> pids;
    if (DIR* dir = opendir("/proc")) {
        while (dirent* entry = readdir(dir)) {
            char* end = nullptr;
            const long pid = std::strtol(entry->d_name, &end, 10);
            if (end != entry->d_name && *end == '\0')
                pids.push_back(pid);
        }
        closedir(dir);
    }
    return pids;
}

// `root` and every descendant.
std::vector<long> Tree(long root) {
    std::map<long, long> parent;
    for (long pid : AllPids())
        parent[pid] = ParentOf(pid);
    std::vector<long> tree{root};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, ppid] : parent)
            if (ppid == tree[i])
                tree.push_back(pid);
    return tree;
}

struct Memory {
    long pssKb = 0;
    // Resident pages of the tree, each physical page counted once however many of its processes map
    // it: what the tree would take alone. PSS also divides pages shared with processes outside the
    // tree (other programs' browser processes on a shared machine), this does not.
    long aloneKb = 0;
    int processes = 0;
    std::string detail; // one line a process
    // Resident kB by "main: mapping" and "children: mapping" (not shared out, so not disturbed by
    // other processes): where two programs differ.
    std::map<std::string, long> rssByMapping;
};

std::string ProcessKind(long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t type = args.find("--type=");
    if (type == std::string::npos)
        return "main";
    std::string kind = args.substr(type + 7, args.find('\0', type) - type - 7);
    const size_t sub = args.find("--utility-sub-type=");
    if (sub != std::string::npos) {
        kind += ':';
        kind.append(args, sub + 19, args.find('\0', sub) - sub - 19);
    }
    return kind;
}

// Adds the physical frames of the process's resident pages to `frames` (needs root to see them).
void AddFrames(long pid, std::unordered_set<uint64_t>& frames) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const int pagemap = open(("/proc/" + std::to_string(pid) + "/pagemap").c_str(), O_RDONLY | O_CLOEXEC);
    if (pagemap < 0)
        return;
    const long page = sysconf(_SC_PAGESIZE);
    std::string line;
    std::vector<uint64_t> entries;
    while (std::getline(maps, line)) {
        unsigned long begin = 0, end = 0;
        char perms[8] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %7s", &begin, &end, perms) != 3 || perms[0] == '-' ||
            line.find("[vsyscall]") != std::string::npos)
            continue; // inaccessible reservations hold no pages
        entries.resize((end - begin) / size_t(page));
        const ssize_t n = pread(pagemap, entries.data(), entries.size() * 8, off_t(begin / size_t(page) * 8));
        for (ssize_t i = 0; i < n / 8; ++i) {
            const uint64_t e = entries[size_t(i)];
            const uint64_t frame = e & ((uint64_t(1) << 55) - 1);
            if ((e >> 63) & 1 && frame != 0)
                frames.insert(frame);
        }
    }
    close(pagemap);
}

void AddRssByMapping(long pid, const std::string& role, std::map<std::string, long>& rss) {
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    std::string line, name;
    while (std::getline(smaps, line)) {
        unsigned long begin = 0, end = 0;
        long kb = 0;
        int path = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx %*s %*s %*s %*s %n", &begin, &end, &path) >= 2 && path > 0) {
            name = line.substr(size_t(path));
            if (name.empty())
                name = "[anonymous]";
            else if (name.rfind("/dev/shm/", 0) == 0)
                name = "/dev/shm/*";
        } else if (std::sscanf(line.c_str(), "Rss: %ld", &kb) == 1) {
            rss[role + name] += kb;
        }
    }
}

// The mappings whose resident size differs most between `a` and `b` (b - a, in kB).
std::vector<std::pair<std::string, long>> LargestDifferences(const std::map<std::string, long>& a,
                                                             const std::map<std::string, long>& b) {
    std::map<std::string, long> diff;
    for (const auto& [name, kb] : b)
        diff[name] += kb;
    for (const auto& [name, kb] : a)
        diff[name] -= kb;
    std::vector<std::pair<std::string, long>> rows(diff.begin(), diff.end());
    std::sort(rows.begin(), rows.end(),
              [](const auto& x, const auto& y) { return std::labs(x.second) > std::labs(y.second); });
    if (rows.size() > 20)
        rows.resize(20);
    return rows;
}

Memory TreeMemory(long root) {
    Memory m;
    std::unordered_set<uint64_t> frames;
    std::map<long, int> depth{{root, 0}};
    for (long pid : Tree(root)) {
        std::ifstream file("/proc/" + std::to_string(pid) + "/smaps_rollup");
        std::string line;
        long pss = 0;
        while (std::getline(file, line)) {
            long kb = 0;
            if (std::sscanf(line.c_str(), "Pss: %ld", &kb) == 1)
                pss = kb;
        }
        const size_t before = frames.size();
        AddFrames(pid, frames);
        AddRssByMapping(pid, pid == root ? "main: " : "children: ", m.rssByMapping);
        m.pssKb += pss;
        ++m.processes;
        if (pid != root)
            depth[pid] = depth[ParentOf(pid)] + 1;
        char text[200];
        std::snprintf(text, sizeof text, "    %-24s depth %d  PSS %6.1f MB, pages not met before %6.1f MB\n",
                      ProcessKind(pid).c_str(), depth[pid], pss / 1024.0,
                      double(frames.size() - before) * double(sysconf(_SC_PAGESIZE)) / 1048576.0);
        m.detail += text;
    }
    m.aloneKb = long(frames.size()) * (sysconf(_SC_PAGESIZE) / 1024);
    return m;
}

// A started program whose standard error is read line by line.
struct Child {
    pid_t pid = -1;
    int err = -1;
    double execMs = 0;                  // this process's clock just before the exec
    std::map<std::string, double> mark; // first time of each trace mark
    std::string pending;
    std::vector<std::string> other; // the last lines that were not trace marks
};

Child Spawn(const std::string& exe, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env) {
    Child child;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return child;
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0)
            envText.push_back(entry);
    }
    for (const auto& [name, value] : env)
        envText.push_back(name + "=" + value);
    std::vector<std::string> argText{exe};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    child.execMs = NowMs();
    const int rc = posix_spawn(&child.pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", exe.c_str(), std::strerror(rc));
        close(pipeFds[0]);
        child.pid = -1;
        return child;
    }
    child.err = pipeFds[0];
    return child;
}

// Reads the child's standard error until `done` holds or `ms` have passed; false on time-out or end.
template <typename Done> bool ReadUntil(Child& child, Done done, double ms) {
    const double deadline = NowMs() + ms;
    while (!done()) {
        const double left = deadline - NowMs();
        if (left <= 0 || child.err < 0)
            return done();
        pollfd p{child.err, POLLIN, 0};
        const int ready = poll(&p, 1, int(std::ceil(left)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(child.err, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(child.err);
            child.err = -1;
            return done();
        }
        child.pending.append(buffer, size_t(n));
        size_t end;
        while ((end = child.pending.find('\n')) != std::string::npos) {
            const std::string line = child.pending.substr(0, end);
            child.pending.erase(0, end + 1);
            char name[64];
            double at = 0;
            if (std::sscanf(line.c_str(), "lexicarta-startup %63s %lf", name, &at) == 2) {
                child.mark.emplace(name, at);
            } else {
                child.other.push_back(line);
                if (child.other.size() > 40)
                    child.other.erase(child.other.begin());
            }
        }
    }
    return true;
}

void Pump(Child& child, double ms) {
    ReadUntil(
        child, [] { return false; }, ms);
}

std::set<long> ChildrenOfThisProcess() {
    std::set<long> children;
    for (long pid : AllPids())
        if (ParentOf(pid) == long(getpid()))
            children.insert(pid);
    return children;
}

// Ends the child and every process it started (this process is their subreaper), so that the next
// run starts on a quiet machine.
void Stop(Child& child, const std::set<long>& keep) {
    if (child.pid <= 0)
        return;
    kill(child.pid, SIGTERM);
    const double deadline = NowMs() + 10000;
    for (;;) {
        std::set<long> left = ChildrenOfThisProcess();
        for (long k : keep)
            left.erase(k);
        if (left.empty())
            break;
        for (long pid : left) {
            if (NowMs() > deadline)
                kill(pid_t(pid), SIGKILL);
            waitpid(pid_t(pid), nullptr, WNOHANG);
        }
        if (child.err >= 0)
            Pump(child, 20);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (child.err >= 0)
        close(child.err);
    child.err = -1;
    child.pid = -1;
}

// ---- the report ----

struct Step {
    const char* mark;
    const char* what;
};

// The marks in the order the start passes them.
const Step kSteps[] = {
    {"main", "process start: loading, libraries, static initialisers"},
    {"app-object", "application object (display connection)"},
    {"instance-claimed", "single-instance check"},
    {"browser-engine-started", "frame, engine, client, sign-in and book list panels; browser engine"},
    {"browser-view-created", "browser view and its page"},
    {"media-player-created", "media player (its back end)"},
    {"page-load-started", "rest of the player panel; card page load requested"},
    {"frame-created", "window chrome, tray icon"},
    {"frame-shown", "native window shown"},
    {"window-painted", "first paint of the window begins"},
    {"window-shown", "window painted and on the screen"},
    {"page-loaded", "card page loaded"},
    {"auto-signin-started", "page-ready status handled"},
    {"auto-signin-done", "automatic sign-in"},
    {"update-checked", "update check"},
    {"book-load-started", "book load started"},
    {"book-fetched", "book fetched"},
    {"book-loaded", "book parsed"},
    {"card-update", "book-ready status handled, first card to the page"},
    {"card-painted", "first card painted"},
};

struct Options {
    int runs = 7;
    int memoryRounds = 3;
    int playSeconds = 15;
    int book = 2;
    bool verbose = false;
    std::vector<std::string> compare; // further programs whose start-up is measured in turn
};

std::string Program(const char* variable, const char* builtIn) {
    const char* set = std::getenv(variable);
    return set != nullptr && *set != '\0' ? set : builtIn;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (a == "--runs")
            options.runs = std::max(1, value());
        else if (a == "--memory-rounds")
            options.memoryRounds = std::max(0, value());
        else if (a == "--play-seconds")
            options.playSeconds = std::max(1, value());
        else if (a == "--book")
            options.book = value();
        else if (a == "--verbose")
            options.verbose = true;
        else if (a == "--compare" && i + 1 < argc)
            options.compare.push_back(argv[++i]);
        else {
            std::fprintf(stderr, "usage: startup_benchmark [--runs N] [--memory-rounds N] [--play-seconds S] "
                                 "[--book ID] [--verbose] [--compare PROGRAM]...\n");
            return 2;
        }
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "no display: run under xvfb-run -a -s \"-screen 0 1280x1024x24\"\n");
        return 2;
    }
    // Processes the program leaves behind come back to this one, which waits for them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    // A private settings folder and temporary folder (the single-instance socket lives there), set
    // before anything reads the settings location.
    QTemporaryDir config, temp;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    QCoreApplication app(argc, argv);

    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    DevService service;
    if (!service.IsRunning()) {
        std::fprintf(stderr, "reference service: %s\n", service.Error().c_str());
        return 1;
    }

    // Sign in once as the program does with the box ticked, and store what it stores.
    QString token;
    {
        ServiceClient client(service.BaseUrl());
        client.OpenSession();
        if (client.Login(QStringLiteral("demo"), QStringLiteral("demo"), true) != ServiceClient::ResultOk ||
            client.Token().isEmpty()) {
            std::fprintf(stderr, "the sign-in to prepare the automatic one failed\n");
            return 1;
        }
        token = client.Token();
        // The service names the book loaded last as the one to open after a sign-in.
        QString book;
        if (options.book > 0 && client.GetBook(options.book, book) != ServiceClient::ResultOk) {
            std::fprintf(stderr, "book %d could not be loaded\n", options.book);
            return 1;
        }
    }
    SettingsStore::WriteInt(SettingsStore::AutoLogin.name, 1);
    SettingsStore::WriteString(SettingsStore::User.name, QStringLiteral("demo"));
    SettingsStore::WriteString(SettingsStore::Token.name, token);
    // Not the first run: the start does not register itself at login.
    SettingsStore::WriteInt(SettingsStore::StartWithPC.name, 1);

    const std::string program = Program("STARTUP_BENCHMARK_PROGRAM", LEXICARTA_PROGRAM_PATH);
    const std::string bare = Program("STARTUP_BENCHMARK_BARE", LEXICARTA_BARE_PATH);
    std::map<std::string, std::string> env{
        {"LEXICARTA_STARTUP_TRACE", "1"},
        {"LEXICARTA_SERVICE_URL", service.BaseUrl().toStdString()},
        {"XDG_CONFIG_HOME", config.path().toStdString()},
        {"TMPDIR", temp.path().toStdString()},
    };
    // The browser engine's sandbox cannot run as root.
    if (geteuid() == 0)
        env.emplace("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const std::set<long> keep = ChildrenOfThisProcess(); // the reference service

    std::printf("program %s, book %d, %d runs\n", program.c_str(), options.book, options.runs);
    double load[3] = {};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
            load[0] = load[1] = load[2] = NAN;
        std::fclose(f);
    }
    std::printf("load average before: %.2f %.2f %.2f (%u processors)\n", load[0], load[1], load[2],
                std::thread::hardware_concurrency());

    // 1. Start-up; with --compare, the programs take turns run by run, so that they meet the same load.
    std::vector<std::string> programs{program};
    programs.insert(programs.end(), options.compare.begin(), options.compare.end());
    std::vector<std::map<std::string, std::vector<double>>> fromExec(programs.size()); // ms after exec
    std::vector<int> failed(programs.size(), 0);
    std::vector<std::vector<std::pair<double, double>>> perRun(programs.size()); // (window, card) ms
    for (int run = 0; run < options.runs; ++run) {
        for (size_t p = 0; p < programs.size(); ++p) {
            Child child = Spawn(programs[p], {}, env);
            if (child.pid <= 0)
                return 1;
            const bool painted = ReadUntil(
                child, [&] { return child.mark.count("card-painted") > 0; }, 30000);
            Stop(child, keep);
            if (!painted) {
                ++failed[p];
                perRun[p].emplace_back(NAN, NAN);
                std::fprintf(stderr, "run %d: no card painted within 30 s; last lines:\n", run + 1);
                for (const std::string& line : child.other)
                    std::fprintf(stderr, "  %s\n", line.c_str());
                continue;
            }
            std::printf("run %d%s: window %.0f ms, first card %.0f ms\n", run + 1,
                        programs.size() > 1 ? (" of " + programs[p]).c_str() : "",
                        child.mark["window-shown"] - child.execMs, child.mark["card-painted"] - child.execMs);
            for (const auto& [name, at] : child.mark)
                fromExec[p][name].push_back(at - child.execMs);
            perRun[p].emplace_back(child.mark["window-shown"] - child.execMs,
                                   child.mark["card-painted"] - child.execMs);
            if (options.verbose)
                for (const std::string& line : child.other)
                    std::printf("  | %s\n", line.c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }

    // Paired by run (neighbours in time meet about the same load): the median of the differences.
    for (size_t p = 1; p < programs.size(); ++p) {
        std::vector<double> window, card;
        for (size_t r = 0; r < std::min(perRun[0].size(), perRun[p].size()); ++r) {
            if (std::isnan(perRun[0][r].first) || std::isnan(perRun[p][r].first))
                continue;
            window.push_back(perRun[p][r].first - perRun[0][r].first);
            card.push_back(perRun[p][r].second - perRun[0][r].second);
        }
        std::printf("%s against %s, median of the paired differences over %zu runs: window %+.0f ms, "
                    "first card %+.0f ms\n",
                    programs[p].c_str(), programs[0].c_str(), window.size(), Median(window), Median(card));
    }

    for (size_t p = 0; p < programs.size(); ++p) {
        std::map<std::string, std::vector<double>>& marks = fromExec[p];
        if (marks.empty()) {
            std::fprintf(stderr, "no run of %s reached the first card\n", programs[p].c_str());
            return 1;
        }
        auto stats = [&](const char* mark) {
            std::vector<double>& v = marks[mark];
            std::sort(v.begin(), v.end());
            struct {
                double min, median, max;
            } s{v.empty() ? NAN : v.front(), Median(v), v.empty() ? NAN : v.back()};
            return s;
        };
        const auto window = stats("window-shown");
        const auto card = stats("card-painted");
        std::printf("\n%s\n", programs[p].c_str());
        std::printf("window shown:        min %6.0f  median %6.0f  max %6.0f ms after exec (target 500)\n",
                    window.min, window.median, window.max);
        std::printf("first card painted:  min %6.0f  median %6.0f  max %6.0f ms after exec (target 1000)\n",
                    card.min, card.median, card.max);
        if (failed[p] > 0)
            std::printf("(%d of %d runs painted no card)\n", failed[p], options.runs);

        std::printf("split (medians over the runs; a step's time runs from the mark before it):\n");
        std::printf("  %-24s %8s %8s   %s\n", "mark", "at ms", "step ms", "what");
        double before = 0;
        for (const Step& step : kSteps) {
            if (marks[step.mark].empty())
                continue;
            const double at = Median(marks[step.mark]);
            std::printf("  %-24s %8.1f %8.1f   %s\n", step.mark, at, at - before, step.what);
            before = at;
        }
        if (options.verbose) {
            std::vector<std::pair<double, std::string>> all;
            for (const auto& [name, times] : marks)
                all.emplace_back(Median(times), name);
            std::sort(all.begin(), all.end());
            std::printf("every mark, by median:\n");
            for (const auto& [at, name] : all)
                std::printf("  %-24s %8.1f\n", name.c_str(), at);
        }
    }

    // 2. Memory while it plays, beside the bare program (and the bare program with a line of Korean
    //    text), one after the other so that none shares pages with another.
    if (options.memoryRounds == 0)
        return 0;
    const std::string sound = service.BaseUrl().toStdString() + "/application/plugin/speech/apple";
    struct Subject {
        const char* name;
        std::string exe;
        std::vector<std::string> args;
        const char* ready;
        std::vector<double> pss, alone;
        Memory last;
    };
    std::vector<Subject> subjects{
        {"bare program", bare, {sound}, "bare-ready", {}, {}, {}},
        {"bare program, Korean line", bare, {sound, "--korean-line"}, "bare-ready", {}, {}, {}},
        {"program", program, {}, "card-painted", {}, {}, {}},
    };
    for (int round = 0; round < options.memoryRounds; ++round) {
        std::printf("\nmemory round %d, %d s after ready:\n", round + 1, options.playSeconds);
        for (Subject& subject : subjects) {
            Child child = Spawn(subject.exe, subject.args, env);
            if (child.pid <= 0)
                return 1;
            if (!ReadUntil(
                    child, [&] { return child.mark.count(subject.ready) > 0; }, 30000)) {
                std::fprintf(stderr, "%s: not ready within 30 s\n", subject.name);
                Stop(child, keep);
                return 1;
            }
            Pump(child, options.playSeconds * 1000.0);
            subject.last = TreeMemory(child.pid);
            Stop(child, keep);
            subject.pss.push_back(subject.last.pssKb / 1024.0);
            subject.alone.push_back(subject.last.aloneKb / 1024.0);
            std::printf("  %-26s PSS %6.1f MB, alone %6.1f MB (%d processes)\n", subject.name,
                        subject.pss.back(), subject.alone.back(), subject.last.processes);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }
    std::printf("\nlast round, by process:\n");
    for (const Subject& subject : subjects)
        std::printf("  %s\n%s", subject.name, subject.last.detail.c_str());
    if (options.verbose) {
        std::printf("\nlargest differences of resident memory by mapping, program against bare program:\n");
        for (const auto& [role, kb] :
             LargestDifferences(subjects[0].last.rssByMapping, subjects[2].last.rssByMapping))
            std::printf("  %+8.1f MB  %s\n", kb / 1024.0, role.c_str());
    }
    auto difference = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> d;
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            d.push_back(b[i] - a[i]);
        return Median(d);
    };
    const Subject& plain = subjects[0];
    const Subject& korean = subjects[1];
    const Subject& whole = subjects[2];
    std::printf("\nmemory (medians over %d rounds):\n", options.memoryRounds);
    std::printf("  PSS:   bare %.1f MB, bare with a Korean line %.1f MB, program %.1f MB\n",
                Median(plain.pss), Median(korean.pss), Median(whole.pss));
    std::printf(
        "         program %+.1f MB over the bare program (target <= 15), %+.1f MB over the Korean line\n",
        difference(plain.pss, whole.pss), difference(korean.pss, whole.pss));
    if (Median(whole.alone) > 0) {
        std::printf("  alone: bare %.1f MB, bare with a Korean line %.1f MB, program %.1f MB\n",
                    Median(plain.alone), Median(korean.alone), Median(whole.alone));
        std::printf("         program %+.1f MB over the bare program, %+.1f MB over the Korean line\n",
                    difference(plain.alone, whole.alone), difference(korean.alone, whole.alone));
    } else {
        std::printf("  alone: not measured (the physical pages of other processes are shown to root only)\n");
    }
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) == 3)
            std::printf("load average after: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
        std::fclose(f);
    }
    return 0;
}
