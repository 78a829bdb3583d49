// Replays every saved fuzzing input through the GIF walk, so that the sanitizer builds check them.
#include "widgets/GifParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(GifCorpus, EveryInputStaysInsideItsData) {
    const std::filesystem::path folder = LEXICARTA_GIF_CORPUS;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        // Exactly the file's bytes, so that any read past the end is caught.
        const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
        const auto layout = GifParser::Parse(data);
        if (!layout)
            continue;
        EXPECT_FALSE(layout->blocks.empty()) << entry.path();
        for (const GifGraphicBlock& block : layout->blocks) {
            ASSERT_LE(block.offset + block.length, data.size()) << entry.path();
            EXPECT_EQ(GifParser::StandaloneGif(data, *layout, block).size(),
                      layout->headerSize + block.length + 1)
                << entry.path();
        }
    }
    EXPECT_GT(files, 10);
}

} // namespace
