// The real game when its sound lets it down: songs missing or broken in
// every way, the battle song missing, effects broken, and no sound device at
// all. A song that will not load ends the game with the music player's
// reason readable in the shell; a broken effect is silent; no library ever
// prints on the terminal.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

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
    void page_through_intro(VtermTerminal& term) {
        intro_to_map(term, TIMEOUT_MS);
    }

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
    // Then which song, and where the game looked for it (on a line the
    // terminal may wrap).
    std::string unwrapped = said;
    std::erase(unwrapped, '\n');
    const std::size_t line = unwrapped.find("dunmar: cannot play the song 'music/midi/");
    EXPECT_NE(line, std::string::npos) << said;
    EXPECT_NE(unwrapped.find(".mid' from the data folder '" + folder + "'", line), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(Game, BrokenSongs,
                         ::testing::Values(BrokenSong{"missing", "File not found"},
                                           BrokenSong{"empty", "Unknown file format"},
                                           BrokenSong{"garbage", "Unknown file format"},
                                           BrokenSong{"truncated", "Error loading file"}),
                         [](const ::testing::TestParamInfo<BrokenSong>& info) { return std::string(info.param.kind); });

TEST_F(SoundTrouble, AMissingBattleSongEndsTheGameAtTheFirstMonster) {
    remove("music/midi/Battle.mid");
    VtermTerminal term(launch());
    page_through_intro(term);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << "the field song still plays\n" << term.screen_dump();
    player_click(term, 10, 2);
    int last_cell = -1, still = 0;
    for (int tick = 0; tick < 200 && term.pump(0); ++tick) {
        walk_tick(term, tick, last_cell, still);
        term.pump(250);
    }
    const TerminalCheck check = expect_game_ended(term, 1, TIMEOUT_MS);
    EXPECT_NE(message_after(check).find("File not found"), std::string::npos) << message_after(check);
}

// Spells cast from the battle's magic list, by their row in it.
void cast_in_battle(VtermTerminal& term, int slot) {
    ASSERT_TRUE(click_until(term, 66, 19, [](const VtermTerminal& t) { return t.text_at(31, 6, 5) == "MAGIC"; }))
        << term.screen_dump();
    player_click(term, 33, 7 + slot);
}

TEST_F(SoundTrouble, BrokenEffectsAreSilentAndTheBattleGoesOn) {
    const std::string wave = read("music/wav/attack.wav");
    write("music/wav/attack.wav", "");
    write("music/wav/fire.wav", "RIFF\x10\0\0\0WAVEjunk, not a wave");
    write("music/wav/heal.wav", wave.substr(0, 600));  // the header and the first samples
    replace_with_folder("music/wav/angelcry.wav");
    remove("music/wav/Victory.wav");
    VtermTerminal term(launch());
    page_through_intro(term);
    // Attack, Fire and Angel Cry, each in a battle (a new one if the last was won).
    for (int action = 0; action < 3; ++action) {
        if (!battle_shown(term)) {
            ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
        }
        ASSERT_TRUE(command_awaited(term)) << term.screen_dump();
        if (action == 0) {
            // Taken once the hero's amount floats over the monster; the
            // round lasts longer than click_until waits before clicking
            // again, and a second click would be the next round's Attack.
            ASSERT_TRUE(click_until(term, 66, 17, [](const VtermTerminal& t) {
                for (int row = 4; row <= 7; ++row)
                    if (number_at(t, 45, row) > 0) return true;
                return map_shown(t);
            })) << term.screen_dump();
            ASSERT_TRUE(round_ended(term)) << "the battle went on\n" << term.screen_dump();
            if (term.screen_contains("Press any key.")) break;
        } else {
            cast_in_battle(term, action == 1 ? 0 : 9);
            ASSERT_TRUE(term.wait_for_text(0, 0, action == 1 ? "Fire" : "Angel Cry", TIMEOUT_MS)) << term.screen_dump();
            // The monster answers, or the battle is won. Two Mountain Falls
            // in a row can end the hero: the game goes on to its end then.
            ASSERT_TRUE(round_ended(term)) << "the battle went on\n" << term.screen_dump();
            if (term.screen_contains("Press any key.")) break;
        }
        term.wait_for([](const VtermTerminal& t) { return battle_shown(t) || map_shown(t); }, 3 * TIMEOUT_MS);
    }
    quit_and_expect_silence(term);
}

// No sound card: ALSA is asked for a card that does not exist, so the game
// falls back to the silent driver and plays on unheard.
TEST_F(SoundTrouble, NoSoundDeviceThePlayGoesOnSilently) {
    TerminalLaunch l = launch();
    l.environment = {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "hw:77"}};
    VtermTerminal term(l);
    page_through_intro(term);
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    ASSERT_TRUE(command_awaited(term)) << term.screen_dump();
    player_click(term, 66, 21);
    ASSERT_TRUE(term.wait_for_screen_text("Escaping", TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(term.wait_for(map_shown, TIMEOUT_MS)) << term.screen_dump();
    quit_and_expect_silence(term);
}

}  // namespace
