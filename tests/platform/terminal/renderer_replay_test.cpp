// The renderer's bytes played into an in-memory terminal (libvterm), frame
// by frame, for every screen sequence the terminal benchmarks measure and in
// both colour modes: after each frame every cell shows what the frame holds,
// so no byte the renderer saves can leave a wrong cell on the player's
// screen. Once more with the screen set in the middle of a larger terminal,
// where no byte may touch the margins.
#include <gtest/gtest.h>
#include <vterm.h>

#include <string>
#include <vector>

#include "platform/terminal/code_page_437.h"
#include "platform/terminal/renderer.h"
#include "screen_sequences.h"

namespace {

const std::vector<ScreenSequence>& sequences() {
    static const std::vector<ScreenSequence> all = screen_sequences();
    return all;
}

class MemoryTerminal {
public:
    MemoryTerminal(int columns, int rows) : vt(vterm_new(rows, columns)) {
        vterm_set_utf8(vt, 1);
        screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
    }
    ~MemoryTerminal() { vterm_free(vt); }
    MemoryTerminal(const MemoryTerminal&) = delete;
    MemoryTerminal& operator=(const MemoryTerminal&) = delete;

    void feed(const std::string& bytes) { vterm_input_write(vt, bytes.data(), bytes.size()); }

    VTermScreenCell cell(int x, int y) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen, VTermPos{y, x}, &c);
        return c;
    }

private:
    VTerm* vt;
    VTermScreen* screen;
};

bool is_blank(unsigned char ch) { return ch == ' ' || ch == 0 || ch == 255; }

// The colour the terminal should hold for a console colour: the ANSI
// index (the console's blue and red bits swapped) or the classic RGB.
bool colour_matches(const VTermColor& got, int console_colour, ColourMode mode) {
    if (mode == ColourMode::standard16) {
        const int ansi = ((console_colour & 1) << 2) | (console_colour & 2) | ((console_colour & 4) >> 2) |
                         (console_colour & 8);
        return VTERM_COLOR_IS_INDEXED(&got) && got.indexed.idx == ansi;
    }
    const unsigned rgb = console_rgb(console_colour);
    return VTERM_COLOR_IS_RGB(&got) && !VTERM_COLOR_IS_DEFAULT_FG(&got) && !VTERM_COLOR_IS_DEFAULT_BG(&got) &&
           got.rgb.red == (rgb >> 16) && got.rgb.green == ((rgb >> 8) & 0xff) && got.rgb.blue == (rgb & 0xff);
}

// What is wrong with the terminal's cell, or nothing. A blank shows only
// its background, in any blank glyph.
std::string cell_fault(const VTermScreenCell& got, const Cell& wanted, ColourMode mode) {
    const uint32_t glyph = got.chars[0];
    if (is_blank(wanted.ch)) {
        if (glyph != 0 && glyph != U' ' && glyph != 0xA0) return "a glyph where a blank belongs";
    } else {
        if (glyph != cp437_to_unicode(wanted.ch) || got.chars[1] != 0) return "the wrong glyph";
        if (!colour_matches(got.fg, wanted.attr & 15, mode)) return "the wrong foreground";
    }
    if (got.width != 1) return "a double-width cell";
    if (!colour_matches(got.bg, wanted.attr >> 4, mode)) return "the wrong background";
    return {};
}

struct Replay {
    ColourMode mode;
    int origin_x;  // where the screen sits on a terminal this much larger on each side
    int origin_y;
};

class RendererReplay : public ::testing::TestWithParam<Replay> {};

TEST_P(RendererReplay, EveryFrameShowsExactlyItsCells) {
    const auto [mode, origin_x, origin_y] = GetParam();
    const int columns = SCREEN_WIDTH + 2 * origin_x + 1, rows = SCREEN_HEIGHT + 2 * origin_y + 1;
    for (const ScreenSequence& seq : sequences()) {
        MemoryTerminal terminal(columns, rows);
        ShownScreen shown;
        shown.origin_x = origin_x;
        shown.origin_y = origin_y;
        for (std::size_t f = 0; f < seq.frames.size(); ++f) {
            std::string bytes;
            render_changes(seq.frames[f], shown, bytes, mode);
            terminal.feed(bytes);
            int faults = 0;
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < columns; ++x) {
                    const int sx = x - origin_x, sy = y - origin_y;
                    const bool inside = sx >= 0 && sx < SCREEN_WIDTH && sy >= 0 && sy < SCREEN_HEIGHT;
                    const std::string fault = inside ? cell_fault(terminal.cell(x, y), seq.frames[f].at(sx, sy), mode)
                                              : terminal.cell(x, y).chars[0] != 0 ? "a glyph in the margin"
                                                                                   : "";
                    if (fault.empty()) continue;
                    if (++faults <= 3)
                        ADD_FAILURE() << seq.name << ", frame " << f << ": terminal cell (" << x << ", " << y
                                      << ") shows " << fault;
                }
            if (faults > 0) break;  // later frames build on this one
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Terminal, RendererReplay,
                         ::testing::Values(Replay{ColourMode::standard16, 0, 0}, Replay{ColourMode::rgb, 0, 0},
                                           Replay{ColourMode::standard16, 8, 2}),
                         [](const ::testing::TestParamInfo<Replay>& info) {
                             return std::string(info.param.mode == ColourMode::rgb ? "Rgb" : "Standard16") +
                                    (info.param.origin_x ? "Centred" : "");
                         });

}  // namespace
