#include "platform/sound/soundfont.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// Debian's default soundfont link may point at a 145 MB font that takes a
// quarter of a second per load; the small General MIDI font is the one the
// game's songs are made for.
const char* const SOUNDFONTS[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
};
// What SDL2_mixer falls back on when none of those is installed.
const char* const MIXER_DEFAULT_SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// A RIFF file of the form "sfbk".
bool is_soundfont(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    char header[12] = {};
    in.read(header, sizeof header);
    return in && std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "sfbk", 4) == 0;
}

}  // namespace

const char* installed_soundfont() {
    for (const char* font : SOUNDFONTS) {
        struct stat info {};
        if (stat(font, &info) == 0) return font;
    }
    return nullptr;
}

bool soundfont_usable() {
    if (const char* font = installed_soundfont()) return is_soundfont(font);
    // Then the mixer's own choice: the fonts named in SDL_SOUNDFONTS, else its default.
    if (const char* named = std::getenv("SDL_SOUNDFONTS"); named && *named) {
        std::string list = named;
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t end = std::min(list.find_first_of(":;", at), list.size());
            if (end > at && is_soundfont(list.substr(at, end - at))) return true;
            at = end + 1;
        }
        return false;
    }
    return is_soundfont(MIXER_DEFAULT_SOUNDFONT);
}
