#include "ProcessTree.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <dirent.h>
#include <unistd.h>

namespace {

// Entries of a /proc folder, without "." and "..".
int EntryCount(const char* folder) {
    int n = 0;
    if (DIR* dir = opendir(folder)) {
        while (dirent* e = readdir(dir))
            n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Fields of a stat line after the command name in parentheses (field 3, the state, is index 0).
QList<QByteArray> StatFields(const QByteArray& stat) {
    const int close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

double CpuSec(const QList<QByteArray>& fields) {
    static const double ticks = double(sysconf(_SC_CLK_TCK));
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / ticks; // utime, stime
}

long PssKb(long pid) {
    for (const QByteArray& line : ReadFile(QStringLiteral("/proc/%1/smaps_rollup").arg(pid)).split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLong();
    return 0;
}

} // namespace

std::vector<ProcessTree::Process> ProcessTree::Snapshot(const QList<QByteArray>& exclude) {
    struct Entry {
        long pid, parent;
        QByteArray cmdline;
        QList<QByteArray> stat;
    };
    std::vector<Entry> all;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const long pid = name.toLong(&ok);
        if (!ok)
            continue;
        const QList<QByteArray> stat = StatFields(ReadFile(QStringLiteral("/proc/%1/stat").arg(pid)));
        if (stat.size() < 13)
            continue;
        all.push_back({pid, stat[1].toLong(),
                       ReadFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).replace('\0', ' '), stat});
    }
    std::vector<long> tree{long(getpid())};
    for (bool grew = true; grew;) {
        grew = false;
        for (const Entry& e : all) {
            if (std::find(tree.begin(), tree.end(), e.pid) != tree.end() ||
                std::find(tree.begin(), tree.end(), e.parent) == tree.end())
                continue;
            if (std::any_of(exclude.begin(), exclude.end(),
                            [&](const QByteArray& name) { return e.cmdline.contains(name); }))
                continue;
            tree.push_back(e.pid);
            grew = true;
        }
    }
    // Renderers are forked from the engine's zygote and keep its command line: a zygote process whose
    // parent is a zygote is a renderer.
    auto isZygote = [&](long pid) {
        const auto e = std::find_if(all.begin(), all.end(), [pid](const Entry& x) { return x.pid == pid; });
        return e != all.end() && e->cmdline.contains("--type=zygote");
    };
    std::vector<Process> out;
    for (long pid : tree) {
        const auto it = std::find_if(all.begin(), all.end(), [pid](const Entry& e) { return e.pid == pid; });
        if (it == all.end())
            continue;
        Process p;
        p.pid = pid;
        const int type = it->cmdline.indexOf("--type=");
        p.kind = pid == getpid() ? QStringLiteral("program")
                 : type < 0      ? QStringLiteral("other")
                                 : QString::fromLatin1(it->cmdline.mid(type + 7).split(' ').first());
        if (isZygote(pid) && isZygote(it->parent))
            p.kind = QStringLiteral("renderer");
        p.pssKb = PssKb(pid);
        p.cpuSec = CpuSec(it->stat);
        out.push_back(p);
    }
    return out;
}

long ProcessTree::TotalPssKb(const std::vector<Process>& processes) {
    long total = 0;
    for (const Process& p : processes)
        total += p.pssKb;
    return total;
}

double ProcessTree::TotalCpuSec(const std::vector<Process>& processes) {
    double total = 0;
    for (const Process& p : processes)
        total += p.cpuSec;
    return total;
}

std::vector<ProcessTree::Thread> ProcessTree::OwnThreads() {
    std::vector<Thread> out;
    for (const QString& tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray stat = ReadFile(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
        const int open = stat.indexOf('(');
        const int close = stat.lastIndexOf(')');
        if (open < 0 || close < 0)
            continue;
        Thread t;
        t.name = tid.toLong() == long(getpid()) ? QStringLiteral("(GUI thread)")
                                                : QString::fromUtf8(stat.mid(open + 1, close - open - 1));
        t.cpuSec = CpuSec(StatFields(stat));
        out.push_back(t);
    }
    return out;
}

QString ProcessTree::Describe(const std::vector<Process>& processes) {
    QStringList parts;
    for (const Process& p : processes)
        parts << QStringLiteral("%1 %2").arg(p.kind).arg(p.pssKb / 1024.0, 0, 'f', 1);
    return parts.join(QStringLiteral(", "));
}

int ProcessTree::OwnThreadCount() {
    return EntryCount("/proc/self/task");
}

int ProcessTree::OwnDescriptorCount() {
    return EntryCount("/proc/self/fd") - 1;
}
