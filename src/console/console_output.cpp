#include "console/console_output.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/console_device.h"
#include "support/game_streams.h"

namespace {

ScreenBuffer& screen() { return console_device().screen(); }

// Unbuffered: text reaches the screen buffer the moment it is written, so
// a pause right after a message shows it.
class ConsoleStreamBuffer : public std::streambuf {
protected:
    int_type overflow(int_type ch) override {
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            const char byte = traits_type::to_char_type(ch);
            write_bytes(&byte, 1);
        }
        return traits_type::not_eof(ch);
    }

    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        write_bytes(bytes, static_cast<std::size_t>(count));
        return count;
    }
};

ConsoleStreamBuffer console_stream_buffer;
std::ostream console_stream(&console_stream_buffer);

}  // namespace

void clear_screen() {
    ScreenBuffer& s = screen();
    s.fill_chars(' ', SCREEN_CELLS);
    s.fill_attributes(s.attribute(), SCREEN_CELLS);
    s.set_cursor(0, 0);
}

void goto_xy(int x, int y) { screen().set_cursor(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)); }

void set_color(int color) { screen().set_attribute(static_cast<unsigned char>(color)); }

void write_bytes(const char* bytes, std::size_t count) { screen().write(bytes, count); }

void write_text(const char* text) { write_bytes(text, std::strlen(text)); }

void write_number(int number) { write_text(std::to_string(number).c_str()); }

void write_char(int code) {
    const char byte = static_cast<char>(code);
    write_bytes(&byte, 1);
}

void write_frame_char(int x, int y, int code) {
    goto_xy(x, y);
    standard_output() << static_cast<char>(code) << std::endl;
}

void route_standard_output_to_console() { route_standard_output(console_stream); }
