#include "platform/sound/midi_file_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string chunk(const std::string& id, const std::string& body) {
    std::string c = id;
    for (int shift = 24; shift >= 0; shift -= 8) c += static_cast<char>(body.size() >> shift & 0xff);
    return c + body;
}

std::string header(int format, int tracks) {
    return chunk("MThd", std::string{0, static_cast<char>(format), 0, static_cast<char>(tracks), 1, static_cast<char>(0xe0)});
}

const std::string TRACK = chunk("MTrk", std::string("\x00\xff\x2f\x00", 4));

TEST(MidiFileCheck, AWholeFileWithEveryTrackPasses) {
    EXPECT_EQ(check_midi_file(header(1, 2) + TRACK + TRACK), MidiCheck::whole);
    EXPECT_EQ(check_midi_file(header(0, 1) + chunk("XFIH", "extra") + TRACK), MidiCheck::whole)
        << "unknown chunks are skipped";
}

TEST(MidiFileCheck, OtherFilesAreNotMidi) {
    EXPECT_EQ(check_midi_file(""), MidiCheck::not_midi);
    EXPECT_EQ(check_midi_file("RIFF....WAVEfmt "), MidiCheck::not_midi);
    EXPECT_EQ(check_midi_file("MThd"), MidiCheck::not_midi);
    EXPECT_EQ(check_midi_file(header(3, 1) + TRACK), MidiCheck::not_midi);
    EXPECT_EQ(check_midi_file(std::string(100, '\0')), MidiCheck::not_midi);
}

TEST(MidiFileCheck, MissingOrCutTracksAreTruncated) {
    const std::string whole = header(1, 2) + TRACK + TRACK;
    for (std::size_t cut = 14; cut < whole.size(); ++cut)
        EXPECT_EQ(check_midi_file(whole.substr(0, cut)), MidiCheck::truncated) << "cut at " << cut;
    EXPECT_EQ(check_midi_file(header(1, 0)), MidiCheck::truncated);
    std::string huge_length = header(0, 1) + "MTrk\xff\xff\xff\xff";
    EXPECT_EQ(check_midi_file(huge_length), MidiCheck::truncated);
}

}  // namespace
