#include "GifParser.h"

#include <algorithm>
#include <cstring>

namespace {

enum class BlockKind { PlainText, GraphicControl, Comment, Application, Image, Trailer, Unknown };

class Walker {
  public:
    explicit Walker(std::span<const std::uint8_t> data) : data_(data) {}

    BlockKind KindAt(std::size_t at) const {
        if (at >= data_.size())
            return BlockKind::Unknown;
        switch (data_[at]) {
        case 0x2C:
            return BlockKind::Image;
        case 0x3B:
            return BlockKind::Trailer;
        case 0x21:
            if (at + 1 >= data_.size())
                return BlockKind::Unknown;
            switch (data_[at + 1]) {
            case 0x01:
                return BlockKind::PlainText;
            case 0xF9:
                return BlockKind::GraphicControl;
            case 0xFE:
                return BlockKind::Comment;
            case 0xFF:
                return BlockKind::Application;
            default:
                return BlockKind::Unknown;
            }
        default:
            return BlockKind::Unknown;
        }
    }

    // Length of a chain of sub-blocks starting at 'at', terminator included; 0 when it runs past the end.
    std::size_t SubBlocksAt(std::size_t at) const {
        std::size_t length = 0;
        for (;;) {
            if (at >= data_.size() || data_.size() - at <= length)
                return 0;
            const std::uint8_t size = data_[at + length];
            length += std::size_t{size} + 1;
            if (size == 0)
                return length;
        }
    }

    // Length of the whole block at 'at'; 0 when it cannot be measured within the data.
    std::size_t LengthAt(std::size_t at, BlockKind kind) const {
        auto withSubBlocks = [&](std::size_t fixed) -> std::size_t {
            if (!Fits(at, fixed))
                return 0;
            const std::size_t chain = SubBlocksAt(at + fixed);
            return chain == 0 ? 0 : fixed + chain;
        };
        switch (kind) {
        case BlockKind::PlainText:
            return withSubBlocks(15);
        case BlockKind::GraphicControl:
            return 8;
        case BlockKind::Comment:
            return withSubBlocks(2);
        case BlockKind::Application:
            return withSubBlocks(14);
        case BlockKind::Image: {
            if (!Fits(at, 10))
                return 0;
            const std::uint8_t packed = data_[at + 9];
            const std::size_t table = (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
            return withSubBlocks(11 + table);
        }
        case BlockKind::Trailer:
            return 1;
        case BlockKind::Unknown:
            break;
        }
        return 0;
    }

    // Moves past the block at the offset; false (offset unchanged) when it does not fit in the data.
    bool Skip(BlockKind kind) {
        const std::size_t length = LengthAt(offset_, kind);
        if (length == 0 || !Fits(offset_, length))
            return false;
        offset_ += length;
        return true;
    }

    int Byte(std::size_t at) const { return data_[at]; }
    int Word(std::size_t at) const { return data_[at] | (data_[at + 1] << 8); }
    bool Fits(std::size_t at, std::size_t length) const {
        return at <= data_.size() && length <= data_.size() - at;
    }

    std::size_t offset_ = 0;

  private:
    std::span<const std::uint8_t> data_;
};

// The next graphic block from the walker's offset, which it leaves behind the block.
std::optional<GifGraphicBlock> NextGraphicBlock(Walker& walk) {
    BlockKind kind;
    for (;;) {
        kind = walk.KindAt(walk.offset_);
        if (kind == BlockKind::Application || kind == BlockKind::Comment) {
            if (!walk.Skip(kind))
                return std::nullopt;
            continue;
        }
        if (kind == BlockKind::Trailer || kind == BlockKind::Unknown)
            return std::nullopt;
        break;
    }

    GifGraphicBlock block;
    block.offset = walk.offset_;
    if (kind == BlockKind::GraphicControl) {
        if (!walk.Fits(walk.offset_, 8))
            return std::nullopt;
        block.delay = walk.Word(walk.offset_ + 4);
        block.disposal = (walk.Byte(walk.offset_ + 3) >> 2) & 7;
        walk.Skip(kind);
        for (;;) {
            kind = walk.KindAt(walk.offset_);
            if (kind == BlockKind::Image || kind == BlockKind::PlainText)
                break;
            if (kind == BlockKind::Trailer || kind == BlockKind::Unknown || !walk.Skip(kind))
                return std::nullopt;
        }
    }

    if (kind == BlockKind::Image) {
        if (!walk.Fits(walk.offset_, 10))
            return std::nullopt;
        block.left = walk.Word(walk.offset_ + 1);
        block.top = walk.Word(walk.offset_ + 3);
        block.width = walk.Word(walk.offset_ + 5);
        block.height = walk.Word(walk.offset_ + 7);
        block.hasImage = true;
    }
    if (!walk.Skip(kind))
        return std::nullopt;
    block.length = walk.offset_ - block.offset;
    return block;
}

} // namespace

bool GifParser::IsGif(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

bool GifParser::HasStandardVersion(std::span<const std::uint8_t> data) {
    return data.size() >= 6 &&
           (std::memcmp(data.data() + 3, "87a", 3) == 0 || std::memcmp(data.data() + 3, "89a", 3) == 0);
}

std::optional<GifLayout> GifParser::Parse(std::span<const std::uint8_t> data) {
    if (!IsGif(data) || data.size() < 13)
        return std::nullopt;
    Walker walk(data);
    GifLayout layout;
    layout.width = walk.Word(6);
    layout.height = walk.Word(8);
    const int packed = walk.Byte(10);
    const std::size_t table = (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
    layout.headerSize = 13 + table;
    walk.offset_ = layout.headerSize;
    while (const auto block = NextGraphicBlock(walk))
        layout.blocks.push_back(*block);
    if (layout.blocks.empty())
        return std::nullopt;
    return layout;
}

std::vector<std::uint8_t> GifParser::StandaloneGif(std::span<const std::uint8_t> data,
                                                   const GifLayout& layout, const GifGraphicBlock& block) {
    if (layout.headerSize > data.size() || block.offset > data.size() ||
        block.length > data.size() - block.offset)
        return {};
    std::vector<std::uint8_t> gif;
    gif.reserve(layout.headerSize + block.length + 1);
    gif.insert(gif.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(layout.headerSize));
    if (!HasStandardVersion(data))
        std::memcpy(gif.data() + 3, "89a", 3);
    const auto start = data.begin() + static_cast<std::ptrdiff_t>(block.offset);
    gif.insert(gif.end(), start, start + static_cast<std::ptrdiff_t>(block.length));
    gif.push_back(0x3B);
    return gif;
}
