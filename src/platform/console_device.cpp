#include "platform/console_device.h"

#include "platform/clock.h"
#include "platform/test_console.h"

namespace {

// Until a device is installed the game draws into memory and has no input.
VirtualClock idle_clock;
TestConsole idle_console(idle_clock);
ConsoleDevice* current_device = &idle_console;

}  // namespace

void install_console_device(ConsoleDevice& device) { current_device = &device; }
ConsoleDevice& console_device() { return *current_device; }

void Sleep(int ms) {
    current_device->present();
    installed_clock().pause(ms);
}
