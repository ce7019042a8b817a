// A smoke playthrough of the real game in tmux, the second terminal
// emulator: the intro, the map in its colours, a map menu, a walk with the
// mouse into a battle, an escape, and Ctrl+C giving the pane back clean.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "e2e/chosen_dice.h"
#include "e2e/game_screens.h"
#include "e2e/tmux_session.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

bool tmux_map(const TmuxScreen& s) { return shows_map(s); }
bool tmux_battle(const TmuxScreen& s) { return shows_battle(s); }

TerminalLaunch game_launch(std::vector<std::pair<std::string, std::string>> environment = {}) {
    TerminalLaunch launch;
    launch.argv = {GAME_PATH};
    launch.working_directory = GAME_DATA_DIR;
    launch.environment = {{"SDL_AUDIODRIVER", "dummy"}};
    launch.environment.insert(launch.environment.end(), environment.begin(), environment.end());
    freeze_clock(launch, battle_dice());
    return launch;
}

void to_the_map(TmuxSession& tmux) {
    ASSERT_TRUE(tmux.started()) << tmux.error();
    ASSERT_TRUE(intro_to_map(tmux, TIMEOUT_MS, " ", tmux_map)) << tmux.screen().dump();
}

TEST(GameInTmux, IntroMapMenuBattleEscapeAndCtrlC) {
    TmuxSession tmux(game_launch());
    ASSERT_NO_FATAL_FAILURE(to_the_map(tmux));
    const TmuxScreen& map = tmux.screen();
    EXPECT_EQ(map.glyph_at(4, 2), U'☺');
    EXPECT_EQ(map.fg_at(4, 2), 0);
    EXPECT_EQ(map.bg_at(4, 2), 10) << "the hero black on bright green";
    EXPECT_EQ(map.fg_at(3, 1), 8) << "the frame dark grey";
    EXPECT_EQ(map.text_at(61, 3, 6), "Dunmar");
    const auto modes = tmux.pane_state();
    ASSERT_TRUE(modes.has_value());
    EXPECT_TRUE(modes->alternate_screen && modes->mouse_move && modes->mouse_sgr);
    EXPECT_FALSE(modes->cursor_visible);

    // The magic menu opens on a click and closes on a right click.
    tmux.click(62, 10);
    ASSERT_TRUE(tmux.wait_for_text(1, 1, "MAGIC", TIMEOUT_MS)) << tmux.screen().dump();
    tmux.click(5, 5, 3);
    ASSERT_TRUE(tmux.wait_for(tmux_map, TIMEOUT_MS)) << tmux.screen().dump();

    // The first step meets a monster; Escape leads back to the map.
    tmux.click(10, 2);
    ASSERT_TRUE(tmux.wait_for(tmux_battle, 30000)) << tmux.screen().dump();
    EXPECT_EQ(tmux.screen().fg_at(64, 17), 12) << "the commands in bright blue";
    tmux.click(66, 21);
    ASSERT_TRUE(tmux.wait_for(tmux_map, 30000)) << tmux.screen().dump();

    tmux.send_bytes("\x03");
    const auto ended = tmux.wait_exit(TIMEOUT_MS);
    ASSERT_TRUE(ended.has_value());
    EXPECT_TRUE(ended->dead);
    EXPECT_FALSE(ended->alternate_screen);
    // Not the cursor: when tmux learns that a program died of a signal, it
    // writes "Pane is dead" into the pane and hides the cursor itself (so it
    // does for a plain `sleep` ended by Ctrl+C). The libvterm runs check it.
    EXPECT_FALSE(ended->mouse_click || ended->mouse_drag || ended->mouse_move || ended->mouse_sgr);
}

TEST(GameInTmux, TrueColourPassesThroughTmux) {
    TmuxSession tmux(game_launch({{"COLORTERM", "truecolor"}}));
    ASSERT_NO_FATAL_FAILURE(to_the_map(tmux));
    const TmuxScreen& map = tmux.screen();
    EXPECT_EQ(map.fg_rgb_at(4, 2), 0x000000);
    EXPECT_EQ(map.bg_rgb_at(4, 2), 0x00ff00) << "the hero black on bright green";
    EXPECT_EQ(map.fg_rgb_at(3, 1), 0x808080) << "the frame dark grey";
    tmux.send_bytes("\x03");
    ASSERT_TRUE(tmux.wait_exit(TIMEOUT_MS).has_value());
}

}  // namespace
