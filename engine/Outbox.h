#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// What one account has done that the service has not confirmed yet (marks and learning-log entries),
// kept in a file of the user's data folder so that it survives log-out, exit and a crash, and is sent
// at the next sign-in of the same account. The file is named after a hash of the user id, readable by
// its owner only, and replaced atomically; a file that is corrupt, too large, another user's or
// another account's is ignored.
class Outbox {
  public:
    struct Mark {
        uint32_t wordId = 0;
        uint32_t bookId = 0;
        bool operator==(const Mark&) const = default;
    };
    // Cards seen under a learning-log date of the service (empty: none was known yet).
    struct LogEntry {
        std::string date;
        std::vector<uint32_t> ids;
        bool operator==(const LogEntry&) const = default;
    };
    struct Contents {
        std::vector<Mark> marks; // in the order they were made
        std::vector<LogEntry> logs;
        bool IsEmpty() const { return marks.empty() && logs.empty(); }
        bool operator==(const Contents&) const = default;
    };

    // Files larger than this are not the program's.
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    // The folder of every account's file: "outbox" in the application's data folder.
    static QString DefaultFolder();

    Outbox(QString folder, QString userId);

    const QString& User() const { return user_; }
    QString FilePath() const;
    // The account's contents; empty when there is no usable file.
    Contents Load() const;
    // Replaces the file with `contents`, or removes it when they are empty. False when it could not be
    // written (the file before stays as it was).
    bool Save(const Contents& contents) const;

  private:
    QString folder_;
    QString user_;
};
