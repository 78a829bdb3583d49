#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// What the card page shows, kept as the script calls that made it, so that a fresh copy of the page
// (after its renderer process has died) can be brought back to the same card. Only what still shows is
// kept: a day of cards leaves one card behind, a loading message forgets the book before it.
class CardPageState {
  public:
    struct Call {
        QString function;
        QStringList args;
        bool operator==(const Call&) const = default;
    };

    // Takes note of a call made to the page.
    void Record(const QString& function, const QStringList& args);
    // The calls that rebuild the page's state on a freshly loaded page, in order.
    std::vector<Call> Replay() const;
    // The text that shows now, as a screen reader is to read it: the card's parts that are not hidden,
    // one a line, or the message, without markup. Empty while nothing shows.
    QString Reading() const;
    // Back to a fresh page.
    void Clear() { *this = CardPageState(); }

  private:
    enum class Shown { Nothing, LoadMessage, Card, Message };

    std::array<std::optional<QString>, 3> visibility_; // the argument of the last toggle of each part
    bool controls_ = false;                            // the option buttons were asked for
    std::optional<QString> loadMessage_;               // the last loading message; what follows is since then
    std::optional<QStringList> plugins_;
    QStringList texts_;              // the texts stored last
    QStringList card_;               // the texts of the card on display
    std::optional<QString> message_; // the message stored last
    std::optional<QString> image_;   // the picture of the card on display
    Shown shown_ = Shown::Nothing;
};
