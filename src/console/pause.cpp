#include "console/pause.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/console_device.h"

namespace {

// How long what has been drawn since the last frame has gone unseen, in
// the pauses' own time: from the first pause that held it back. A show at
// an input wait in between is not known here; the next frame then comes
// early, never late. A frame let go because the game came to it late
// starts the count again too: the next is a frame on.
int unseen_ms = 0;

// Whether the next frame answers the player: the first after the game
// looked at the input.
bool answer_due = true;

// How long a run of short pauses goes unseen before a frame shows it: a
// display frame while the machine gives the game its core in time, longer
// while it does not. On a host whose cores are all taken (hundreds of
// players meeting their monsters in the same second), every game that
// comes to its frames late waits for fewer of them, so the cores catch up
// at once and the answers to the players are not kept waiting behind the
// animations; each frame on time brings the pace back towards the display's.
int frame_ms = DISPLAY_FRAME_MS;

// A frame reached this much after its time means the machine is behind.
constexpr int LATE_MS = 1;

void pace_after_frame(Clock& clock) {
    frame_ms = clock.behind_by(LATE_MS) ? std::min(frame_ms * 2, LONGEST_FRAME_MS)
                                        : std::max(frame_ms / 2, DISPLAY_FRAME_MS);
}

}  // namespace

void input_looked_at() { answer_due = true; }

void Sleep(int ms) {
    Clock& clock = installed_clock();
    // The answer to the player is shown at the first pause after the game
    // looked at the input, at once: the player sees it when he would have
    // without frames.
    const bool show = answer_due || unseen_ms + ms >= frame_ms;
    if (show) {
        // The frame is shown when its time has come: once the pauses owed
        // before it have passed. A frame whose time is more than a frame
        // gone would reach the display together with the next: a machine
        // too busy to give the game its core in time is not given a write
        // for it as well. The answer to the player, and the screen a
        // frame's pause or longer stands on, are always shown.
        clock.settle();
        if (answer_due || ms >= DISPLAY_FRAME_MS || !clock.behind_by(DISPLAY_FRAME_MS)) {
            console_device().present();
            answer_due = false;
        }
        if (ms < DISPLAY_FRAME_MS) pace_after_frame(clock);
        unseen_ms = 0;
    } else {
        unseen_ms += ms < 0 ? 0 : ms;
    }
    // A pause shorter than a frame ends before the display could show what
    // is drawn next, so the game need not wake for it: its time is waited
    // out with the next frame's, or before the game next looks at the
    // player, plays a sound or reads the time.
    if (ms >= DISPLAY_FRAME_MS) {
        clock.pause(ms);
    } else {
        clock.owe(ms);
    }
}
