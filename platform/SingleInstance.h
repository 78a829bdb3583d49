#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user. The first instance listens on a local socket in a folder that only the
// user can enter; a later start connects to it, asks it to show its window and then ends. A socket left
// behind by a copy that crashed is taken over by the next start.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `key` names the socket inside the private folder.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the only instance; false when another one was told to show
    // itself. Without a usable private folder or socket the process carries on as the first instance.
    bool Claim();

    // For leaving the program: stops listening and frees the socket at once, so that a start during a
    // slow exit becomes the first instance instead of asking this one to show itself.
    void Release();

    // The socket name of the program.
    static QString DefaultKey();

    // The folder the socket and its lock live in: XDG_RUNTIME_DIR when it is the user's own and closed
    // to everyone else, otherwise "lexicarta-<uid>" in the temporary folder, made with mode 0700 and
    // checked the same way. Empty when neither is private.
    static QString PrivateFolder();

    // Where the socket of `key` lives (empty without a private folder).
    static QString SocketPath(const QString& key);

  Q_SIGNALS:
    // Another start asked this instance to bring its window to the front.
    void showRequested();

  private:
    bool askRunningInstance(const QString& path);

    QString key_;
    QLocalServer* server_ = nullptr;
    bool released_ = false;
};
