#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

struct sqlite3;

// The reference service's data in one SQLite file: members, their books and words, memorised marks,
// learning logs and sign-in tokens. Every call is safe from any thread.
class ServiceStore {
  public:
    struct User {
        int64_t id = 0;
        QString name;
        int64_t lastBook = 0;
    };
    struct BookInfo {
        int64_t id = 0;
        QString title;
        // Plug-in descriptions as JSON text with "{base}" for the service address; empty for none.
        QString sound, image, style;
    };
    struct Word {
        int64_t id = 0;
        QString name, mean, example;
        bool complete = false;
    };

    ServiceStore() = default;
    ~ServiceStore();
    ServiceStore(const ServiceStore&) = delete;
    ServiceStore& operator=(const ServiceStore&) = delete;

    // Opens (creating when needed) the database.
    bool Open(const QString& path, QString* error);
    // Runs `seed` in one transaction when the store has no members yet (a new database).
    void SeedWhenEmpty(const std::function<void(ServiceStore&)>& seed);

    std::optional<User> SignIn(const QString& name, const QString& password);
    std::optional<User> UserByName(const QString& name);
    std::optional<User> UserById(int64_t id);

    // Automatic sign-in tokens, one per sign-in that asked for one.
    QString IssueToken(int64_t user);
    bool CheckToken(int64_t user, const QString& token);
    // One-time tokens that sign a web browser in.
    QString IssueWebToken(int64_t user);
    std::optional<int64_t> TakeWebToken(const QString& token);

    std::vector<BookInfo> Books(int64_t user);
    std::optional<BookInfo> Book(int64_t user, int64_t book);
    std::vector<Word> Words(int64_t user, int64_t book);
    void SetLastBook(int64_t user, int64_t book);

    // False when the word is not in that book of the user.
    bool Mark(int64_t user, int64_t word, int64_t book);
    bool ClearMarks(int64_t user, int64_t book);
    std::vector<int64_t> Marks(int64_t user);

    void AddLearningLog(int64_t user, const QString& date, const std::vector<int64_t>& words);
    // Date -> word ids in the order they were first reported.
    std::map<QString, std::vector<int64_t>> LearningLog(int64_t user);

    // Seeding.
    int64_t AddUser(const QString& name, const QString& password);
    int64_t AddBook(int64_t user, const QString& title, const QString& sound, const QString& image,
                    const QString& style);
    void AddWord(int64_t book, int64_t id, const QString& name, const QString& mean, const QString& example);

  private:
    class Statement;
    bool exec(const char* sql);
    // The user of the next row of "SELECT id, name, last_book ...".
    static std::optional<User> userRow(Statement& s);
    QString randomToken();
    static QString passwordHash(const QString& salt, const QString& password);

    std::recursive_mutex mutex_;
    sqlite3* db_ = nullptr;
    std::mt19937_64 random_{std::random_device{}()};
};
