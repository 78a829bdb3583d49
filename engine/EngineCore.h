#pragma once

#include "engine/Book.h"

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

// The study engine's state, shared by the GUI thread and the workers: the loaded book with its play
// orders and media entries, the order mode and the position, the shuffle, the cards seen and the
// learning-log date. It is passive: one mutex, every operation takes it for its own length only and
// returns copies; it starts no thread, runs no timer and calls nothing outside itself.
//
// Every book installed or unloaded gets a new generation number. Workers note the generation when they
// read, and a write for another generation is dropped, so a late worker never writes into another book.
class EngineCore {
  public:
    enum OrderMode : int { CardOrder = 0, SortedOrder = 1, RandomOrder = 2 };

    // What the views need of a loaded book.
    struct BookInfo {
        uint32_t id = 0;
        QString title;
        bool has_sound = false;
        bool has_image = false;
        bool has_style = false;
        QString style;      // the style plug-in's value as compact JSON text
        uint32_t cards = 0; // cards in the active order
    };

    // The card that Show moved to.
    struct Shown {
        uint32_t position = 0; // in the active order
        uint32_t total = 0;    // cards in the active order; 0: nothing to show
        Vocabulary card;
        bool has_image = false;
    };

    // The card on display's media entry, as a foreground worker or the display found it.
    struct Claim {
        bool found = false;   // the book has the plug-in and a card is on display
        bool claimed = false; // the entry is now Claimed
        uint32_t card = 0;
        int16_t prior = MediaEntry::Unresolved; // the entry's state before the claim
        uint64_t generation = 0;
    };

    // Where the prefetch stands: the card on display, and whether a foreground worker asked it to
    // restart after that card since the last step.
    struct PrefetchCursor {
        bool valid = false; // the same book, with a card on display
        uint32_t shown = 0;
        bool restart = false;
    };

    // The prefetch's view of the book at its start.
    struct PrefetchPlan {
        bool due = false; // a loaded book with cards and a picture or pronunciation plug-in
        uint64_t generation = 0;
        uint32_t cards = 0;
        uint32_t shown = 0;
        bool has_sound = false;
        bool has_image = false;
    };

    explicit EngineCore(uint32_t seed);

    // ---- the book ----
    // Makes `book` the loaded book, in card order at its first card. Returns its generation.
    uint64_t Install(Book book);
    // Unloads the book, keeping only the id of the one last asked for (for the marks still being sent).
    // Returns the new generation.
    uint64_t Unload();
    bool IsLoaded() const;
    uint64_t Generation() const;
    uint32_t BookId() const;
    BookInfo Info() const;
    bool HasSound() const;
    // A copy of the whole book.
    Book Snapshot() const;

    // ---- orders and position ----
    // Seeds the shuffle of the random order.
    void Seed(uint32_t seed);
    int OrderMode() const;
    uint32_t Position() const;
    size_t ActiveCount() const;
    std::vector<uint32_t> ActiveOrder() const;
    // Chooses the active order; the random order is shuffled afresh from the card order (as many swaps
    // as cards, each between two drawn positions). Other modes change nothing.
    void SetOrder(int mode);
    // Moves to position `p` of the active order (the first one when `p` is past the end) and, with
    // `record`, notes the card as seen.
    Shown Show(uint32_t p, bool record);
    // The positions after and before the one on display, wrapping around.
    uint32_t NextPosition() const;
    uint32_t PrevPosition() const;

    // ---- marks ----
    // A card is on display and was not memorised at load.
    bool IsCurrentOpen() const;
    // Takes the card on display out of the three order lists when it is open; its id, else nothing.
    std::optional<uint32_t> MarkCurrent();

    // ---- media ----
    // The URL of the card on display (empty while no book is loaded or nothing is resolved).
    QString CurrentUrl(MediaKind kind) const;
    // A copy of one entry (an empty Unresolved entry for an index out of range).
    MediaEntry Entry(MediaKind kind, uint32_t card) const;
    // Claims the card on display's entry of `kind`. With `onlyKnown`, an Unresolved entry is left as it
    // is (found, not claimed); otherwise claiming an Unresolved entry asks the prefetch to
    // restart after the card on display. Nothing is found when the book is not that of `generation`
    // (any book without it).
    Claim ClaimCurrent(MediaKind kind, bool onlyKnown, std::optional<uint64_t> generation = std::nullopt);
    // The plug-in and the card that entry `card` of `generation` is resolved from; false when the book
    // has changed.
    bool ResolutionInput(MediaKind kind, uint32_t card, uint64_t generation, MediaPlugin& plugin,
                         Vocabulary& vocabulary) const;
    // Stores a resolution: the URL and Resolved, or Unresolved again. Dropped for another generation.
    void StoreResolution(MediaKind kind, uint32_t card, uint64_t generation, bool ok, QString url);
    // The entry is still to be resolved (false for another generation).
    bool IsUnresolved(MediaKind kind, uint32_t card, uint64_t generation) const;
    PrefetchPlan PlanPrefetch() const;
    // Takes the prefetch's restart request, together with the card on display.
    PrefetchCursor StepPrefetch(uint64_t generation);

    // ---- learning log ----
    // What a send takes: the date, the cards seen under it, and the log's epoch (a new one at every
    // restart), so that an answer to a send of an earlier log changes nothing.
    struct LogState {
        std::string date;
        std::vector<uint32_t> ids;
        uint64_t epoch = 0;
    };
    // A date that differs from the kept one replaces it and empties the list of cards seen.
    void SetLogDate(std::string date);
    std::string LogDate() const;
    std::vector<uint32_t> SeenIds() const;
    // The date and the cards seen, read together.
    LogState LogSnapshot() const;
    // The service has taken the cards `sent` of the log of `epoch` and named the date of the next send:
    // a new date starts a new list, which keeps the cards seen since those were sent.
    void ConfirmLog(const std::vector<uint32_t>& sent, std::string date, uint64_t epoch);
    // The cards seen that no send has been confirmed for yet, under the date kept.
    LogState UnconfirmedLog() const;
    // Starts a new log (no date, no card, a new epoch); returns what the old one had not confirmed.
    LogState RestartLog();
    // Records cards as seen (those of an earlier log that had no date yet).
    void AddSeen(const std::vector<uint32_t>& ids);

  private:
    // Under the mutex.
    const std::vector<uint32_t>& activeLocked() const;
    std::optional<uint32_t> currentCardLocked() const;
    const std::vector<MediaEntry>& entriesLocked(MediaKind kind) const;
    std::vector<MediaEntry>& entriesLocked(MediaKind kind);
    bool hasPluginLocked(MediaKind kind) const;

    mutable std::mutex mutex_;
    Book book_;
    bool loaded_ = false;
    uint64_t generation_ = 0;
    int order_mode_ = CardOrder;
    uint32_t position_ = 0;
    bool prefetch_restart_ = false;
    std::mt19937 random_;
    std::string log_date_;
    std::vector<uint32_t> seen_ids_;
    size_t log_confirmed_ = 0; // the first cards of seen_ids_ that a confirmed send carried
    uint64_t log_epoch_ = 0;
};
