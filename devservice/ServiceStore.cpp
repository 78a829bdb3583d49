#include "devservice/ServiceStore.h"

#include <QCryptographicHash>
#include <QFile>

#include <sqlite3.h>

// A prepared statement that binds its parameters in order and finalises itself.
class ServiceStore::Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int64_t value) {
        sqlite3_bind_int64(stmt_, ++index_, value);
        return *this;
    }
    Statement& Bind(const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(stmt_, ++index_, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while a row is available.
    bool Step() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }
    bool Run() {
        if (!stmt_)
            return false;
        const int rc = sqlite3_step(stmt_);
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    QString Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column)) : QString();
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
    int index_ = 0;
};

ServiceStore::~ServiceStore() {
    if (db_)
        sqlite3_close(db_);
}

bool ServiceStore::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool ServiceStore::Open(const QString& path, QString* error) {
    std::lock_guard lock(mutex_);
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        if (error)
            *error = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    const bool schema =
        exec("PRAGMA foreign_keys = ON") &&
        exec("CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL,"
             " salt TEXT NOT NULL, password TEXT NOT NULL, last_book INTEGER NOT NULL DEFAULT 0)") &&
        exec("CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, user_id INTEGER NOT NULL)") &&
        exec("CREATE TABLE IF NOT EXISTS web_tokens (token TEXT PRIMARY KEY, user_id INTEGER NOT NULL)") &&
        exec("CREATE TABLE IF NOT EXISTS books (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL,"
             " title TEXT NOT NULL, sound TEXT NOT NULL, image TEXT NOT NULL, style TEXT NOT NULL)") &&
        exec("CREATE TABLE IF NOT EXISTS words (id INTEGER PRIMARY KEY, book_id INTEGER NOT NULL,"
             " name TEXT NOT NULL, mean TEXT NOT NULL, example TEXT NOT NULL)") &&
        exec("CREATE TABLE IF NOT EXISTS marks (user_id INTEGER NOT NULL, word_id INTEGER NOT NULL,"
             " PRIMARY KEY (user_id, word_id))") &&
        exec("CREATE TABLE IF NOT EXISTS learning_logs (user_id INTEGER NOT NULL, date TEXT NOT NULL,"
             " word_id INTEGER NOT NULL, seq INTEGER NOT NULL, PRIMARY KEY (user_id, date, word_id))");
    if (!schema) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(db_));
        return false;
    }
    return true;
}

void ServiceStore::SeedWhenEmpty(const std::function<void(ServiceStore&)>& seed) {
    {
        std::lock_guard lock(mutex_);
        Statement users(db_, "SELECT COUNT(*) FROM users");
        if (!users.Step() || users.Int(0) != 0)
            return;
        exec("BEGIN");
    }
    seed(*this);
    std::lock_guard lock(mutex_);
    exec("COMMIT");
}

QString ServiceStore::passwordHash(const QString& salt, const QString& password) {
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256)
            .toHex());
}

QString ServiceStore::randomToken() {
    std::lock_guard lock(mutex_);
    return QStringLiteral("%1%2")
        .arg(random_(), 16, 16, QLatin1Char('0'))
        .arg(random_(), 16, 16, QLatin1Char('0'));
}

std::optional<ServiceStore::User> ServiceStore::SignIn(const QString& name, const QString& password) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT id, name, last_book, salt, password FROM users WHERE name = ?");
    s.Bind(name);
    if (!s.Step() || passwordHash(s.Text(3), password) != s.Text(4))
        return std::nullopt;
    return User{s.Int(0), s.Text(1), s.Int(2)};
}

std::optional<ServiceStore::User> ServiceStore::userRow(Statement& s) {
    if (!s.Step())
        return std::nullopt;
    return User{s.Int(0), s.Text(1), s.Int(2)};
}

std::optional<ServiceStore::User> ServiceStore::UserByName(const QString& name) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT id, name, last_book FROM users WHERE name = ?");
    s.Bind(name);
    return userRow(s);
}

std::optional<ServiceStore::User> ServiceStore::UserById(int64_t id) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT id, name, last_book FROM users WHERE id = ?");
    s.Bind(id);
    return userRow(s);
}

QString ServiceStore::IssueToken(int64_t user) {
    const QString token = randomToken();
    std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO tokens (token, user_id) VALUES (?, ?)").Bind(token).Bind(user).Run();
    return token;
}

bool ServiceStore::CheckToken(int64_t user, const QString& token) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT 1 FROM tokens WHERE token = ? AND user_id = ?");
    s.Bind(token).Bind(user);
    return s.Step();
}

QString ServiceStore::IssueWebToken(int64_t user) {
    const QString token = randomToken();
    std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO web_tokens (token, user_id) VALUES (?, ?)").Bind(token).Bind(user).Run();
    return token;
}

std::optional<int64_t> ServiceStore::TakeWebToken(const QString& token) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT user_id FROM web_tokens WHERE token = ?");
    s.Bind(token);
    if (!s.Step())
        return std::nullopt;
    const int64_t user = s.Int(0);
    Statement(db_, "DELETE FROM web_tokens WHERE token = ?").Bind(token).Run();
    return user;
}

