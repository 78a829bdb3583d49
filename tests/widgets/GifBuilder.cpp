#include "GifBuilder.h"

#include "resources/artwork/GifEncoder.h"

GifBuilder::GifBuilder(int width, int height, const char* version, bool globalTable) {
    bytes_ = {'G', 'I', 'F'};
    bytes_.insert(bytes_.end(), version, version + 3);
    Word(width);
    Word(height);
    bytes_.push_back(globalTable ? 0x81 : 0x00); // 4 colours
    bytes_.push_back(0);
    bytes_.push_back(0);
    if (globalTable)
        Table();
}

void GifBuilder::Word(int value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void GifBuilder::Table() {
    for (std::uint32_t rgb : kPalette) {
        bytes_.push_back(static_cast<std::uint8_t>(rgb >> 16));
        bytes_.push_back(static_cast<std::uint8_t>(rgb >> 8));
        bytes_.push_back(static_cast<std::uint8_t>(rgb));
    }
}

GifBuilder& GifBuilder::Control(int delay, int disposal, int transparent) {
    bytes_.insert(bytes_.end(), {0x21, 0xF9, 0x04});
    bytes_.push_back(static_cast<std::uint8_t>(((disposal & 7) << 2) | (transparent >= 0 ? 1 : 0)));
    Word(delay);
    bytes_.push_back(static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0));
    bytes_.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Loop() {
    const std::string id = "NETSCAPE2.0";
    bytes_.insert(bytes_.end(), {0x21, 0xFF, 0x0B});
    bytes_.insert(bytes_.end(), id.begin(), id.end());
    bytes_.insert(bytes_.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
    return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    bytes_.insert(bytes_.end(), {0x21, 0xFE});
    bytes_.push_back(static_cast<std::uint8_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::PlainText() {
    bytes_.insert(bytes_.end(), {0x21, 0x01, 0x0C});
    bytes_.insert(bytes_.end(), 12, 0);
    bytes_.insert(bytes_.end(), {0x02, 'h', 'i', 0x00});
    return *this;
}

GifBuilder& GifBuilder::Image(int left, int top, int width, int height, std::uint8_t index,
                              bool withLocalTable) {
    bytes_.push_back(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    bytes_.push_back(withLocalTable ? 0x81 : 0x00);
    if (withLocalTable)
        Table();
    const std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, index);
    const std::vector<std::uint8_t> data = GifEncoder::ImageData(pixels, 2);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
}

GifBuilder& GifBuilder::BrokenImage(int left, int top, int width, int height) {
    bytes_.push_back(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    bytes_.push_back(0x00);
    bytes_.insert(bytes_.end(), {0x0D, 0x03, 0xFF, 0xFF, 0xFF, 0x00}); // code size 13: invalid
    return *this;
}

GifBuilder& GifBuilder::Raw(const std::vector<std::uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

GifBuilder& GifBuilder::Trailer() {
    bytes_.push_back(0x3B);
    return *this;
}

QByteArray GifBuilder::Data() const {
    return QByteArray(reinterpret_cast<const char*>(bytes_.data()), static_cast<qsizetype>(bytes_.size()));
}
