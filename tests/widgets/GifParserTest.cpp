#include "widgets/GifParser.h"

#include "widgets/GifBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

std::span<const std::uint8_t> Span(const GifBuilder& gif) {
    return gif.Bytes();
}

// 10 x 10 screen, global table of 4 colours: the header is 13 + 12 bytes.
constexpr std::size_t kHeader = 25;

TEST(GifParser, ReadsEachFramesPlaceDelayAndDisposal) {
    GifBuilder gif(10, 10);
    gif.Loop();
    const std::size_t first = gif.Size();
    gif.Control(0, 2).Image(0, 0, 10, 10, GifBuilder::Red);
    const std::size_t second = gif.Size();
    gif.Control(3, 3).Image(2, 3, 4, 5, GifBuilder::Green);
    const std::size_t third = gif.Size();
    gif.Control(5, 1).Image(1, 1, 2, 2, GifBuilder::Blue).Trailer();

    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->width, 10);
    EXPECT_EQ(layout->height, 10);
    EXPECT_EQ(layout->headerSize, kHeader);
    ASSERT_EQ(layout->blocks.size(), 3u);
    // The loop extension before the first frame belongs to no frame.
    EXPECT_EQ(layout->blocks[0].offset, first);
    EXPECT_EQ(layout->blocks[0].length, second - first);
    EXPECT_EQ(layout->blocks[1].offset, second);
    EXPECT_EQ(layout->blocks[2].offset + layout->blocks[2].length, gif.Size() - 1);

    const GifGraphicBlock& b = layout->blocks[1];
    EXPECT_EQ(b.length, third - second);
    EXPECT_EQ((std::array{b.left, b.top, b.width, b.height}), (std::array{2, 3, 4, 5}));
    EXPECT_EQ((std::array{layout->blocks[0].delay, b.delay, layout->blocks[2].delay}), (std::array{0, 3, 5}));
    EXPECT_EQ((std::array{layout->blocks[0].disposal, b.disposal, layout->blocks[2].disposal}),
              (std::array{2, 3, 1}));
    EXPECT_TRUE(b.hasImage);
}

TEST(GifParser, StandaloneFrameIsHeaderBlockAndTrailer) {
    GifBuilder gif(10, 10);
    gif.Control(4, 0).Image(0, 0, 10, 10, GifBuilder::Red);
    gif.Control(4, 0).Image(0, 0, 5, 5, GifBuilder::Blue).Trailer();
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->blocks.size(), 2u);
    const GifGraphicBlock& block = layout->blocks[1];
    const std::vector<std::uint8_t> frame = GifParser::StandaloneGif(Span(gif), *layout, block);
    ASSERT_EQ(frame.size(), kHeader + block.length + 1);
    EXPECT_EQ(std::memcmp(frame.data(), gif.Bytes().data(), kHeader), 0);
    EXPECT_EQ(std::memcmp(frame.data() + kHeader, gif.Bytes().data() + block.offset, block.length), 0);
    EXPECT_EQ(frame.back(), 0x3B);
}

TEST(GifParser, ExtensionsBetweenControlAndImageBelongToTheFrame) {
    // Control, application extension, comment, image: one frame holding all four blocks.
    GifBuilder gif(8, 8);
    gif.Comment("before");
    const std::size_t start = gif.Size();
    gif.Control(7, 2).Loop().Comment("inside").Image(0, 0, 8, 8, GifBuilder::Red);
    const std::size_t end = gif.Size();
    gif.Image(0, 0, 8, 8, GifBuilder::Green).Trailer();

    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->blocks.size(), 2u);
    EXPECT_EQ(layout->blocks[0].offset, start);
    EXPECT_EQ(layout->blocks[0].length, end - start);
    EXPECT_EQ(layout->blocks[0].delay, 7);
    EXPECT_EQ(layout->blocks[0].disposal, 2);
    // Without a control extension: no delay given, disposal 0.
    EXPECT_EQ(layout->blocks[1].offset, end);
    EXPECT_EQ(layout->blocks[1].delay, -1);
    EXPECT_EQ(layout->blocks[1].disposal, 0);
}

TEST(GifParser, LocalColourTablesAndMissingGlobalTableAreMeasured) {
    GifBuilder gif(6, 6, "89a", false);
    gif.Image(0, 0, 6, 6, GifBuilder::Red, true)
        .Control(5, 0)
        .Image(1, 1, 3, 3, GifBuilder::Blue, true)
        .Trailer();
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->headerSize, 13u);
    ASSERT_EQ(layout->blocks.size(), 2u);
    EXPECT_EQ(layout->blocks[1].left, 1);
    EXPECT_EQ(layout->blocks[1].offset + layout->blocks[1].length, gif.Size() - 1);
}

