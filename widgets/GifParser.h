#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One graphic block of a GIF: the bytes from its graphic control extension (or its image
// descriptor when it has none) to the end of its image data, with what the animation needs.
struct GifGraphicBlock {
    std::size_t offset = 0; // where the block starts in the data
    std::size_t length = 0; // its bytes, intermediate extensions included
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delay = -1;        // hundredths of a second; -1 when the block has no graphic control extension
    int disposal = 0;      // 0 to 7
    bool hasImage = false; // false for a plain text block, which carries no image
};

// The structure of a GIF as far as the animated picture needs it.
struct GifLayout {
    int width = 0; // logical screen
    int height = 0;
    std::size_t headerSize = 0; // header, logical screen descriptor and global colour table
    std::vector<GifGraphicBlock> blocks;
};

// Walks the blocks of GIF data without decoding any image. Every read is checked against the end of
// the data: malformed or truncated input ends the walk, it is never read past.
class GifParser {
  public:
    // True when the data begins with the three bytes "GIF" (the version that follows is not checked).
    static bool IsGif(std::span<const std::uint8_t> data);

    // The logical screen and every graphic block up to the trailer, the first unknown block or the
    // first block that does not fit in the data. Empty when the data is not a GIF, its header is cut
    // short or it holds no graphic block.
    static std::optional<GifLayout> Parse(std::span<const std::uint8_t> data);

    // A GIF of its own for one block: the header, logical screen and global colour table of the data,
    // the block's bytes and a trailer. A version other than 87a or 89a is written as 89a, so that any
    // decoder accepts it.
    static std::vector<std::uint8_t> StandaloneGif(std::span<const std::uint8_t> data,
                                                   const GifLayout& layout, const GifGraphicBlock& block);

    // True when bytes 3 to 5 are "87a" or "89a".
    static bool HasStandardVersion(std::span<const std::uint8_t> data);
};
