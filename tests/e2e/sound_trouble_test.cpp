// The real game when its sound lets it down: songs missing or broken in
// every way, the battle song missing, effects broken, and no sound device at
// all. A song that will not load ends the game with the music player's
// reason readable in the shell; a broken effect is silent; no library ever
// prints on the terminal.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

#include "e2e/chosen_dice.h"
#include "e2e/game_ended.h"
#include "e2e/game_folder.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

const char* const FIELD_SONGS[] = {"ff10_sutekidane[1].mid", "melodies[1].mid", "not_alone[1].mid",
                                   "ff8_eyes[1].mid",        "main_theme.mid",  "eva[1].mid",
                                   "chrono.mid",             "arrest[1].mid",   "soul[1].mid"};

class SoundTrouble : public GameFolder {
protected:
    void page_through_intro(VtermTerminal& term) { intro_to_map(term, TIMEOUT_MS); }

    // Ends the game with Ctrl+C and checks it left nothing behind: the
    // terminal as it was and not a word printed by anyone.
    void quit_and_expect_silence(VtermTerminal& term) {
        term.send_bytes("\x03");
        const TerminalCheck check = expect_game_ended(term, 128 + 2, TIMEOUT_MS);
        EXPECT_EQ(message_after(check), "") << "printed on the terminal";
        expect_no_raw_control_bytes(term.received());
    }
};

struct BrokenSong {
    const char* kind;
    const char* reason;  // the music player's words for it
};

// Test names show the kind, not the bytes.
void PrintTo(const BrokenSong& song, std::ostream* out) { *out << song.kind; }

class BrokenSongs : public SoundTrouble, public ::testing::WithParamInterface<BrokenSong> {};

TEST_P(BrokenSongs, EndTheGameWithTheirReasonReadable) {
    const std::string kind = GetParam().kind;
    const std::string whole = read("music/midi/chrono.mid");
    for (const char* song : FIELD_SONGS) {
        const std::string name = std::string("music/midi/") + song;
        if (kind == "missing") remove(name);
        if (kind == "empty") write(name, "");
        if (kind == "garbage") write(name, "not a song at all, just words");
        if (kind == "truncated") write(name, whole.substr(0, whole.size() / 3));
    }
    // With no sound device, where nothing is synthesized: the songs are
    // checked all the same.
    TerminalLaunch l = launch();
    l.environment = {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "hw:77"}};
    VtermTerminal term(l);
    page_through_intro(term);
    const TerminalCheck check = expect_game_ended(term, 1, TIMEOUT_MS);
    const std::string said = message_after(check);
    EXPECT_NE(said.find(GetParam().reason), std::string::npos) << said;
    // Then which song, and where the game looked for it, on a line the
    // terminal may wrap at a space (which the row then drops): compared
    // without spaces.
    const auto unspaced = [](std::string text) {
        std::erase_if(text, [](char c) { return c == '\n' || c == ' '; });
        return text;
    };
    const std::string unwrapped = unspaced(said);
    const std::size_t line = unwrapped.find(unspaced("dunmar: cannot play the song 'music/midi/"));
    EXPECT_NE(line, std::string::npos) << said;
    EXPECT_NE(unwrapped.find(unspaced(".mid' from the data folder '" + folder + "'"), line), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(Game, BrokenSongs,
                         ::testing::Values(BrokenSong{"missing", "File not found"},
                                           BrokenSong{"empty", "Unknown file format"},
                                           BrokenSong{"garbage", "Unknown file format"},
                                           BrokenSong{"truncated", "Error loading file"}),
                         [](const ::testing::TestParamInfo<BrokenSong>& info) { return std::string(info.param.kind); });

TEST_F(SoundTrouble, AMissingBattleSongEndsTheGameAtTheFirstMonster) {
    remove("music/midi/Battle.mid");
    TerminalLaunch l = launch();
    freeze_clock(l, battle_dice());
    VtermTerminal term(l);
    page_through_intro(term);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << "the field song still plays\n" << term.screen_dump();
    term.click(10, 2);
    const TerminalCheck check = expect_game_ended(term, 1, TIMEOUT_MS);
    EXPECT_NE(message_after(check).find("File not found"), std::string::npos) << message_after(check);
}

TEST_F(SoundTrouble, BrokenEffectsAreSilentAndTheBattleGoesOn) {
    const std::string wave = read("music/wav/attack.wav");
    write("music/wav/attack.wav", "");
    write("music/wav/fire.wav", "RIFF\x10\0\0\0WAVEjunk, not a wave");
    write("music/wav/heal.wav", wave.substr(0, 600));  // the header and the first samples
    replace_with_folder("music/wav/angelcry.wav");
    remove("music/wav/Victory.wav");
    TerminalLaunch l = launch();
    const Dice dice = battle_dice();
    freeze_clock(l, dice);
    VtermTerminal term(l);
    page_through_intro(term);
    // Attack, Fire and Angel Cry, a round each, against a Dragon.
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    term.click(66, 17);
    ASSERT_TRUE(monster_hp_shown(term, 200 - dice.blow())) << term.screen_dump();
    for (const auto& [slot, spell] : {std::pair{0, "Fire"}, std::pair{9, "Angel Cry"}}) {
        term.click(66, 19);
        ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
        term.click(33, 7 + slot);
        ASSERT_TRUE(term.wait_for_text(0, 0, spell, TIMEOUT_MS)) << term.screen_dump();
        // The monster answers; a click from now on is the next round's.
        ASSERT_TRUE(monster_acted(term)) << "the battle went on\n" << term.screen_dump();
    }
    quit_and_expect_silence(term);
}

// No sound card: ALSA is asked for a card that does not exist, so the game
// falls back to the silent driver and plays on unheard.
TEST_F(SoundTrouble, NoSoundDeviceThePlayGoesOnSilently) {
    TerminalLaunch l = launch();
    l.environment = {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "hw:77"}};
    freeze_clock(l, battle_dice());
    VtermTerminal term(l);
    page_through_intro(term);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    term.click(66, 21);
    ASSERT_TRUE(term.wait_for_screen_text("Escaping", TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    quit_and_expect_silence(term);
}

}  // namespace
