#include "console/pause.h"

#include "platform/clock.h"
#include "platform/console_device.h"

namespace {

// How long what has been drawn since the last frame has gone unseen, in
// the pauses' own time: from the first pause that held it back. A show at
// an input wait in between is not known here; the next frame then comes
// early, never late.
int unseen_ms = 0;

}  // namespace

void Sleep(int ms) {
    Clock& clock = installed_clock();
    const bool show = unseen_ms + ms >= DISPLAY_FRAME_MS;
    if (show) {
        // The frame is shown when its time has come: once the pauses owed
        // before it have passed.
        clock.settle();
        console_device().present();
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
