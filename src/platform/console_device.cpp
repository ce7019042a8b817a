#include "platform/console_device.h"

#include <stdexcept>

#include "platform/clock.h"

namespace {

// Until a device is installed the game draws into memory and has no input.
class IdleConsole : public ConsoleDevice {
public:
    ConsoleEvent read_event() override { throw std::logic_error("no console device is installed"); }
    bool key_press_queued() override { return false; }

protected:
    void drop_queued_input(std::vector<ConsoleEvent>&) override {}
};

IdleConsole idle_console;
ConsoleDevice* current_device = &idle_console;

}  // namespace

ConsoleEvent ConsoleDevice::read_pointer_event() {
    if (!translated.empty()) {
        // The release of a pointer key's click was there as soon as the
        // press was: it is read like any queued event.
        present();
        installed_clock().input_waited();
        const ConsoleEvent next = translated.front();
        translated.pop_front();
        return next;
    }
    const ConsoleEvent event = read_event();
    pointer.follow_mouse(event);
    std::vector<ConsoleEvent> events;
    if (!pointer.translate(event, events)) return event;
    translated.assign(events.begin() + 1, events.end());
    return events.front();
}

void ConsoleDevice::discard_input() {
    translated.clear();
    std::vector<ConsoleEvent> dropped;
    drop_queued_input(dropped);
    for (const ConsoleEvent& event : dropped) pointer.follow(event);
}

void install_console_device(ConsoleDevice& device) { current_device = &device; }
ConsoleDevice& console_device() { return *current_device; }
