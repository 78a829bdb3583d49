#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// One card of a book; created once from the document and never edited afterwards.
struct Vocabulary {
    QString name;          // headword
    QString mean;          // meaning
    QString example;       // example sentence, may be empty
    uint32_t id = 0;       // the card's number at the service, sent as unsigned decimal
    bool complete = false; // memorised when the book was loaded
};

// How the media of a card is found.
struct MediaPlugin {
    QString url;       // template with placeholders
    QString type;      // "url": fetch the expanded template; anything else: it is the media URL
    QString file_type; // pronunciation only; kept, not used
};

// The two kinds of media a card may have, each through a plug-in of its own.
enum class MediaKind : int { Image = 0, Sound = 1 };

// The resolved media URL of one card for one plug-in.
struct MediaEntry {
    enum State : int16_t { Unresolved = 0, Resolved = 1, Claimed = -1 };
    QString url;
    int16_t state = Unresolved;
};

// The loaded book with its plug-ins, per-card media and play orders.
struct Book {
    uint32_t id = 0;
    QString title;
    bool has_sound = false;
    MediaPlugin sound;
    bool has_image = false;
    MediaPlugin image;
    bool has_style = false;
    QString style; // the document's style value as compact JSON text
    std::vector<Vocabulary> vocabularies;
    std::vector<MediaEntry> images;
    std::vector<MediaEntry> sounds;
    std::vector<uint32_t> card_order;
    std::vector<uint32_t> sorted_order;
    std::vector<uint32_t> random_order;
};
