#include "load/scripted_player.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

using std::chrono::milliseconds;

// Output older than this means the game has finished drawing for now; the
// player then looks in /proc whether it waits for input, and again this
// often until it does (a pause of the game's own goes on meanwhile).
constexpr milliseconds QUIET{30};
constexpr milliseconds LOOK_AGAIN{30};
// After the hero shows at his new cell the game pauses this long before it
// reads the next movement; the player then moves the mouse after a short
// and varying moment of its own.
constexpr milliseconds STEP_PAUSE{175};
constexpr int THINK_MS = 10;
constexpr int STEPS_BETWEEN_MENUS = 40;
constexpr int ELIXIR_BELOW_HP = 120;

// The meadow at the top left, where the hero starts: row 2, columns 4 to
// 9, all free. He only ever walks along it.
constexpr int WEST = 4;
constexpr int EAST = 9;

// SGR mouse reports at cell (x, y) from 0: code 0 left, 2 right, 35 a
// motion with no button held. A click comes as a terminal sends it when the
// pointer moves there and the button goes down and up: one write.
std::string report(int code, int x, int y, bool release = false) {
    return "\x1b[<" + std::to_string(code) + ";" + std::to_string(x + 1) + ";" + std::to_string(y + 1) +
           (release ? "m" : "M");
}
std::string motion(int x, int y) { return report(35, x, y); }
std::string left_click(int x, int y) { return motion(x, y) + report(0, x, y) + report(0, x, y, true); }
std::string right_click(int x, int y) { return motion(x, y) + report(2, x, y) + report(2, x, y, true); }

// Battle command rows and the menus' own cells.
constexpr int COMMAND_X = 66;
constexpr int ATTACK_ROW = 17, DEFEND_ROW = 18, MAGIC_ROW = 19, ITEM_ROW = 20, ESCAPE_ROW = 21;
constexpr int ELIXIR_X = 36, ELIXIR_ROW = 10;
constexpr int PANEL_X = 62, PANEL_MAGIC_ROW = 10, PANEL_ITEM_ROW = 11;

}  // namespace

const char* stage_name(Stage stage) {
    static const char* const NAMES[] = {"intro", "walking", "encounter", "battle"};
    return NAMES[static_cast<int>(stage)];
}

const char* ask_name(Ask ask) {
    static const char* const NAMES[] = {"intro key", "walking step", "map menu", "battle command", "battle menu"};
    return NAMES[static_cast<int>(ask)];
}

ScriptedPlayer::ScriptedPlayer(pid_t game, int terminal, unsigned seed, bool trace_it)
    : fd(terminal), game_waits(game), tracing(trace_it), random(seed) {}

void ScriptedPlayer::trace(const char* what, const std::string& detail) const {
    if (!tracing) return;
    const double at = std::chrono::duration<double, std::milli>(BenchClock::now().time_since_epoch()).count();
    std::string shown;
    for (char c : detail) shown += c == '\x1b' ? std::string("^[") : std::string(1, c);
    std::fprintf(stderr, "[%.1f] %s %s %s\n", at, stage_name(where), what, shown.c_str());
}

void ScriptedPlayer::trace_screen() const {
    if (!tracing) return;
    for (int y = 0; y < 25; ++y) std::fprintf(stderr, "%2d|%s|\n", y, screen.text_at(0, y, 80).c_str());
    std::fprintf(stderr, "waiting for input: %d\n", game_waits.waiting());
}

void ScriptedPlayer::send(const std::string& bytes, Ask ask, Moment now) {
    if (step_shown && !answered.empty()) answered.back().bytes = bytes_since_send;
    step_shown = false;
    bytes_since_send = 0;
    // A few bytes into an idle pty never block; a full one means the game
    // is stuck, and the answer's timeout will say so.
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    (void)written;
    trace(ask_name(ask), bytes);
    sent_at = now;
    asked = ask;
    first_byte_seen = false;
    wait = Wait::answer;
}

void ScriptedPlayer::output(const char* bytes, std::size_t count, Moment now) {
    screen.feed(bytes, count);
    last_output = now;
    bytes_since_send += static_cast<long>(count);
    if (wait == Wait::answer && !first_byte_seen) {
        first_byte_seen = true;
        answered.push_back({asked, sent_at, std::chrono::duration<double, std::milli>(now - sent_at).count()});
        if (tracing) trace("answered after ms", std::to_string(answered.back().ms));
    }
    if (where == Stage::intro && screen.shows_map()) where = Stage::map;
    if (where == Stage::transition && screen.shows_battle()) {
        where = Stage::battle;
        looked_at_spells = false;
        defended = false;
        ++battle_count;
    }
    if (where == Stage::battle && screen.shows_map()) {
        where = Stage::map;
        walking = false;  // the map comes back with the hero standing
    }
    if (wait == Wait::answer && first_byte_seen) {
        if (asked == Ask::walk_step) {
            walk_answered(now);
        } else {
            wait = Wait::screen;
        }
    }
}

