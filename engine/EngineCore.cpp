#include "engine/EngineCore.h"

#include <algorithm>

namespace {

void removeFirst(std::vector<uint32_t>& list, uint32_t card) {
    const auto it = std::find(list.begin(), list.end(), card);
    if (it != list.end())
        list.erase(it);
}

} // namespace

EngineCore::EngineCore(uint32_t seed) : random_(seed) {}

// ---- the book ----

uint64_t EngineCore::Install(Book book) {
    std::lock_guard lock(mutex_);
    book_ = std::move(book);
    loaded_ = true;
    order_mode_ = CardOrder;
    position_ = 0;
    prefetch_restart_ = false;
    return ++generation_;
}

uint64_t EngineCore::Unload() {
    std::lock_guard lock(mutex_);
    const uint32_t keptId = book_.id;
    book_ = Book{};
    book_.id = keptId;
    loaded_ = false;
    order_mode_ = CardOrder;
    position_ = 0;
    prefetch_restart_ = false;
    return ++generation_;
}

bool EngineCore::IsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

uint64_t EngineCore::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

uint32_t EngineCore::BookId() const {
    std::lock_guard lock(mutex_);
    return book_.id;
}

EngineCore::BookInfo EngineCore::Info() const {
    std::lock_guard lock(mutex_);
    return {book_.id,
            book_.title,
            book_.has_sound,
            book_.has_image,
            book_.has_style,
            book_.style,
            static_cast<uint32_t>(activeLocked().size())};
}

bool EngineCore::HasSound() const {
    std::lock_guard lock(mutex_);
    return book_.has_sound;
}

Book EngineCore::Snapshot() const {
    std::lock_guard lock(mutex_);
    return book_;
}

// ---- orders and position ----

void EngineCore::Seed(uint32_t seed) {
    std::lock_guard lock(mutex_);
    random_.seed(seed);
}

const std::vector<uint32_t>& EngineCore::activeLocked() const {
    switch (order_mode_) {
    case SortedOrder:
        return book_.sorted_order;
    case RandomOrder:
        return book_.random_order;
    default:
        return book_.card_order;
    }
}

std::optional<uint32_t> EngineCore::currentCardLocked() const {
    const auto& active = activeLocked();
    if (position_ >= active.size() || active[position_] >= book_.vocabularies.size())
        return std::nullopt;
    return active[position_];
}

int EngineCore::OrderMode() const {
    std::lock_guard lock(mutex_);
    return order_mode_;
}

uint32_t EngineCore::Position() const {
    std::lock_guard lock(mutex_);
    return position_;
}

size_t EngineCore::ActiveCount() const {
    std::lock_guard lock(mutex_);
    return activeLocked().size();
}

std::vector<uint32_t> EngineCore::ActiveOrder() const {
    std::lock_guard lock(mutex_);
    return activeLocked();
}

void EngineCore::SetOrder(int mode) {
    if (mode < CardOrder || mode > RandomOrder)
        return;
    std::lock_guard lock(mutex_);
    if (mode == RandomOrder) {
        book_.random_order = book_.card_order;
        auto& list = book_.random_order;
        const size_t m = list.size();
        for (size_t k = 0; k < m; ++k) {
            const size_t i = random_() % m; // first i, then j
            const size_t j = random_() % m;
            std::swap(list[i], list[j]);
        }
    }
    order_mode_ = mode;
}

EngineCore::Shown EngineCore::Show(uint32_t p, bool record) {
    std::lock_guard lock(mutex_);
    const auto& active = activeLocked();
    Shown shown;
    shown.total = static_cast<uint32_t>(active.size());
    // Compared unsigned: a position past the end, however it was reached, shows the first card.
    if (p >= shown.total)
        p = 0;
    position_ = p;
    shown.position = p;
    if (shown.total == 0)
        return shown;
    shown.card = book_.vocabularies[active[p]];
    shown.has_image = book_.has_image;
    if (record && std::find(seen_ids_.begin(), seen_ids_.end(), shown.card.id) == seen_ids_.end())
        seen_ids_.push_back(shown.card.id);
    return shown;
}

