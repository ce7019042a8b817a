// The real game in real terminal emulators under X, played with the
// genuine pointer and keyboard and checked by the pixels they drew: the
// intro, every cell of the map against libvterm's, a map menu closed with a
// right click, a walk into a battle, a command clicked, Ctrl+C, and the
// terminal given back as it was. One scenario, one line per emulator.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/driver_support.h"
#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/vterm_terminal.h"
#include "e2e/x11_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 15000;

struct ReferenceCell {
    char32_t glyph;
    int fg;  // ANSI colour index, as libvterm reads it
    int bg;
};

// The map screen as libvterm shows it, to hold every emulator's pixels to.
const std::vector<ReferenceCell>& reference_map() {
    static const std::vector<ReferenceCell> cells = [] {
        TerminalLaunch launch;
        launch.argv = {GAME_PATH};
        launch.working_directory = GAME_DATA_DIR;
        launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
        VtermTerminal term(launch);
        std::vector<ReferenceCell> map;
        if (!intro_to_map(term, TIMEOUT_MS)) return map;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 80; ++x)
                map.push_back({term.glyph_at(x, y) == 0 ? U' ' : term.glyph_at(x, y), term.fg_at(x, y), term.bg_at(x, y)});
        term.send_bytes("\x03");
        term.wait_exit(TIMEOUT_MS);
        return map;
    }();
    return cells;
}

// ANSI and the console number red and blue the other way round.
int console_of_ansi(int ansi) { return (ansi & 8) | (ansi & 1) << 2 | (ansi & 2) | (ansi & 4) >> 2; }

bool x11_map(const X11Screen& s) { return shows_map(s); }
bool x11_battle(const X11Screen& s) { return shows_battle(s); }

// Every cell of the map drawn as libvterm has it: the same glyph, in the
// same colours, pixel for pixel.
void expect_reference_map(const X11Terminal& term) {
    const auto& reference = reference_map();
    ASSERT_EQ(reference.size(), 80u * 25u) << "libvterm did not reach the map";
    std::string wrong;
    int wrong_cells = 0;
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 80; ++x) {
            const ReferenceCell& r = reference[static_cast<size_t>(y) * 80 + x];
            if (r.fg < 0 || r.bg < 0) {
                wrong += " (" + std::to_string(x) + "," + std::to_string(y) + ") left in a default colour;";
                ++wrong_cells;
                continue;
            }
            const int off = term.screen().differing_pixels(x, y, r.glyph, term.console_colour(console_of_ansi(r.fg)),
                                                           term.console_colour(console_of_ansi(r.bg)));
            if (off == 0) continue;
            if (++wrong_cells > 8) continue;
            wrong += " (" + std::to_string(x) + "," + std::to_string(y) + ") ";
            driver_support::append_utf8(wrong, r.glyph);
            wrong += " " + std::to_string(off) + " pixels;";
        }
    }
    EXPECT_EQ(wrong_cells, 0) << wrong << "\n" << term.screen().dump();
}

class RealEmulator : public ::testing::TestWithParam<std::string> {};