void ScriptedPlayer::walk_answered(Moment now) {
    if (screen.hero_at(expect_x, expect_y)) {
        step_shown = true;
        walking = true;
        wait = Wait::step;
        step_due = now + STEP_PAUSE + milliseconds(random() % (THINK_MS + 1));
        return;
    }
    if (screen.find_hero().first < 0) {
        // The hero left his cell and was not drawn again: a monster, and
        // the map dissolves.
        where = Stage::transition;
        wait = Wait::screen;
    }
    // Otherwise the rest of the answer may still come; act() gives up on
    // it once the game has gone quiet.
}

// Whether walking is on is no longer certain: a map menu, opened and
// closed, leaves it off.
void ScriptedPlayer::resynchronise() {
    if (where == Stage::map) steps_since_menu = STEPS_BETWEEN_MENUS;
    wait = Wait::screen;
}

Moment ScriptedPlayer::act(Moment now) {
    switch (wait) {
    case Wait::answer:
        if (!first_byte_seen && now - sent_at >= ANSWER_TIMEOUT) {
            answered.push_back({asked, sent_at, static_cast<double>(ANSWER_TIMEOUT.count()), false});
            trace("no answer");
            resynchronise();
            break;
        }
        if (first_byte_seen && now - last_output >= 3 * QUIET) {
            ++unexpected;  // a step answered with something else than the hero's new cell
            if (tracing)
                trace("unexpected answer; hero at",
                      std::to_string(screen.find_hero().first) + "," + std::to_string(screen.find_hero().second));
            resynchronise();
            break;
        }
        return first_byte_seen ? last_output + 3 * QUIET : sent_at + ANSWER_TIMEOUT;
    case Wait::step: {
        if (now < step_due) return step_due;
        if (expect_x >= EAST) direction = -1;
        if (expect_x <= WEST) direction = 1;
        expect_x += direction;
        ++steps_since_menu;
        send(motion(expect_x, expect_y), Ask::walk_step, now);
        return now + ANSWER_TIMEOUT;
    }
    case Wait::screen:
        break;
    }
    if (now - last_output < QUIET) return last_output + QUIET;
    if (now < next_look) return next_look;
    next_look = now + LOOK_AGAIN;
    decide(now);
    return wait == Wait::screen ? next_look : sent_at + ANSWER_TIMEOUT;
}

void ScriptedPlayer::decide(Moment now) {
    if (last_output == Moment{}) return;  // not started yet
    if (where == Stage::intro) {
        if (game_waits.waiting()) send(" ", Ask::intro_key, now);
        return;
    }
    if (where == Stage::map) on_map(now);
    if (where == Stage::battle) in_battle(now);
}

void ScriptedPlayer::on_map(Moment now) {
    if (!screen.field_menu_title().empty()) {
        if (!game_waits.waiting()) return;
        walking = false;  // a menu closes with the hero standing
        send(right_click(40, 12), Ask::map_menu, now);
        return;
    }
    if (!screen.shows_map()) return;
    const auto [x, y] = screen.find_hero();
    if (x < 0 || !game_waits.waiting()) return;
    if (steps_since_menu >= STEPS_BETWEEN_MENUS) {
        steps_since_menu = 0;
        item_menu_next = !item_menu_next;
        send(left_click(PANEL_X, item_menu_next ? PANEL_ITEM_ROW : PANEL_MAGIC_ROW), Ask::map_menu, now);
        return;
    }
    // Walking on, a movement makes a step; off, a click into the map
    // switches it on and steps at once.
    if (x >= EAST) direction = -1;
    if (x <= WEST) direction = 1;
    expect_x = x + direction;
    expect_y = y;
    ++steps_since_menu;
    send(walking ? motion(expect_x, expect_y) : left_click(expect_x, expect_y), Ask::walk_step, now);
}

void ScriptedPlayer::in_battle(Moment now) {
    if (!screen.shows_battle()) {
        if (!fallen && screen.shows_game_over()) {
            // The hero fell after all: a key ends the game, which the
            // count of games still running then shows.
            fallen = true;
            trace("fallen");
            const ssize_t written = write(fd, " ", 1);
            (void)written;
        }
        return;
    }
    const std::string menu = screen.battle_menu_title();
    if (!game_waits.waiting()) return;
    if (menu == "MAGIC") {
        send(right_click(40, 12), Ask::battle_menu, now);  // a look, and back
        return;
    }
    if (menu == "ITEM") {
        send(left_click(ELIXIR_X, ELIXIR_ROW), Ask::battle_menu, now);
        return;
    }
    const std::string monster = screen.monster_name();
    const int hp = screen.hero_hp();
    int row = ATTACK_ROW;
    if (monster == "Dragon" || monster == "Vorlisk") {
        row = ESCAPE_ROW;
    } else if (hp >= 0 && hp < ELIXIR_BELOW_HP) {
        row = ITEM_ROW;
    } else if (!looked_at_spells) {
        looked_at_spells = true;
        row = MAGIC_ROW;
    } else if (!defended) {
        defended = true;
        row = DEFEND_ROW;
    }
    send(left_click(COMMAND_X, row), Ask::battle_command, now);
}
