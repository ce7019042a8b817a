#include "platform/terminal/input_decoder.h"

namespace {

constexpr unsigned char ESC = 0x1b;

ConsoleEvent escape_key() { return key_press(27, KEY_CODE_ESCAPE); }

ConsoleEvent single_byte_key(unsigned char byte) {
    switch (byte) {
    case 0:
        // Ctrl+Space has no character but is still a key the player pressed.
        return key_press(0, KEY_CODE_OTHER);
    case '\r':
    case '\n':
        return key_press(13, KEY_CODE_RETURN);
    case '\t':
        return key_press(9, KEY_CODE_TAB);
    case 8:
    case 127:
        return key_press(8, KEY_CODE_BACK);
    default:
        return key_press(byte);
    }
}

// Bytes in the character a UTF-8 lead byte starts, or 0 if it starts none.
std::size_t utf8_length(unsigned char lead) {
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    if (lead >= 0xe0 && lead <= 0xef) return 3;
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    return 0;
}

// The second byte's range is narrower after a few leads: that rules out
// overlong forms, surrogates and code points past U+10FFFF, so a broken
// character ends at the first byte that cannot belong to it.
bool utf8_continues(unsigned char lead, std::size_t index, unsigned char byte) {
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (index == 1) {
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    }
    return byte >= low && byte <= high;
}

// A unit that does not start with ESC: one byte, or one UTF-8 character,
// which the game's code page cannot show, so it is the key '?'.
std::size_t decode_plain(const unsigned char* bytes, std::size_t count,
                         std::vector<ConsoleEvent>& out) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80) {
        out.push_back(single_byte_key(lead));
        return 1;
    }
    const std::size_t length = utf8_length(lead);
    std::size_t taken = 1;
    while (taken < length && taken < count && utf8_continues(lead, taken, bytes[taken])) ++taken;
    if (taken < length && taken == count) return 0;
    // Whole, or cut short by a byte that then decodes on its own.
    out.push_back(key_press('?'));
    return taken;
}

bool is_final_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7e; }

// Parameter and intermediate bytes of a control sequence.
bool is_inner_byte(unsigned char byte) { return byte >= 0x20 && byte <= 0x3f; }

// The key a cursor-key style final byte names (CSI or SS3).
int letter_key(unsigned char final) {
    switch (final) {
    case 'A': return KEY_CODE_UP;
    case 'B': return KEY_CODE_DOWN;
    case 'C': return KEY_CODE_RIGHT;
    case 'D': return KEY_CODE_LEFT;
    case 'H': return KEY_CODE_HOME;
    case 'F': return KEY_CODE_END;
    // F1-F4 come as SS3 P-S, and with a modifier as CSI 1;m P-S. CSI R is
    // also a cursor position report, but the game never asks for one.
    case 'P':
    case 'Q':
    case 'R':
    case 'S': return KEY_CODE_F1 + (final - 'P');
    default: return KEY_CODE_OTHER;
    }
}

// The key of a CSI n ~ sequence (VT220 editing and function keys).
int tilde_key(long number) {
    switch (number) {
    case 1:
    case 7: return KEY_CODE_HOME;
    case 2: return KEY_CODE_INSERT;
    case 3: return KEY_CODE_DELETE;
    case 4:
    case 8: return KEY_CODE_END;
    case 5: return KEY_CODE_PAGE_UP;
    case 6: return KEY_CODE_PAGE_DOWN;
    case 11: case 12: case 13: case 14: case 15: return KEY_CODE_F1 + static_cast<int>(number - 11);
    case 17: case 18: case 19: case 20: case 21: return KEY_CODE_F1 + 5 + static_cast<int>(number - 17);
    case 23: return KEY_CODE_F1 + 10;
    case 24: return KEY_CODE_F1 + 11;
    default: return KEY_CODE_OTHER;
    }
}

