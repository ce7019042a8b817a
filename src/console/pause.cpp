#include "console/pause.h"

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

}  // namespace

void input_looked_at() { answer_due = true; }

void Sleep(int ms) {
    Clock& clock = installed_clock();
    const bool show = unseen_ms + ms >= DISPLAY_FRAME_MS;
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
