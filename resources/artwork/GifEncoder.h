#pragma once

#include <cstdint>
#include <vector>

// Writes GIF89a data: a header with a global colour table, an optional loop extension and frames of
// palette indices, each with its own graphic control extension. The image data is LZW-compressed.
class GifEncoder {
  public:
    // palette: 0xRRGGBB entries, 1 to 256 of them (padded with black to a power of two).
    GifEncoder(int width, int height, const std::vector<std::uint32_t>& palette);

    // Netscape loop extension; 0 loops for ever.
    void AddLoop(int count = 0);
    // One frame: width * height palette indices, row by row. delay is in hundredths of a second;
    // transparent is a palette index or -1.
    void AddFrame(const std::vector<std::uint8_t>& indices, int left, int top, int width, int height,
                  int delay, int disposal, int transparent = -1);
    // The finished file (the trailer is appended once).
    std::vector<std::uint8_t> Finish();

    // LZW-coded image data as it follows an image descriptor: the minimum code size byte, the data
    // sub-blocks and the terminating zero-length block.
    static std::vector<std::uint8_t> ImageData(const std::vector<std::uint8_t>& indices, int minCodeSize);

  private:
    std::vector<std::uint8_t> out_;
    int tableBits_ = 1;
    bool finished_ = false;
};
