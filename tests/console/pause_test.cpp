#include "console/pause.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/doubles/test_console.h"

namespace {

TEST(Sleep, ShowsTheScreenBeforeThePause) {
    VirtualClock clock;
    TestConsole console(clock);
    Clock& old_clock = installed_clock();
    ConsoleDevice& old_device = console_device();
    install_clock(clock);
    install_console_device(console);
    Sleep(40);
    install_clock(old_clock);
    install_console_device(old_device);
    EXPECT_EQ(console.presents(), 1);
    EXPECT_EQ(clock.pauses(), std::vector<int>{40});
}

}  // namespace