TEST(GifParser, PlainTextIsAGraphicBlockWithoutImage) {
    GifBuilder gif(8, 8);
    gif.Control(10, 0).PlainText().Image(0, 0, 8, 8, GifBuilder::Red).Trailer();
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->blocks.size(), 2u);
    EXPECT_FALSE(layout->blocks[0].hasImage);
    EXPECT_EQ(layout->blocks[0].delay, 10);
    EXPECT_TRUE(layout->blocks[1].hasImage);
}

TEST(GifParser, OtherVersionsAreParsedAndWrittenAs89a) {
    GifBuilder gif(4, 4, "90z");
    gif.Image(0, 0, 4, 4, GifBuilder::Red).Image(0, 0, 2, 2, GifBuilder::Blue).Trailer();
    EXPECT_FALSE(GifParser::HasStandardVersion(Span(gif)));
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->blocks.size(), 2u);
    const auto frame = GifParser::StandaloneGif(Span(gif), *layout, layout->blocks[0]);
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + 6), "GIF89a");

    GifBuilder old(4, 4, "87a");
    old.Image(0, 0, 4, 4, GifBuilder::Red).Trailer();
    EXPECT_TRUE(GifParser::HasStandardVersion(Span(old)));
}

TEST(GifParser, RejectsDataWithoutGraphicBlocks) {
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(GifParser::IsGif(png));
    EXPECT_FALSE(GifParser::Parse(png));
    EXPECT_FALSE(GifParser::Parse(std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1, 0}));
    EXPECT_FALSE(GifParser::Parse(GifBuilder(4, 4).Trailer().Bytes()));
    EXPECT_FALSE(GifParser::Parse(GifBuilder(4, 4).Comment("only").Trailer().Bytes()));
    // A control extension with no image after it is no frame.
    EXPECT_FALSE(GifParser::Parse(GifBuilder(4, 4).Control(5, 0).Trailer().Bytes()));
    // The global table runs past the end of the data.
    std::vector<std::uint8_t> cut = GifBuilder(4, 4).Bytes();
    cut.resize(16);
    EXPECT_FALSE(GifParser::Parse(cut));
}

TEST(GifParser, UnknownBlockEndsTheWalkKeepingEarlierFrames) {
    GifBuilder gif(4, 4);
    gif.Image(0, 0, 4, 4, GifBuilder::Red)
        .Raw({0x21, 0x77, 0x00})
        .Image(0, 0, 4, 4, GifBuilder::Blue)
        .Trailer();
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->blocks.size(), 1u);
}

TEST(GifParser, EveryTruncationStaysInsideTheData) {
    GifBuilder gif(12, 12);
    gif.Loop().Comment("c").Control(5, 2).Image(0, 0, 12, 12, GifBuilder::Red, true);
    gif.Control(5, 3).PlainText().Control(6, 1).Image(3, 3, 4, 4, GifBuilder::Blue).Trailer();
    const std::vector<std::uint8_t>& whole = gif.Bytes();
    std::size_t previous = 0;
    for (std::size_t n = 0; n <= whole.size(); ++n) {
        // A copy of exactly n bytes, so that AddressSanitizer sees any read past the end.
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        const auto layout = GifParser::Parse(cut);
        const std::size_t count = layout ? layout->blocks.size() : 0;
        EXPECT_GE(count, previous) << "cut at " << n;
        previous = count;
        if (!layout)
            continue;
        for (const GifGraphicBlock& block : layout->blocks) {
            EXPECT_LE(block.offset + block.length, n);
            EXPECT_EQ(GifParser::StandaloneGif(cut, *layout, block).size(),
                      layout->headerSize + block.length + 1);
        }
    }
    EXPECT_EQ(previous, 3u);
}

TEST(GifParser, SubBlockChainRunningOffTheEndFails) {
    GifBuilder gif(4, 4);
    gif.Image(0, 0, 4, 4, GifBuilder::Red);
    gif.Raw({0x21, 0xFE, 0xFF, 'x'}); // a comment claiming 255 bytes
    const auto layout = GifParser::Parse(Span(gif));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->blocks.size(), 1u);
}

} // namespace
