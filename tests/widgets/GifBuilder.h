#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

// Builds GIF data block by block for tests: any version, any order of extensions, images of one
// colour (properly LZW-coded, so decoders read them) or images that no decoder can read.
class GifBuilder {
  public:
    // Palette: white, red, green, blue.
    static constexpr std::uint32_t kPalette[4] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
    enum Colour : std::uint8_t { White = 0, Red = 1, Green = 2, Blue = 3 };

    explicit GifBuilder(int width, int height, const char* version = "89a", bool globalTable = true);

    GifBuilder& Control(int delay, int disposal, int transparent = -1);
    GifBuilder& Loop();
    GifBuilder& Comment(const std::string& text);
    GifBuilder& PlainText();
    // An image filled with one palette index; withLocalTable adds a local copy of the palette.
    GifBuilder& Image(int left, int top, int width, int height, std::uint8_t index,
                      bool withLocalTable = false);
    // An image descriptor whose data no decoder accepts (its code size is out of range).
    GifBuilder& BrokenImage(int left, int top, int width, int height);
    GifBuilder& Raw(const std::vector<std::uint8_t>& bytes);
    GifBuilder& Trailer();

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    QByteArray Data() const;

  private:
    void Word(int value);
    void Table();
    std::vector<std::uint8_t> bytes_;
};
