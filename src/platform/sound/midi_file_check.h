// Whether a file is a whole Standard MIDI File, checked before the music
// library sees it: the library takes any file and fails later in silence.
#pragma once

#include <string_view>

enum class MidiCheck {
    whole,       // a header and every track it announces, each complete
    not_midi,    // no MIDI header: some other kind of file
    truncated,   // a MIDI header, but the tracks are missing or cut short
};

MidiCheck check_midi_file(std::string_view bytes);
