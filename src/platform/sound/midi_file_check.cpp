#include "platform/sound/midi_file_check.h"

#include <cstdint>

namespace {

std::uint32_t big_endian(std::string_view bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

MidiCheck check_midi_file(std::string_view bytes) {
    if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd" || big_endian(bytes, 4, 4) < 6) return MidiCheck::not_midi;
    const std::uint32_t format = big_endian(bytes, 8, 2);
    const std::uint32_t tracks = big_endian(bytes, 10, 2);
    if (format > 2) return MidiCheck::not_midi;
    if (tracks == 0) return MidiCheck::truncated;

    // Each announced track chunk must be there whole; other chunk kinds are
    // allowed between them and skipped.
    std::size_t at = 8 + big_endian(bytes, 4, 4);
    std::uint32_t found = 0;
    while (found < tracks) {
        if (at > bytes.size() || bytes.size() - at < 8) return MidiCheck::truncated;
        const std::uint32_t length = big_endian(bytes, at + 4, 4);
        if (bytes.size() - at - 8 < length) return MidiCheck::truncated;
        if (bytes.substr(at, 4) == "MTrk") ++found;
        at += 8 + static_cast<std::size_t>(length);
    }
    return MidiCheck::whole;
}
