#pragma once

#include <QString>

class QObject;

// What the playback engine shows, and where its workers report: the player panel implements it,
// tests use a recording implementation. Every call comes from the GUI thread.
class PlayerDisplay {
  public:
    virtual ~PlayerDisplay() = default;

    // Position counter values (1-based position and total, or 0 and 0), redrawn at once.
    virtual void SetCounter(int position, int total) = 0;
    // One card: the page's setVocabulary with the three texts, then update.
    virtual void ShowVocabulary(const QString& name, const QString& mean, const QString& example) = 0;
    // A message in place of the card (the page's showMessage).
    virtual void ShowMessage(const QString& text) = 0;
    // The object that receives the WM_TASK_STATUS events the engine's workers post
    // (picture ready 1, pronunciation ready 2). It lives on the GUI thread.
    virtual QObject* StatusReceiver() = 0;
};
