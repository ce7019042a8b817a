#include "e2e/xwd_image.h"

namespace {

constexpr uint32_t XWD_VERSION = 7;
constexpr uint32_t Z_PIXMAP = 2;
constexpr size_t HEADER_WORDS = 25;
constexpr size_t COLOR_ENTRY_BYTES = 12;

uint32_t big_endian_word(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// Where a mask's lowest set bit is and how wide the mask is, to bring a
// channel down to 8 bits whatever the visual's layout.
int shift_of(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint32_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const uint32_t value = (pixel & mask) >> shift_of(mask);
    const uint32_t top = mask >> shift_of(mask);
    return value * 255 / top;
}

}  // namespace

std::optional<XwdImage> read_xwd(const std::string& bytes) {
    if (bytes.size() < HEADER_WORDS * 4) return std::nullopt;
    uint32_t h[HEADER_WORDS];
    for (size_t i = 0; i < HEADER_WORDS; ++i) h[i] = big_endian_word(bytes, i * 4);
    const uint32_t header_size = h[0], version = h[1], format = h[2];
    const uint32_t width = h[4], height = h[5], byte_order = h[7];
    const uint32_t bits_per_pixel = h[11], bytes_per_line = h[12];
    const uint32_t red_mask = h[14], green_mask = h[15], blue_mask = h[16];
    const uint32_t color_count = h[19];
    // A 24-bit screen comes as 32 bits a pixel or packed in 3 bytes, as the
    // server's pixmap formats and xwd agree.
    if (version != XWD_VERSION || format != Z_PIXMAP || (bits_per_pixel != 32 && bits_per_pixel != 24))
        return std::nullopt;
    const uint32_t pixel_bytes = bits_per_pixel / 8;
    const size_t start = header_size + static_cast<size_t>(color_count) * COLOR_ENTRY_BYTES;
    if (bytes_per_line < width * pixel_bytes || bytes.size() < start + static_cast<size_t>(bytes_per_line) * height)
        return std::nullopt;

    XwdImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.reserve(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t at = start + static_cast<size_t>(y) * bytes_per_line + x * pixel_bytes;
            uint32_t pixel = 0;
            for (size_t i = 0; i < pixel_bytes; ++i) {
                const uint32_t byte = static_cast<unsigned char>(bytes[at + i]);
                pixel |= byte_order == 0 ? byte << (8 * i) : byte << (8 * (pixel_bytes - 1 - i));  // 0: LSB first
            }
            image.pixels.push_back(channel(pixel, red_mask) << 16 | channel(pixel, green_mask) << 8 |
                                   channel(pixel, blue_mask));
        }
    }
    return image;
}
