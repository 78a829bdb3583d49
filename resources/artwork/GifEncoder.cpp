#include "GifEncoder.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace {

void PutWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Byte by byte: GCC 12 reports a false overflow for a ranged insert into the empty vector.
void PutText(std::vector<std::uint8_t>& out, std::string_view text) {
    for (char c : text)
        out.push_back(static_cast<std::uint8_t>(c));
}

// Packs codes least significant bit first and cuts the stream into sub-blocks of at most 255 bytes.
class BitWriter {
  public:
    void Write(int code, int bits) {
        buffer_ |= static_cast<std::uint32_t>(code) << count_;
        count_ += bits;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    std::vector<std::uint8_t> Blocks() {
        if (count_ > 0)
            bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
        buffer_ = 0;
        count_ = 0;
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < bytes_.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes_.size() - i);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(i),
                       bytes_.begin() + static_cast<std::ptrdiff_t>(i + n));
        }
        out.push_back(0);
        return out;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
};

} // namespace

GifEncoder::GifEncoder(int width, int height, const std::vector<std::uint32_t>& palette) {
    if (palette.empty() || palette.size() > 256)
        throw std::invalid_argument("a GIF palette holds 1 to 256 colours");
    while ((1u << tableBits_) < palette.size())
        ++tableBits_;
    PutText(out_, "GIF89a");
    PutWord(out_, width);
    PutWord(out_, height);
    out_.push_back(static_cast<std::uint8_t>(0x80 | ((tableBits_ - 1) << 4) | (tableBits_ - 1)));
    out_.push_back(0); // background colour index
    out_.push_back(0); // no aspect ratio
    for (std::size_t i = 0; i < (1u << tableBits_); ++i) {
        const std::uint32_t rgb = i < palette.size() ? palette[i] : 0;
        out_.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
        out_.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(rgb & 0xFF));
    }
}

void GifEncoder::AddLoop(int count) {
    out_.insert(out_.end(), {0x21, 0xFF, 0x0B});
    PutText(out_, "NETSCAPE2.0");
    out_.insert(out_.end(), {0x03, 0x01});
    PutWord(out_, count);
    out_.push_back(0);
}

void GifEncoder::AddFrame(const std::vector<std::uint8_t>& indices, int left, int top, int width, int height,
                          int delay, int disposal, int transparent) {
    if (indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("frame size does not match its pixels");
    out_.insert(out_.end(), {0x21, 0xF9, 0x04});
    out_.push_back(static_cast<std::uint8_t>(((disposal & 7) << 2) | (transparent >= 0 ? 1 : 0)));
    PutWord(out_, delay);
    out_.push_back(static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0));
    out_.push_back(0);

    out_.push_back(0x2C);
    PutWord(out_, left);
    PutWord(out_, top);
    PutWord(out_, width);
    PutWord(out_, height);
    out_.push_back(0); // no local colour table, not interlaced
    const std::vector<std::uint8_t> data = ImageData(indices, std::max(2, tableBits_));
    out_.insert(out_.end(), data.begin(), data.end());
}

std::vector<std::uint8_t> GifEncoder::Finish() {
    if (!finished_) {
        out_.push_back(0x3B);
        finished_ = true;
    }
    return out_;
}

std::vector<std::uint8_t> GifEncoder::ImageData(const std::vector<std::uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int codeSize = minCodeSize + 1;
    int lastCode = end;
    std::unordered_map<std::uint32_t, int> table;
    BitWriter bits;

    bits.Write(clear, codeSize);
    if (!indices.empty()) {
        int prefix = indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | indices[i];
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            bits.Write(prefix, codeSize);
            table.emplace(key, ++lastCode);
            // The decoder widens its codes when its table reaches the next power of two.
            if (lastCode >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
            if (lastCode == 4095) {
                bits.Write(clear, codeSize);
                table.clear();
                codeSize = minCodeSize + 1;
                lastCode = end;
            }
            prefix = indices[i];
        }
        bits.Write(prefix, codeSize);
    }
    bits.Write(end, codeSize);

    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(minCodeSize)};
    const std::vector<std::uint8_t> blocks = bits.Blocks();
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}
