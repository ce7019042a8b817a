// The real game through real sound servers, heard at the null sink's
// monitor: the field song at the map, the music stopping for the attack
// effect at an encounter, the battle song, and a victory's effect with the
// music gone. Each is placed in the recording by the moment libvterm saw the
// screen change. Nothing may be printed on the terminal by any library. And,
// with the songs silenced, one effect cutting short the one still playing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "e2e/chosen_dice.h"
#include "e2e/game_ended.h"
#include "e2e/game_folder.h"
#include "e2e/game_screens.h"
#include "e2e/sound_server.h"
#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;
constexpr double AUDIBLE = 300;  // RMS of the quietest song's first second is over 1000
constexpr double SILENT = 20;

using Clock = std::chrono::steady_clock;

class SoundServers : public ::testing::TestWithParam<ServerKind> {};

// Waits for the screen and says when it was first seen, in recording time.
double seen(VtermTerminal& term, const SoundServer& server, const std::function<bool(const VtermTerminal&)>& ready) {
    if (!term.wait_for(ready, 30000)) return -1;
    return server.recording_time(Clock::now());
}

TEST_P(SoundServers, TheGameIsHeardAtTheSinksMonitor) {
#ifdef GAME_SANITIZE
    GTEST_SKIP() << "checks a sound server, not the game's memory: not in the sanitizer build";
#endif
    SoundServer server(GetParam());
    ASSERT_TRUE(server.running()) << "the sound server did not start: " << server.why_not();
    ASSERT_TRUE(server.start_recording());

    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = server.client_environment();
    // A Cerberus met at the first step, whom one BUBI BUBI fells.
    freeze_clock(launch, dice_where([](const Dice& d) { return d.meets_at_first_step() && d.monster() == CERBERUS; }));
    VtermTerminal term(launch);
    ASSERT_TRUE(term.wait_for_screen_text("Welcome", TIMEOUT_MS)) << term.screen_dump();
    const double intro = server.recording_time(Clock::now());
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();
    const double map = seen(term, server, map_shown);
    ASSERT_GE(map, 0) << term.screen_dump();
    // A desktop's mixer shows the stream under the game's name and icon.
    const std::string streams = server.pactl({"list", "sink-inputs"});
    EXPECT_NE(streams.find("application.name = \"Dunmar\""), std::string::npos) << streams;
    EXPECT_NE(streams.find("application.icon_name = \"dunmar\""), std::string::npos) << streams;

    // The first step gives way to the encounter, then the battle.
    term.click(10, 2);
    const double encounter = seen(term, server, [](const VtermTerminal& t) { return !map_shown(t); });
    ASSERT_GE(encounter, 0) << term.screen_dump();
    const double battle = seen(term, server, battle_shown);
    ASSERT_GE(battle, 0) << term.screen_dump();

    // BUBI BUBI fells the monster; the map comes back six seconds after the
    // victory.
    term.click(66, 19);
    ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    term.click(33, 17);
    ASSERT_TRUE(term.wait_for_text(0, 0, "BUBI BUBI", TIMEOUT_MS)) << term.screen_dump();
    const double back = seen(term, server, map_shown);
    ASSERT_GE(back, 0) << term.screen_dump();

    term.send_bytes("\x03");
    const TerminalCheck check = expect_game_ended(term, 128 + 2, TIMEOUT_MS);
    EXPECT_EQ(message_after(check), "") << "printed on the terminal";
    expect_no_raw_control_bytes(term.received());

    const std::vector<std::int16_t> heard = server.recorded();
    EXPECT_LT(loudness(heard, intro, map - 0.3), SILENT) << "no music during the intro";
    EXPECT_GT(loudness(heard, map, map + 1), AUDIBLE) << "the field song within a second of the map";
    EXPECT_GT(loudness(heard, encounter - 0.2, encounter + 0.8), AUDIBLE) << "the attack effect";
    // The attack effect lasts 1.2 s; then nothing until the battle song.
    EXPECT_LT(loudness(heard, encounter + 1.4, battle - 0.3), SILENT) << "the field song stopped";
    EXPECT_GT(loudness(heard, battle + 0.2, battle + 1.2), AUDIBLE) << "the battle song";
    // The victory effect lasts 3.6 s of the six-second pause, alone.
    EXPECT_GT(loudness(heard, back - 5.7, back - 4.0), AUDIBLE) << "the victory effect";
    EXPECT_LT(loudness(heard, back - 2.0, back - 0.4), SILENT) << "the battle song stopped";
}

