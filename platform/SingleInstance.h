#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user. The first instance listens on a per-user local socket; a later start
// connects to it, asks it to show its window and then ends. A socket left behind by a copy that
// crashed is taken over by the next start.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the only instance; false when another one was told to show
    // itself. Without a usable socket the process carries on as the first instance.
    bool Claim();

    // For leaving the program: stops listening and frees the socket at once, so that a start during a
    // slow exit becomes the first instance instead of asking this one to show itself.
    void Release();

    // The per-user socket name of the program.
    static QString DefaultKey();

  Q_SIGNALS:
    // Another start asked this instance to bring its window to the front.
    void showRequested();

  private:
    bool askRunningInstance();

    QString key_;
    QLocalServer* server_ = nullptr;
    bool released_ = false;
};
