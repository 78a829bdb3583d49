// Filling plug-in URL templates with a card's texts.
#include "engine/MediaUrlTemplate.h"

#include <gtest/gtest.h>

namespace {

Vocabulary card(const QString& name, const QString& mean = QString(), const QString& example = QString()) {
    Vocabulary v;
    v.name = name;
    v.mean = mean;
    v.example = example;
    v.id = 4242;
    return v;
}

TEST(MediaUrlTemplateTest, PositionAndTrimmedName) {
    const Vocabulary apple = card(QStringLiteral(" Apple "));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("http://m.example/%id%/%name%"), 0, apple),
              QStringLiteral("http://m.example/1/Apple"));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("http://m.example/%id%/%name_l%"), 0, apple),
              QStringLiteral("http://m.example/1/apple"));
    // %id% is the 1-based position in the book, never the card's id.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%id%"), 41, apple), QStringLiteral("42"));
    // Every occurrence; placeholders are case-sensitive.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%name%-%name%-%NAME%-%Name_l%"), 0, apple),
              QStringLiteral("Apple-Apple-%NAME%-%Name_l%"));
}

TEST(MediaUrlTemplateTest, WhiteSpaceIsTrimmedFromTheNameOnly) {
    // Tabs, line breaks and the wide spaces count; the no-break space does not.
    const Vocabulary v =
        card(QStringLiteral("\t\u3000ice cream\u2003\r\n"), QStringLiteral(" a b "), QStringLiteral(" x "));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%name%|%mean%|%example%"), 0, v),
              QStringLiteral("ice%20cream|%20a%20b%20|%20x%20"));
    EXPECT_EQ(MediaUrlTemplate::Trim(QStringLiteral("\u00A0word\u00A0")), QStringLiteral("\u00A0word\u00A0"));
    EXPECT_EQ(MediaUrlTemplate::Trim(QStringLiteral(" \u2007x\u202F ")), QStringLiteral("\u2007x\u202F"));
    EXPECT_EQ(MediaUrlTemplate::Trim(QStringLiteral(" \t ")), QString());
}

TEST(MediaUrlTemplateTest, LowerCasingTouchesAsciiLettersOnly) {
    // Hangul in the example: its escapes are lower-cased with the rest, in the meaning they are not.
    const Vocabulary v =
        card(QStringLiteral("ÉCOLE Straße"), QStringLiteral("사과 A"), QStringLiteral("사과 A"));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%mean%"), 0, v),
              QStringLiteral("%EC%82%AC%EA%B3%BC%20A"));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%example%"), 0, v),
              QStringLiteral("%ec%82%ac%ea%b3%bc%20a"));
    // É (U+00C9) and ß stay as they are when lower-casing, then are encoded as bytes.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%name_l%"), 0, v),
              QStringLiteral("%C9cole%20stra%DFe"));
    EXPECT_EQ(MediaUrlTemplate::AsciiLower(QStringLiteral("AZaz@[ÀĀ")), QStringLiteral("azaz@[ÀĀ"));
}

TEST(MediaUrlTemplateTest, PlaceholdersFormedByAReplacementAreReplacedToo) {
    // Each placeholder is searched again from the start until none is left: a name that rebuilds it
    // with the template's own percent signs is replaced again, and the repeat ends.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%%name%%"), 0, card(QStringLiteral("name"))),
              QStringLiteral("name"));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("a%%%name%%%b"), 0, card(QStringLiteral("name"))),
              QStringLiteral("anameb"));
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%%example%%"), 0,
                                       card(QString(), QString(), QStringLiteral("EXAMPLE"))),
              QStringLiteral("example"));
    // Placeholders are taken in their order: one rebuilt by a later one stays.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%%mean%%"), 0, card(QString(), QStringLiteral("id"))),
              QStringLiteral("%id%"));
    // Texts with percent signs are escaped, so they never become placeholders.
    EXPECT_EQ(MediaUrlTemplate::Expand(QStringLiteral("%name%/%mean%"), 0,
                                       card(QStringLiteral("%mean%"), QStringLiteral("%id%"))),
              QStringLiteral("%25mean%25/%25id%25"));
}

} // namespace
