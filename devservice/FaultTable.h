#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Faults that tests arrange for the paths of the reference service.
class FaultTable {
  public:
    struct Fault {
        std::string path;                    // exact path, or a prefix ending in '*'
        int status = 0;                      // answer this status instead (0: the real one)
        int delayMs = 0;                     // wait this long before answering
        bool drop = false;                   // close the connection without any answer
        bool truncate = false;               // announce the whole body but send only its first half
        long zeroAt = -1;                    // put a zero byte at this offset of the body
        bool pad1024 = false;                // pad the body with blanks to an exact multiple of 1024 bytes
        long padTo = -1;                     // pad the body with blanks to this many bytes, sent as it goes
        std::optional<std::string> body;     // answer these bytes instead of the real body
        std::optional<std::string> location; // a Location header (with a redirect status)
        int times = -1;                      // how many requests it applies to (-1: all)
    };

    void Set(const Fault& fault);
    // Removes every fault; requests waiting out a delay are answered now (the host has recovered).
    void Clear();
    // The fault for this path, counting one use; nothing when none applies.
    std::optional<Fault> Take(const std::string& path);

    // Waits up to `ms` milliseconds, or until the faults are cleared; false when the service is stopping.
    bool Sleep(int ms);
    void Stop();

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    unsigned long clears_ = 0;
    std::vector<Fault> faults_;
};
