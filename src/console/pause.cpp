#include "console/pause.h"

#include "platform/clock.h"
#include "platform/console_device.h"

namespace {

// How long the screen drawn so far has gone unseen, in the pauses' own
// time: from the first pause that held it back. A show at an input wait
// in between is not known here; the next pause then shows at most one
// frame early, never one late.
int unseen_ms = 0;

}  // namespace

void Sleep(int ms) {
    if (unseen_ms + ms >= DISPLAY_FRAME_MS) {
        console_device().present();
        unseen_ms = 0;
    } else {
        unseen_ms += ms < 0 ? 0 : ms;
    }
    installed_clock().pause(ms);
}