std::vector<ServiceStore::BookInfo> ServiceStore::Books(int64_t user) {
    std::lock_guard lock(mutex_);
    std::vector<BookInfo> books;
    Statement s(db_, "SELECT id, title, sound, image, style FROM books WHERE user_id = ? ORDER BY id");
    s.Bind(user);
    while (s.Step())
        books.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)});
    return books;
}

std::optional<ServiceStore::BookInfo> ServiceStore::Book(int64_t user, int64_t book) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT id, title, sound, image, style FROM books WHERE user_id = ? AND id = ?");
    s.Bind(user).Bind(book);
    if (!s.Step())
        return std::nullopt;
    return BookInfo{s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4)};
}

std::vector<ServiceStore::Word> ServiceStore::Words(int64_t user, int64_t book) {
    std::lock_guard lock(mutex_);
    std::vector<Word> words;
    Statement s(db_, "SELECT w.id, w.name, w.mean, w.example, m.word_id IS NOT NULL FROM words w"
                     " JOIN books b ON b.id = w.book_id AND b.user_id = ?"
                     " LEFT JOIN marks m ON m.word_id = w.id AND m.user_id = b.user_id"
                     " WHERE w.book_id = ? ORDER BY w.id");
    s.Bind(user).Bind(book);
    while (s.Step())
        words.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Int(4) != 0});
    return words;
}

void ServiceStore::SetLastBook(int64_t user, int64_t book) {
    std::lock_guard lock(mutex_);
    Statement(db_, "UPDATE users SET last_book = ? WHERE id = ?").Bind(book).Bind(user).Run();
}

bool ServiceStore::Mark(int64_t user, int64_t word, int64_t book) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT 1 FROM words w JOIN books b ON b.id = w.book_id WHERE w.id = ? AND b.id = ? AND "
                     "b.user_id = ?");
    s.Bind(word).Bind(book).Bind(user);
    if (!s.Step())
        return false;
    return Statement(db_, "INSERT OR IGNORE INTO marks (user_id, word_id) VALUES (?, ?)")
        .Bind(user)
        .Bind(word)
        .Run();
}

bool ServiceStore::ClearMarks(int64_t user, int64_t book) {
    std::lock_guard lock(mutex_);
    Statement s(db_, "SELECT 1 FROM books WHERE id = ? AND user_id = ?");
    s.Bind(book).Bind(user);
    if (!s.Step())
        return false;
    return Statement(
               db_,
               "DELETE FROM marks WHERE user_id = ? AND word_id IN (SELECT id FROM words WHERE book_id = ?)")
        .Bind(user)
        .Bind(book)
        .Run();
}

std::vector<int64_t> ServiceStore::Marks(int64_t user) {
    std::lock_guard lock(mutex_);
    std::vector<int64_t> ids;
    Statement s(db_, "SELECT word_id FROM marks WHERE user_id = ? ORDER BY word_id");
    s.Bind(user);
    while (s.Step())
        ids.push_back(s.Int(0));
    return ids;
}

void ServiceStore::AddLearningLog(int64_t user, const QString& date, const std::vector<int64_t>& words) {
    std::lock_guard lock(mutex_);
    exec("BEGIN");
    for (int64_t word : words)
        Statement(db_, "INSERT OR IGNORE INTO learning_logs (user_id, date, word_id, seq) VALUES (?, ?, ?,"
                       " (SELECT COUNT(*) FROM learning_logs WHERE user_id = ?1 AND date = ?2))")
            .Bind(user)
            .Bind(date)
            .Bind(word)
            .Run();
    exec("COMMIT");
}

std::map<QString, std::vector<int64_t>> ServiceStore::LearningLog(int64_t user) {
    std::lock_guard lock(mutex_);
    std::map<QString, std::vector<int64_t>> log;
    Statement s(db_, "SELECT date, word_id FROM learning_logs WHERE user_id = ? ORDER BY date, seq");
    s.Bind(user);
    while (s.Step())
        log[s.Text(0)].push_back(s.Int(1));
    return log;
}

int64_t ServiceStore::AddUser(const QString& name, const QString& password) {
    const QString salt = randomToken();
    std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO users (name, salt, password) VALUES (?, ?, ?)")
        .Bind(name)
        .Bind(salt)
        .Bind(passwordHash(salt, password))
        .Run();
    return sqlite3_last_insert_rowid(db_);
}

int64_t ServiceStore::AddBook(int64_t user, const QString& title, const QString& sound, const QString& image,
                              const QString& style) {
    std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO books (user_id, title, sound, image, style) VALUES (?, ?, ?, ?, ?)")
        .Bind(user)
        .Bind(title)
        .Bind(sound)
        .Bind(image)
        .Bind(style)
        .Run();
    return sqlite3_last_insert_rowid(db_);
}

void ServiceStore::AddWord(int64_t book, int64_t id, const QString& name, const QString& mean,
                           const QString& example) {
    std::lock_guard lock(mutex_);
    Statement(db_, "INSERT INTO words (id, book_id, name, mean, example) VALUES (?, ?, ?, ?, ?)")
        .Bind(id)
        .Bind(book)
        .Bind(name)
        .Bind(mean)
        .Bind(example)
        .Run();
}