TEST_P(RealEmulator, PlaysTheGameWithThePointer) {
#ifdef GAME_SANITIZE
    GTEST_SKIP() << "these check the emulators, not the game's memory: left to the plain build";
#endif
    const Emulator* emulator = find_emulator(GetParam());
    ASSERT_NE(emulator, nullptr);
    const char* all = std::getenv("DUNMAR_ALL_TERMINALS");
    if (emulator->heavy && (all == nullptr || std::string(all) != "1"))
        GTEST_SKIP() << emulator->name << " is heavy: run with DUNMAR_ALL_TERMINALS=1";
    ASSERT_FALSE(reference_map().empty());
    const auto begun = std::chrono::steady_clock::now();

    // A Dragon met at the first step, who survives the Attack. The game
    // alone has its clock frozen, not the emulator.
    const Dice dice = battle_dice();
    std::vector<std::string> game{"env"};
    for (const auto& [name, value] : frozen_clock(dice)) game.push_back(name + "=" + value);
    game.push_back(GAME_PATH);
    X11Terminal term(*emulator, game, GAME_DATA_DIR, {{"SDL_AUDIODRIVER", "dummy"}});
    ASSERT_TRUE(term.started()) << term.error();

    // The intro, paged with the space bar.
    ASSERT_TRUE(term.wait_for([](const X11Screen& s) { return s.contains("Welcome, traveller"); }, TIMEOUT_MS))
        << term.screen().dump();
    EXPECT_TRUE(close_to(term.screen().fg_at(23, 1), term.console_colour(15))) << "the intro in bright white";
    // A key a page, once its heading shows: on the map a Space is a click
    // of the keyboard pointer and would set the hero walking.
    for (const char* heading : {"Welcome, traveller", "How to walk the Vale", "A word of warning"}) {
        ASSERT_TRUE(term.wait_for([&](const X11Screen& s) { return s.contains(heading); }, TIMEOUT_MS))
            << term.screen().dump();
        term.key("space");
    }
    ASSERT_TRUE(term.wait_for(x11_map, TIMEOUT_MS)) << term.screen().dump();
    expect_reference_map(term);

    // The magic menu opens on a click and closes on a right click.
    term.click(62, 10);
    ASSERT_TRUE(term.wait_for([](const X11Screen& s) { return s.text_at(1, 1, 5) == "MAGIC"; }, TIMEOUT_MS))
        << term.screen().dump();
    term.click(5, 5, 3);
    ASSERT_TRUE(term.wait_for(x11_map, TIMEOUT_MS)) << term.screen().dump();

    // The first step meets the monster.
    term.click(10, 2);
    ASSERT_TRUE(term.wait_for(x11_battle, 30000)) << term.screen().dump();
    EXPECT_TRUE(close_to(term.screen().fg_at(64, 17), term.console_colour(9))) << "the commands in bright blue";

    // Attack, then escape.
    const auto monster_hp = [](const X11Screen& s) {
        const std::string hp = s.text_at(69, 3, 3);
        return hp.find_first_not_of("0123456789 ") == std::string::npos && hp[0] != ' ' ? std::stoi(hp) : -1;
    };
    ASSERT_EQ(monster_hp(term.screen()), 200) << term.screen().dump();
    term.click(66, 17);
    ASSERT_TRUE(term.wait_for([&](const X11Screen& s) { return monster_hp(s) == 200 - dice.blow(); }, 30000))
        << term.screen().dump();
    term.click(66, 21);
    ASSERT_TRUE(term.wait_for(x11_map, 30000)) << term.screen().dump();
    EXPECT_NE(hero(term.screen()), std::make_pair(4, 2)) << "the hero walked";

    // Ctrl+C, and the terminal as it was.
    term.key("ctrl+c");
    const auto end = term.wait_exit(TIMEOUT_MS);
    ASSERT_TRUE(end.has_value()) << term.screen().dump();
    EXPECT_EQ(end->exit_code, 128 + 2);
    EXPECT_EQ(end->settings_after, end->settings_before);
    const X11Screen& before = term.calibration_screen();
    const auto main_screen_back = [&](const X11Screen& s) {
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 80; ++x)
                if (y != X11Terminal::CURSOR_Y && s.differing_pixels(before, x, y) != 0) return false;
        return true;
    };
    EXPECT_TRUE(term.wait_for(main_screen_back, TIMEOUT_MS)) << term.screen().dump();
    // The cursor may blink: seen once is enough.
    const auto cursor_shown = [&](const X11Screen& s) {
        return s.differing_pixels(before, X11Terminal::CURSOR_X, X11Terminal::CURSOR_Y) != 0;
    };
    bool cursor = false;
    for (int tries = 0; tries < 20 && !cursor; ++tries) {
        const auto now = term.capture();
        cursor = now && cursor_shown(*now);
    }
    EXPECT_TRUE(cursor) << "no cursor after the game";

    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    std::string blended;
    for (char32_t c : term.grid().blended) driver_support::append_utf8(blended, c);
    std::printf("%s: %.1f s, cells %dx%d, glyphs it blends itself: %s\n", emulator->name.c_str(), seconds,
                term.grid().width, term.grid().height, blended.empty() ? "none" : blended.c_str());
}

std::vector<std::string> emulator_names() {
    std::vector<std::string> names;
    for (const Emulator& e : emulators()) names.push_back(e.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(, RealEmulator, ::testing::ValuesIn(emulator_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