// A decimal parameter, or -1 if it is empty, not all digits or past 16
// bits: a mouse report with such a number is garbage, whatever its length.
long parse_number(std::string_view digits) {
    if (digits.empty()) return -1;
    long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > 0xffff) return -1;
    }
    return value;
}

}  // namespace

void InputDecoder::feed(const char* bytes, std::size_t count, std::vector<ConsoleEvent>& out) {
    if (count == 0) return;
    if (kept.empty()) {
        const std::size_t taken = decode_all(reinterpret_cast<const unsigned char*>(bytes), count, out);
        kept.assign(bytes + taken, count - taken);
        return;
    }
    kept.append(bytes, count);
    const std::size_t taken =
        decode_all(reinterpret_cast<const unsigned char*>(kept.data()), kept.size(), out);
    kept.erase(0, taken);
    // What is left is one unfinished unit, under MAX_SEQUENCE bytes; do not
    // hold on to the room a large read needed.
    if (kept.capacity() > 4 * MAX_SEQUENCE) kept.shrink_to_fit();
}

void InputDecoder::flush_pending(std::vector<ConsoleEvent>& out) {
    while (!kept.empty()) {
        const std::size_t taken =
            decode_all(reinterpret_cast<const unsigned char*>(kept.data()), kept.size(), out);
        kept.erase(0, taken);
        if (kept.empty()) break;
        // Unfinished and nothing more is coming: an escape sequence was
        // really the Escape key followed by keys, a cut-off character is one
        // unknown character.
        if (static_cast<unsigned char>(kept[0]) == ESC) {
            out.push_back(escape_key());
            kept.erase(0, 1);
        } else {
            out.push_back(key_press('?'));
            kept.clear();
        }
    }
}

std::size_t InputDecoder::decode_all(const unsigned char* bytes, std::size_t count,
                                     std::vector<ConsoleEvent>& out) {
    std::size_t done = 0;
    while (done < count) {
        const std::size_t taken = decode_unit(bytes + done, count - done, out);
        if (taken == 0) break;
        done += taken;
    }
    return done;
}

std::size_t InputDecoder::decode_unit(const unsigned char* bytes, std::size_t count,
                                      std::vector<ConsoleEvent>& out) {
    if (bytes[0] == ESC) return decode_escape(bytes, count, out);
    return decode_plain(bytes, count, out);
}

std::size_t InputDecoder::decode_escape(const unsigned char* bytes, std::size_t count,
                                        std::vector<ConsoleEvent>& out) {
    if (count < 2) return 0;
    const unsigned char next = bytes[1];
    if (next == ESC) {
        out.push_back(escape_key());
        return 1;
    }
    if (next == '[') {
        if (count < 3) return 0;
        return decode_csi(bytes, count, out);
    }
    if (next == 'O') {
        if (count < 3) return 0;
        if (!is_final_byte(bytes[2])) {
            // Not a key's sequence after all: the ESC was the Escape key.
            out.push_back(escape_key());
            return 1;
        }
        out.push_back(key_press(0, letter_key(bytes[2])));
        return 3;
    }
    // Alt with a key: the terminal sends ESC, then the key's own bytes. The
    // game has no use for Alt, so it is the key alone.
    const std::size_t taken = decode_plain(bytes + 1, count - 1, out);
    return taken == 0 ? 0 : taken + 1;
}