uint32_t EngineCore::NextPosition() const {
    std::lock_guard lock(mutex_);
    const auto n = static_cast<uint32_t>(activeLocked().size());
    return position_ < n - 1 ? position_ + 1 : 0; // n - 1 wraps for an empty order: shows the message
}

uint32_t EngineCore::PrevPosition() const {
    std::lock_guard lock(mutex_);
    const auto n = static_cast<uint32_t>(activeLocked().size());
    return position_ > 0 ? position_ - 1 : n - 1;
}

// ---- marks ----

bool EngineCore::IsCurrentOpen() const {
    std::lock_guard lock(mutex_);
    const auto c = currentCardLocked();
    return c && !book_.vocabularies[*c].complete;
}

std::optional<uint32_t> EngineCore::MarkCurrent() {
    std::lock_guard lock(mutex_);
    const auto c = currentCardLocked();
    if (!c || book_.vocabularies[*c].complete)
        return std::nullopt;
    removeFirst(book_.card_order, *c);
    removeFirst(book_.sorted_order, *c);
    removeFirst(book_.random_order, *c);
    return book_.vocabularies[*c].id;
}

// ---- media ----

const std::vector<MediaEntry>& EngineCore::entriesLocked(MediaKind kind) const {
    return kind == MediaKind::Sound ? book_.sounds : book_.images;
}

std::vector<MediaEntry>& EngineCore::entriesLocked(MediaKind kind) {
    return kind == MediaKind::Sound ? book_.sounds : book_.images;
}

bool EngineCore::hasPluginLocked(MediaKind kind) const {
    return kind == MediaKind::Sound ? book_.has_sound : book_.has_image;
}

QString EngineCore::CurrentUrl(MediaKind kind) const {
    std::lock_guard lock(mutex_);
    const auto c = currentCardLocked();
    const auto& entries = entriesLocked(kind);
    if (!loaded_ || !c || *c >= entries.size())
        return QString();
    return entries[*c].url;
}

MediaEntry EngineCore::Entry(MediaKind kind, uint32_t card) const {
    std::lock_guard lock(mutex_);
    const auto& entries = entriesLocked(kind);
    return card < entries.size() ? entries[card] : MediaEntry{};
}

EngineCore::Claim EngineCore::ClaimCurrent(MediaKind kind, bool onlyKnown,
                                           std::optional<uint64_t> generation) {
    std::lock_guard lock(mutex_);
    Claim claim;
    auto& entries = entriesLocked(kind);
    const auto c = currentCardLocked();
    if ((generation && *generation != generation_) || !hasPluginLocked(kind) || !c || *c >= entries.size())
        return claim;
    claim.found = true;
    claim.card = *c;
    claim.prior = entries[*c].state;
    claim.generation = generation_;
    if (onlyKnown && claim.prior == MediaEntry::Unresolved)
        return claim;
    claim.claimed = true;
    entries[*c].state = MediaEntry::Claimed;
    if (claim.prior == MediaEntry::Unresolved)
        prefetch_restart_ = true; // the user has moved away from where the prefetch was
    return claim;
}

bool EngineCore::ResolutionInput(MediaKind kind, uint32_t card, uint64_t generation, MediaPlugin& plugin,
                                 Vocabulary& vocabulary) const {
    std::lock_guard lock(mutex_);
    if (generation != generation_ || card >= book_.vocabularies.size())
        return false;
    plugin = kind == MediaKind::Sound ? book_.sound : book_.image;
    vocabulary = book_.vocabularies[card];
    return true;
}

void EngineCore::StoreResolution(MediaKind kind, uint32_t card, uint64_t generation, bool ok, QString url) {
    std::lock_guard lock(mutex_);
    auto& entries = entriesLocked(kind);
    if (generation != generation_ || card >= entries.size())
        return;
    if (ok) {
        entries[card].url = std::move(url);
        entries[card].state = MediaEntry::Resolved;
    } else {
        entries[card].state = MediaEntry::Unresolved;
    }
}

