#include "player/CardPageState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Calls = std::vector<CardPageState::Call>;

TEST(CardPageStateTest, ReplayBringsBackWhatShowsAndNothingThatHasGone) {
    CardPageState state;
    EXPECT_TRUE(state.Replay().empty());

    // A book loaded and played for a while: one card is left, with its picture.
    state.Record("toggleMean", {"F"});
    state.Record("updateControls", {});
    state.Record("showLoadMessage", {"loading"});
    state.Record("initPlugins", {"T", "T", "T", "{\"background\":\"#eee\"}"});
    for (int i = 0; i < 1000; ++i) {
        const QString n = QString::number(i);
        state.Record("setVocabulary", {"name" + n, "mean" + n, "example" + n});
        state.Record("update", {});
        state.Record("showImage", {"http://pictures.example/" + n + ".png"});
        state.Record("updateView", {});
    }
    state.Record("toggleMean", {"T"});
    state.Record("toggleExample", {"F"});
    const Calls card = {
        {"toggleMean", {"T"}},
        {"toggleExample", {"F"}},
        {"showLoadMessage", {"loading"}},
        {"initPlugins", {"T", "T", "T", "{\"background\":\"#eee\"}"}},
        {"updateControls", {}},
        {"setVocabulary", {"name999", "mean999", "example999"}},
        {"update", {}},
        {"showImage", {"http://pictures.example/999.png"}},
    };
    EXPECT_EQ(state.Replay(), card);

    // A message replaces the card (its picture with it); the texts stay stored.
    state.Record("showMessage", {"no words"});
    state.Record("showImage", {"http://pictures.example/late.png"});
    Calls message(card.begin(), card.begin() + 5);
    message.push_back({"setVocabulary", {"name999", "mean999", "example999"}});
    message.push_back({"showMessage", {"no words"}});
    EXPECT_EQ(state.Replay(), message);

    // A card after the message: the message stays stored beneath it (the toggles then only store).
    state.Record("setVocabulary", {"a", "", ""});
    state.Record("update", {});
    state.Record("setVocabulary", {"b", "", ""}); // stored, not shown yet
    Calls both(card.begin(), card.begin() + 5);
    both.push_back({"showMessage", {"no words"}});
    both.push_back({"setVocabulary", {"a", "", ""}});
    both.push_back({"update", {}});
    both.push_back({"setVocabulary", {"b", "", ""}});
    EXPECT_EQ(state.Replay(), both);

    // A loading message forgets the book, its card, plug-ins and message, not the parts' visibility.
    state.Record("showLoadMessage", {"clearing"});
    EXPECT_EQ(state.Replay(), (Calls{{"toggleMean", {"T"}},
                                     {"toggleExample", {"F"}},
                                     {"showLoadMessage", {"clearing"}},
                                     {"updateControls", {}}}));
    // A card with no texts stored is rendered from empty ones, as the page does.
    state.Record("update", {});
    EXPECT_EQ(state.Replay().back(), (CardPageState::Call{"update", {}}));
    EXPECT_EQ(state.Replay()[4], (CardPageState::Call{"setVocabulary", {"", "", ""}}));

    state.Clear();
    EXPECT_TRUE(state.Replay().empty());
}

TEST(CardPageStateTest, ReadingIsThePlainTextOfWhatShowsWithoutTheHiddenParts) {
    CardPageState state;
    EXPECT_EQ(state.Reading(), QString());
    state.Record("setVocabulary", {"apple", "사과", "an apple"});
    EXPECT_EQ(state.Reading(), QString()); // stored, not shown yet
    state.Record("update", {});
    EXPECT_EQ(state.Reading(), QStringLiteral("apple\n사과\nan apple"));

    // Markup reads as the page shows it: tags and comments gone, references decoded, blank runs one
    // blank, a line per block; style and script contents and pictures say nothing, and no unfinished
    // tag or attribute with a '>' leaks markup.
    state.Record(
        "setVocabulary",
        {"<b title=\"a>b\">run</b>&nbsp;&amp;&#32;&#x47;o<!-- note -->", "",
         "<style>p{color:red}</style><p>I  ran\n fast.</p><img src=\"x.png\"><script>alert(1)</script>"
         "<div>&lt;done&gt; &#0; &bogus; &#xD800;</div>&#128512;<i"});
    state.Record("update", {});
    EXPECT_EQ(state.Reading(), QStringLiteral("run & Go\nI ran fast.\n<done> &#0; &bogus; &#xD800;\n") +
                                   QString::fromUcs4(U"\U0001F600"));

    // A hidden part is not read; shown again, it is.
    state.Record("setVocabulary", {"apple", "사과", "an apple"});
    state.Record("update", {});
    state.Record("toggleName", {"F"});
    state.Record("toggleExample", {"F"});
    EXPECT_EQ(state.Reading(), QStringLiteral("사과"));
    state.Record("toggleName", {"T"});
    EXPECT_EQ(state.Reading(), QStringLiteral("apple\n사과"));

    // A message or a loading message reads instead of the card.
    state.Record("showMessage", {"<b>단어가</b> 없습니다"});
    EXPECT_EQ(state.Reading(), QStringLiteral("단어가 없습니다"));
    state.Record("showLoadMessage", {"불러오는 중"});
    EXPECT_EQ(state.Reading(), QStringLiteral("불러오는 중"));
    state.Clear();
    EXPECT_EQ(state.Reading(), QString());
}

} // namespace