std::size_t InputDecoder::decode_csi(const unsigned char* bytes, std::size_t count,
                                     std::vector<ConsoleEvent>& out) {
    if (bytes[2] == 'M') {
        // X10 mouse report: three raw bytes, each offset by 32, coordinates
        // from 1. Anything below that is no position at all.
        if (count < 6) return 0;
        const unsigned code = bytes[3];
        const unsigned x = bytes[4];
        const unsigned y = bytes[5];
        if (code >= 32 && x > 32 && y > 32)
            mouse(code - 32, false, static_cast<int>(x) - 33, static_cast<int>(y) - 33, out);
        return 6;
    }
    std::size_t end = 2;
    while (end < count && end < MAX_SEQUENCE && !is_final_byte(bytes[end])) {
        if (!is_inner_byte(bytes[end])) {
            // A byte no control sequence holds: the ESC was the Escape key
            // and the rest are keys in their own right.
            out.push_back(escape_key());
            return 1;
        }
        ++end;
    }
    if (end == MAX_SEQUENCE) return MAX_SEQUENCE;  // garbage: drop it, start afresh
    if (end == count) return 0;

    const std::string_view params(reinterpret_cast<const char*>(bytes) + 2, end - 2);
    const unsigned char final = bytes[end];
    if (!params.empty() && params[0] == '<' && (final == 'M' || final == 'm')) {
        decode_sgr_mouse(params.substr(1), final == 'm', out);
        return end + 1;
    }
    int key = KEY_CODE_OTHER;
    // Keys carry only digits and semicolons; a private marker or an
    // intermediate byte makes it some other report. Modifiers (";5") are
    // ignored: the game reads no modified keys.
    if (params.find_first_not_of("0123456789;") == std::string_view::npos) {
        if (final == '~') {
            const long number = parse_number(params.substr(0, params.find(';')));
            if (number >= 0) key = tilde_key(number);
        } else {
            key = letter_key(final);
        }
    }
    out.push_back(key_press(0, key));
    return end + 1;
}

void InputDecoder::decode_sgr_mouse(std::string_view params, bool release,
                                    std::vector<ConsoleEvent>& out) {
    // Exactly "b;x;y"; anything else is a garbled report and yields nothing.
    long numbers[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t stop = i < 2 ? params.find(';', start) : params.size();
        if (stop == std::string_view::npos) return;
        numbers[i] = parse_number(params.substr(start, stop - start));
        if (numbers[i] < 0) return;
        start = stop + 1;
    }
    if (numbers[1] < 1 || numbers[2] < 1) return;
    mouse(static_cast<unsigned>(numbers[0]), release, static_cast<int>(numbers[1]) - 1,
          static_cast<int>(numbers[2]) - 1, out);
}

void InputDecoder::mouse(unsigned code, bool release, int x, int y, std::vector<ConsoleEvent>& out) {
    code &= ~(4u | 8u | 16u);  // shift, meta, ctrl: no screen reads modified clicks
    const bool motion = (code & 32u) != 0;
    code &= ~32u;

    if (code >= 64 && code <= 67) {
        // One notch is one event; a terminal that also reports a wheel
        // "release" must not scroll twice. The wheel holds nothing.
        if (release) return;
        const std::uint32_t direction = code % 2 == 0 ? WHEEL_FORWARD : WHEEL_BACKWARD;
        out.push_back(mouse_report(x, y, held | direction, code < 66 ? MOUSE_WHEELED : MOUSE_HWHEELED));
        return;
    }
    if (code > 3) {
        // Extra buttons (back, forward...) mean nothing to the game, but a
        // move with one held is still a move.
        if (motion && !release) out.push_back(mouse_report(x, y, held, MOUSE_MOVED));
        return;
    }

    static constexpr std::uint32_t BUTTON_BITS[3] = {LEFT_BUTTON, MIDDLE_BUTTON, RIGHT_BUTTON};
    if (code == 3) {
        // No button named: nothing is held (an X10 release, or a move with
        // no button down), which also clears a release lost elsewhere.
        held = 0;
    } else if (release) {
        held &= ~BUTTON_BITS[code];
        released |= BUTTON_BITS[code];
    } else if (motion && (released & BUTTON_BITS[code])) {
        // rxvt-unicode names the last button it saw in a move with none
        // down: after a left click every move looked like a drag, and a
        // right click then like both buttons at once.
    } else {
        // A press, or a move with that button down: so a press the window
        // never saw still shows as held.
        held |= BUTTON_BITS[code];
        if (!motion) released &= ~BUTTON_BITS[code];
    }
    out.push_back(mouse_report(x, y, held, motion && !release ? MOUSE_MOVED : 0));
}
