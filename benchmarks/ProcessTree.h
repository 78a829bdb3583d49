#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// The processes of a program that embeds the browser engine: this process and every descendant (the
// engine's renderer, GPU and utility processes), read from /proc.
class ProcessTree {
  public:
    struct Process {
        long pid = 0;
        QString kind;      // "program", or the engine's process type ("renderer", "gpu-process", ...)
        long pssKb = 0;    // proportional set size
        double cpuSec = 0; // user + system time of all its threads so far
    };
    struct Thread {
        QString name;
        double cpuSec = 0;
    };

    // This process and its descendants; a process whose command line contains one of `exclude` (a
    // helper such as the reference service) is left out together with its own descendants.
    static std::vector<Process> Snapshot(const QList<QByteArray>& exclude = {});
    static long TotalPssKb(const std::vector<Process>& processes);
    static double TotalCpuSec(const std::vector<Process>& processes);
    // Processor time of each thread of this process so far (the engine runs many of its own here).
    static std::vector<Thread> OwnThreads();
    // Threads of this process, and its open file descriptors (without the one reading the count).
    static int OwnThreadCount();
    static int OwnDescriptorCount();
    // One line a process: kind, PSS.
    static QString Describe(const std::vector<Process>& processes);
};