// A song that plays a minute of nothing: the effects alone are heard.
std::string silent_song() {
    return std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\5\xDA\0\xFF\x2F\0", 27);
}

// Angel Cry in battle sounds the heal as its picture opens and the cry after
// the picture's last line, 0.9 s later, while the heal (1.3 s) still sounds.
// The effects have one channel: the cry must stop the heal, not join it.
TEST_P(SoundServers, ANewEffectCutsTheOneStillPlaying) {
#ifdef GAME_SANITIZE
    GTEST_SKIP() << "checks a sound server, not the game's memory: not in the sanitizer build";
#endif
    SoundServer server(GetParam());
    ASSERT_TRUE(server.running()) << "the sound server did not start: " << server.why_not();
    DataFolder data;
    for (const auto& song : std::filesystem::directory_iterator(data.folder + "/music/midi"))
        data.write("music/midi/" + song.path().filename().string(), silent_song());
    ASSERT_TRUE(server.start_recording());

    TerminalLaunch launch;
    launch.argv = terminal_check_wrapper({GAME_PATH});
    launch.working_directory = data.folder;
    launch.environment = server.client_environment();
    freeze_clock(launch, battle_dice());
    VtermTerminal term(launch);
    ASSERT_TRUE(intro_to_map(term, TIMEOUT_MS)) << term.screen_dump();
    ASSERT_TRUE(walk_into_battle(term)) << term.screen_dump();
    term.click(66, 19);
    ASSERT_TRUE(term.wait_for_text(31, 6, "MAGIC", TIMEOUT_MS)) << term.screen_dump();
    const double cast = server.recording_time(Clock::now());
    term.click(33, 16);
    ASSERT_TRUE(monster_acted(term)) << term.screen_dump();
    term.send_bytes("\x03");
    expect_game_ended(term, 128 + 2, TIMEOUT_MS);

    // The heal starts at most 1.2 s after the click (plus the picture's
    // clearing). Played out, it fades over a quarter of a second; cut, it
    // falls from a fifth of its level to nothing within 30 ms, where the cry
    // begins, nearly silent for its first 50 ms.
    const std::vector<std::int16_t> heard = server.recorded();
    const auto level = [&](double at) { return loudness(heard, at, at + 0.01); };
    double heal = cast;
    while (heal < cast + 3 && level(heal) < AUDIBLE) heal += 0.01;
    ASSERT_LT(heal, cast + 3) << "no heal after the click";
    const double loud = loudness(heard, heal, heal + 0.5);
    double cut = -1;
    for (double at = heal + 0.3; at < heal + 1.3 && cut < 0; at += 0.01)
        if (level(at - 0.01) > loud / 5 && level(at + 0.01) < loud / 30) cut = at;
    ASSERT_GE(cut, 0) << "the heal was not cut short (heard from " << heal << " s, level " << loud << ")";
    EXPECT_GT(loudness(heard, cut + 0.3, cut + 1.1), AUDIBLE) << "the cry after the heal";
}

INSTANTIATE_TEST_SUITE_P(Game, SoundServers, ::testing::Values(ServerKind::pulseaudio, ServerKind::pipewire),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                             return std::string(info.param == ServerKind::pulseaudio ? "PulseAudio" : "PipeWire");
                         });

}  // namespace
