// Turns the bytes a Linux terminal sends (keys, escape sequences, SGR and
// X10 mouse reports) into the console's input events. Pure: no terminal,
// no clock; the caller says when the escape timeout has passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_event.h"

class InputDecoder {
public:
    // Decodes bytes, appending every complete event to out. An escape
    // sequence (or UTF-8 character) cut off at the end of the bytes is kept
    // for the next feed, so any split of a byte stream into feeds gives the
    // same events as the stream fed at once.
    void feed(const char* bytes, std::size_t count, std::vector<ConsoleEvent>& out);

    // True while bytes of an unfinished sequence (or a lone ESC) are kept.
    bool pending() const { return !kept.empty(); }

    // No more bytes came within the terminal's escape timeout, so what is
    // kept was typed by hand: a leading ESC is the Escape key and the bytes
    // after it decode afresh (ESC [ 1 gives Escape, '[', '1'); a cut-off
    // UTF-8 character is one '?'. Nothing is kept afterwards.
    void flush_pending(std::vector<ConsoleEvent>& out);

    // The buttons the terminal last said are held (LEFT_BUTTON etc.).
    std::uint32_t held_buttons() const { return held; }

    // The longest escape sequence kept waiting for its final byte; one that
    // runs this long without it is garbage and is dropped without an event.
    static constexpr std::size_t MAX_SEQUENCE = 64;

private:
    // Decodes the unit at the start of bytes, appending its events. Returns
    // the bytes it took, or 0 if the unit is unfinished and needs more.
    std::size_t decode_unit(const unsigned char* bytes, std::size_t count,
                            std::vector<ConsoleEvent>& out);
    std::size_t decode_escape(const unsigned char* bytes, std::size_t count,
                              std::vector<ConsoleEvent>& out);
    std::size_t decode_csi(const unsigned char* bytes, std::size_t count,
                           std::vector<ConsoleEvent>& out);
    void decode_sgr_mouse(std::string_view params, bool release, std::vector<ConsoleEvent>& out);
    void mouse(unsigned code, bool release, int x, int y, std::vector<ConsoleEvent>& out);
    // Decodes from the start of bytes as far as complete units go; returns
    // the bytes taken.
    std::size_t decode_all(const unsigned char* bytes, std::size_t count,
                           std::vector<ConsoleEvent>& out);

    std::string kept;
    std::uint32_t held = 0;
    // Buttons whose release came after their last press.
    std::uint32_t released = 0;
};
