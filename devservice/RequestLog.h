#pragma once

#include <QByteArray>

#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Every request the reference service received (control requests aside), for tests to read back.
class RequestLog {
  public:
    struct Entry {
        std::string method;
        std::string target; // path and query as sent
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
    };

    void Add(Entry entry);
    void Clear();
    // The entries as a JSON array of {method, target, headers: [[name, value]...], body: Base64}.
    QByteArray ToJson();

  private:
    static constexpr std::size_t kMaxEntries = 10000;
    std::mutex mutex_;
    std::deque<Entry> entries_;
};
