#include "platform/console_device.h"

#include <stdexcept>

#include "platform/clock.h"

namespace {

// Until a device is installed the game draws into memory and has no input.
class IdleConsole : public ConsoleDevice {
public:
    ConsoleEvent read_event() override { throw std::logic_error("no console device is installed"); }
    bool key_press_queued() override { return false; }
    void discard_input() override {}
};

IdleConsole idle_console;
ConsoleDevice* current_device = &idle_console;

}  // namespace

void install_console_device(ConsoleDevice& device) { current_device = &device; }
ConsoleDevice& console_device() { return *current_device; }

void Sleep(int ms) {
    current_device->present();
    installed_clock().pause(ms);
}
