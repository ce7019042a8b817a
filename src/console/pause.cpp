#include "console/pause.h"

#include "platform/clock.h"
#include "platform/console_device.h"

void Sleep(int ms) {
    console_device().present();
    installed_clock().pause(ms);
}
