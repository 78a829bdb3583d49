// libFuzzer target: the GIF block walk and the stand-alone frames built from it must stay inside the
// data whatever the bytes.
#include "widgets/GifParser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto layout = GifParser::Parse(bytes);
    if (!layout)
        return 0;
    if (layout->blocks.empty() || layout->headerSize > size)
        std::abort();
    for (const GifGraphicBlock& block : layout->blocks) {
        if (block.length == 0 || block.offset < layout->headerSize || block.offset + block.length > size)
            std::abort();
        if (GifParser::StandaloneGif(bytes, *layout, block).size() != layout->headerSize + block.length + 1)
            std::abort();
    }
    return 0;
}
