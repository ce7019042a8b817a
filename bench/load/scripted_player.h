// One scripted player of the load benchmark: reads the game's screen as
// the game writes it, and plays as a person would: pages through the
// intro, walks to and fro on the meadow at the top left with mouse
// motion, now and then opens a map menu, fights the weaker monsters (a
// look at the spell list, an Elixir when hurt, Attack) and escapes the
// strong ones. It acts only when the game waits for it, so every delay it
// measures, from its input to the game's first byte in answer, lies
// beyond the game's own pauses.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "load/game_screen.h"
#include "load/proc_figures.h"

using BenchClock = std::chrono::steady_clock;
using Moment = BenchClock::time_point;

// Where the game is, for its CPU account.
enum class Stage { intro, map, transition, battle };
constexpr int STAGE_COUNT = 4;
const char* stage_name(Stage stage);

// What an input asked of the game.
enum class Ask { intro_key, walk_step, map_menu, battle_command, battle_menu };
constexpr int ASK_COUNT = 5;
const char* ask_name(Ask ask);

struct Answered {
    Ask ask;
    Moment sent;
    double ms;  // from the input's write to the first byte read after it
    bool in_time = true;  // false: nothing came within the timeout, which ms then holds
    // A walking step shown as expected: every byte its terminal got for it,
    // up to the next input; -1 otherwise.
    long bytes = -1;
};

// How long a player waits for an answer before it takes the input as lost.
constexpr std::chrono::milliseconds ANSWER_TIMEOUT{20000};

class ScriptedPlayer {
public:
    // A tracing player tells on stderr what it sends and sees.
    ScriptedPlayer(pid_t game, int terminal, unsigned seed, bool tracing = false);

    // The game wrote these bytes, read at `now`.
    void output(const char* bytes, std::size_t count, Moment now);
    // Acts if it is time to; returns when it next wants to be asked.
    Moment act(Moment now);

    Stage stage() const { return where; }
    const std::vector<Answered>& answers() const { return answered; }
    int not_as_expected() const { return unexpected; }
    int battles() const { return battle_count; }
    bool hero_fell() const { return fallen; }
    // What the player sees, for a tracing run.
    void trace_screen() const;

private:
    enum class Wait { screen, answer, step };

    void send(const std::string& bytes, Ask ask, Moment now);
    void decide(Moment now);
    void on_map(Moment now);
    void in_battle(Moment now);
    void walk_answered(Moment now);
    void resynchronise();
    void trace(const char* what, const std::string& detail = "") const;

    int fd;
    InputWaitProbe game_waits;
    bool tracing;
    std::minstd_rand random;
    GameScreen screen;
    Stage where = Stage::intro;
    Wait wait = Wait::screen;

    Moment last_output{};
    Moment next_look{};   // the next /proc look while waiting for the game's input wait
    Moment sent_at{};
    Moment step_due{};
    Ask asked = Ask::intro_key;
    bool first_byte_seen = false;
    long bytes_since_send = 0;
    bool step_shown = false;  // the hero is on the cell the last input asked for

    // The walk: along row 2 between columns 4 and 9, one cell a step.
    bool walking = false;
    int direction = 1;
    int expect_x = -1;
    int expect_y = -1;
    int steps_since_menu = 0;
    bool item_menu_next = false;

    // This battle.
    bool looked_at_spells = false;
    bool defended = false;
    int battle_count = 0;
    bool fallen = false;

    std::vector<Answered> answered;
    int unexpected = 0;
};
