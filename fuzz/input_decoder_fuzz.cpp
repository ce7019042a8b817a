// Fuzzes the terminal input decoder: whatever bytes the terminal (or a
// hostile program writing to it) sends, in whatever pieces the reads cut
// them, the game must get the same sane events.
#include "platform/terminal/input_decoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Events = std::vector<ConsoleEvent>;

[[noreturn]] void fail(const char* what, std::size_t index) {
    std::fprintf(stderr, "input_decoder_fuzz: %s (event %zu)\n", what, index);
    std::abort();
}

void check_sane(const Events& events, std::size_t size) {
    // Every event takes at least one byte, the flushed ones included.
    if (events.size() > size) fail("more events than bytes", events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const ConsoleEvent& e = events[i];
        if (e.type == KEY_EVENT) {
            if (!e.key_down) fail("a key event that is not a press", i);
            if (!is_key_press(e)) fail("a key event no screen counts as a key press", i);
            if (e.key_char < 0 || e.key_char > 255) fail("key_char outside 0-255", i);
        } else if (e.type == MOUSE_EVENT) {
            if (e.x < 0 || e.y < 0 || e.x > 0xfffe || e.y > 0xfffe) fail("mouse position out of range", i);
            const bool wheel = e.mouse_flags == MOUSE_WHEELED || e.mouse_flags == MOUSE_HWHEELED;
            if (wheel) {
                const std::uint32_t direction = e.buttons & 0xffff0000u;
                if (direction != WHEEL_FORWARD && direction != WHEEL_BACKWARD) fail("wheel without a direction", i);
                if ((e.buttons & 0xffffu) > 7) fail("wheel with a held state beyond the three buttons", i);
            } else {
                if (e.mouse_flags != 0 && e.mouse_flags != MOUSE_MOVED) fail("unknown mouse flags", i);
                if (e.buttons > 7) fail("held state beyond the three buttons", i);
            }
        } else {
            fail("event type neither key nor mouse", i);
        }
    }
}

void check_same(const Events& a, const Events& b, const char* how) {
    if (a.size() != b.size()) {
        std::fprintf(stderr, "input_decoder_fuzz: %zu events whole, %zu %s\n", a.size(), b.size(), how);
        std::abort();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            std::fprintf(stderr, "input_decoder_fuzz: events differ fed whole and %s\n", how);
            fail("first difference", i);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);

    InputDecoder whole;
    Events whole_events;
    whole.feed(bytes, size, whole_events);
    const bool whole_pending = whole.pending();
    whole.flush_pending(whole_events);
    if (whole.pending()) fail("still pending after flush", whole_events.size());
    check_sane(whole_events, size);
    if (whole.held_buttons() > 7) fail("held state beyond the three buttons", whole_events.size());

    // Pieces whose lengths come from the bytes themselves, empty feeds
    // included, so the fuzzer steers where the cuts fall.
    InputDecoder split;
    Events split_events;
    for (std::size_t at = 0; at < size;) {
        std::size_t length = data[at] % 17;
        if (length == 0) {
            split.feed(bytes + at, 0, split_events);
            length = 1;
        }
        if (length > size - at) length = size - at;
        split.feed(bytes + at, length, split_events);
        at += length;
    }
    if (split.pending() != whole_pending) fail("pending differs between whole and split", split_events.size());
    split.flush_pending(split_events);
    check_same(whole_events, split_events, "in pieces");

    InputDecoder bytewise;
    Events bytewise_events;
    for (std::size_t at = 0; at < size; ++at) bytewise.feed(bytes + at, 1, bytewise_events);
    bytewise.flush_pending(bytewise_events);
    check_same(whole_events, bytewise_events, "byte by byte");
    return 0;
}
