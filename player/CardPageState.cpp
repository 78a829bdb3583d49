#include "player/CardPageState.h"

#include "player/MarkupText.h"

namespace {

const char* const kToggles[3] = {"toggleName", "toggleMean", "toggleExample"};

QStringList ThreeTexts(const QStringList& args) {
    return {args.value(0), args.value(1), args.value(2)};
}

} // namespace

void CardPageState::Record(const QString& function, const QStringList& args) {
    for (int part = 0; part < 3; ++part) {
        if (function == QLatin1String(kToggles[part])) {
            visibility_[part] = args.value(0);
            return;
        }
    }
    if (function == QLatin1String("setVocabulary")) {
        texts_ = ThreeTexts(args);
    } else if (function == QLatin1String("update")) {
        card_ = texts_.isEmpty() ? ThreeTexts({}) : texts_;
        image_.reset();
        shown_ = Shown::Card;
    } else if (function == QLatin1String("showImage")) {
        // Only a card has a picture holder.
        if (shown_ == Shown::Card)
            image_ = args.value(0);
    } else if (function == QLatin1String("showMessage")) {
        message_ = args.value(0);
        image_.reset();
        shown_ = Shown::Message;
    } else if (function == QLatin1String("showLoadMessage")) {
        // The page forgets the book here: texts, plug-ins, styles, message (not the parts' visibility).
        loadMessage_ = args.value(0);
        plugins_.reset();
        texts_.clear();
        card_.clear();
        message_.reset();
        image_.reset();
        shown_ = Shown::LoadMessage;
    } else if (function == QLatin1String("initPlugins")) {
        plugins_ = args;
    } else if (function == QLatin1String("updateControls")) {
        controls_ = true;
    }
    // updateView and resizeImage only place what is there.
}

std::vector<CardPageState::Call> CardPageState::Replay() const {
    std::vector<Call> calls;
    // On a fresh page the toggles only store the visibility: nothing is on display yet.
    for (int part = 0; part < 3; ++part) {
        if (visibility_[part])
            calls.push_back({QLatin1String(kToggles[part]), {*visibility_[part]}});
    }
    if (loadMessage_)
        calls.push_back({QStringLiteral("showLoadMessage"), {*loadMessage_}});
    if (plugins_)
        calls.push_back({QStringLiteral("initPlugins"), *plugins_});
    if (controls_)
        calls.push_back({QStringLiteral("updateControls"), {}});
    // A message stays stored under a card shown after it (the toggles then only store), so it goes first.
    if (message_ && shown_ == Shown::Card)
        calls.push_back({QStringLiteral("showMessage"), {*message_}});
    if (shown_ == Shown::Card) {
        calls.push_back({QStringLiteral("setVocabulary"), card_});
        calls.push_back({QStringLiteral("update"), {}});
        if (image_)
            calls.push_back({QStringLiteral("showImage"), {*image_}});
    }
    if (!texts_.isEmpty() && (shown_ != Shown::Card || texts_ != card_))
        calls.push_back({QStringLiteral("setVocabulary"), texts_});
    if (message_ && shown_ == Shown::Message)
        calls.push_back({QStringLiteral("showMessage"), {*message_}});
    return calls;
}

QString CardPageState::Reading() const {
    switch (shown_) {
    case Shown::Card: {
        QStringList lines;
        for (int part = 0; part < 3; ++part) {
            // The page shows a part only for "T"; a hidden part is the answer the user is to recall.
            if (visibility_[part] && *visibility_[part] != QLatin1String("T"))
                continue;
            const QString line = MarkupText::Plain(card_.value(part));
            if (!line.isEmpty())
                lines << line;
        }
        return lines.join(QLatin1Char('\n'));
    }
    case Shown::Message:
        return MarkupText::Plain(message_.value_or(QString()));
    case Shown::LoadMessage:
        return MarkupText::Plain(loadMessage_.value_or(QString()));
    case Shown::Nothing:
        break;
    }
    return {};
}
