// A screenshot as `xwd` writes it (X Window Dump, version 7): the header
// in big-endian words, the window name, the colour map, then the pixels.
// Only the true-colour dumps of a 24-bit screen are read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct XwdImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Nothing if the bytes are not a dump this reader understands.
std::optional<XwdImage> read_xwd(const std::string& bytes);