bool EngineCore::IsUnresolved(MediaKind kind, uint32_t card, uint64_t generation) const {
    std::lock_guard lock(mutex_);
    const auto& entries = entriesLocked(kind);
    return generation == generation_ && hasPluginLocked(kind) && card < entries.size() &&
           entries[card].state == MediaEntry::Unresolved;
}

EngineCore::PrefetchPlan EngineCore::PlanPrefetch() const {
    std::lock_guard lock(mutex_);
    PrefetchPlan plan;
    const auto c = currentCardLocked();
    plan.cards = static_cast<uint32_t>(book_.vocabularies.size());
    plan.has_sound = book_.has_sound;
    plan.has_image = book_.has_image;
    plan.generation = generation_;
    plan.due = loaded_ && c && plan.cards > 0 && (plan.has_sound || plan.has_image);
    plan.shown = c.value_or(0);
    return plan;
}

EngineCore::PrefetchCursor EngineCore::StepPrefetch(uint64_t generation) {
    std::lock_guard lock(mutex_);
    PrefetchCursor cursor;
    const auto c = currentCardLocked();
    if (generation != generation_ || !c)
        return cursor; // another book, or every card has been marked
    cursor.valid = true;
    cursor.shown = *c;
    cursor.restart = prefetch_restart_;
    prefetch_restart_ = false;
    return cursor;
}

// ---- learning log ----

void EngineCore::SetLogDate(std::string date) {
    std::lock_guard lock(mutex_);
    if (date == log_date_)
        return;
    log_date_ = std::move(date);
    seen_ids_.clear();
    log_confirmed_ = 0;
}

std::string EngineCore::LogDate() const {
    std::lock_guard lock(mutex_);
    return log_date_;
}

std::vector<uint32_t> EngineCore::SeenIds() const {
    std::lock_guard lock(mutex_);
    return seen_ids_;
}

void EngineCore::ConfirmLog(const std::vector<uint32_t>& sent, std::string date, uint64_t epoch) {
    std::lock_guard lock(mutex_);
    if (epoch != log_epoch_)
        return; // the answer to a log restarted since
    if (date == log_date_) {
        // Every send carries the list from its start, so what was sent is its head.
        log_confirmed_ = std::max(log_confirmed_, std::min(sent.size(), seen_ids_.size()));
        return;
    }
    log_date_ = std::move(date);
    // Only what the service has confirmed leaves the list: cards seen while the send was under way
    // have not been sent yet.
    std::erase_if(seen_ids_,
                  [&sent](uint32_t id) { return std::find(sent.begin(), sent.end(), id) != sent.end(); });
    log_confirmed_ = 0;
}

EngineCore::LogState EngineCore::LogSnapshot() const {
    std::lock_guard lock(mutex_);
    return {log_date_, seen_ids_, log_epoch_};
}

EngineCore::LogState EngineCore::UnconfirmedLog() const {
    std::lock_guard lock(mutex_);
    return {log_date_,
            std::vector<uint32_t>(seen_ids_.begin() + std::ptrdiff_t(log_confirmed_), seen_ids_.end()),
            log_epoch_};
}

EngineCore::LogState EngineCore::RestartLog() {
    std::lock_guard lock(mutex_);
    LogState old{std::move(log_date_),
                 std::vector<uint32_t>(seen_ids_.begin() + std::ptrdiff_t(log_confirmed_), seen_ids_.end()),
                 log_epoch_};
    log_date_.clear();
    seen_ids_.clear();
    log_confirmed_ = 0;
    ++log_epoch_;
    return old;
}

void EngineCore::AddSeen(const std::vector<uint32_t>& ids) {
    std::lock_guard lock(mutex_);
    for (uint32_t id : ids)
        if (std::find(seen_ids_.begin(), seen_ids_.end(), id) == seen_ids_.end())
            seen_ids_.push_back(id);
}
