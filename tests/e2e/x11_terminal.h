// Real terminal emulators for end-to-end tests: each on an Xvfb display of
// its own, driven by the genuine X pointer and keyboard (XTEST) and read
// back from screenshots (XGetImage), pixel by pixel. The font is
// DejaVu Sans Mono without antialiasing, so every pixel of a cell is its
// foreground or its background; the cell grid, the emulator's palette and
// the shape of every glyph are measured from a calibration screen the run
// prints before the program starts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "e2e/child_process.h"

// Xlib's own types, its header kept out of the tests (it defines None,
// Bool and Status as macros).
struct _XDisplay;
struct _XImage;

// How to start one emulator at 80 x 25 running a command. `folder` is the
// run's own directory, for configuration files and sockets.
struct Emulator {
    std::string name;
    bool heavy = false;  // run only when DUNMAR_ALL_TERMINALS=1
    std::function<std::vector<std::string>(const std::string& folder, const std::vector<std::string>& command)> argv;
    std::vector<std::pair<std::string, std::string>> environment;
    // Stops what outlives the emulator's window (a tmux or screen server).
    std::function<std::vector<std::string>(const std::string& folder)> stop;
    // Smooths its glyphs whatever fontconfig says: ink blends into paper
    // at the edges, and the checks go by the blend.
    bool smooth_font = false;
    // The least time from one button press to the next that it passes on.
    int press_interval_ms = 0;
};

const std::vector<Emulator>& emulators();
const Emulator* find_emulator(std::string_view name);

// For the files of a run's folder: one written whole, and a folder made in
// it if need be (its path).
void write_file(const std::string& path, const std::string& text);
std::string xdg_folder(const std::string& folder, const std::string& name);

// Colours as one where each channel is within a few steps: blends are
// rounded each emulator its own way, and a smoothed glyph's strokes may
// never reach the full ink.
bool close_to(uint32_t a, uint32_t b);

// What the calibration screen taught about the emulator.
struct CellGrid {
    int left = 0;
    int top = 0;
    int width = 0;   // of one cell, in pixels
    int height = 0;
    uint32_t palette[16] = {};             // SGR colours 30-37 and 90-97, as 0xRRGGBB
    std::map<std::vector<bool>, char32_t> glyph_of_shape;  // the pixels of a glyph, set where its ink is
    // How much ink each pixel has, 0 to 255: some emulators draw the shade
    // glyphs themselves as flat blocks of a colour between ink and paper.
    std::map<char32_t, std::vector<uint8_t>> shape_of_glyph;
    std::vector<char32_t> blended;  // the glyphs drawn so
};

struct X11Cell {
    char32_t glyph = 0;  // 0: a shape no glyph of the calibration has
    uint32_t fg = 0;     // the ink, or the background where there is none
    uint32_t bg = 0;
};

// One screenshot read cell by cell.
class X11Screen {
public:
    X11Screen() = default;
    X11Screen(std::shared_ptr<_XImage> image, const CellGrid& grid);

    char32_t glyph_at(int x, int y) const { return cell(x, y).glyph; }
    uint32_t fg_at(int x, int y) const { return cell(x, y).fg; }
    uint32_t bg_at(int x, int y) const { return cell(x, y).bg; }
    std::string text_at(int x, int y, int length) const;  // unknown shapes as '?'
    bool contains(std::string_view text) const;
    std::string dump() const;
    // Pixels of the cell that differ from the glyph drawn in those colours
    // the way the calibration screen drew it; 0 for a perfect match.
    int differing_pixels(int x, int y, char32_t glyph, uint32_t fg, uint32_t bg) const;
    // Pixels of the cell that differ between two screenshots.
    int differing_pixels(const X11Screen& other, int x, int y) const;

private:
    static int index(int x, int y) { return y * 80 + x; }
    std::vector<uint32_t> cell_pixels(int x, int y) const;
    const X11Cell& cell(int x, int y) const;

    std::shared_ptr<_XImage> image;
    const CellGrid* grid = nullptr;
    mutable std::vector<X11Cell> cells;
    mutable std::vector<bool> read;
};

// What the run's small shell recorded around the program.
struct X11RunEnd {
    std::string settings_before;  // `stty -a`
    std::string settings_after;
    int exit_code = -1;           // the shell's $?
};

// An emulator on its own Xvfb display, running `program` inside a small
// shell that records `stty -a` before and after it and its exit status.
// Nothing is started twice and everything is stopped by its PID on
// destruction: the emulator's process group, its server if it has one,
// and Xvfb.
class X11Terminal {
public:
    X11Terminal(const Emulator& emulator, const std::vector<std::string>& program, const std::string& working_directory,
                const std::vector<std::pair<std::string, std::string>>& environment);
    ~X11Terminal();
    X11Terminal(const X11Terminal&) = delete;
    X11Terminal& operator=(const X11Terminal&) = delete;

    bool started() const { return failure.empty(); }
    const std::string& error() const { return failure; }
    const CellGrid& grid() const { return cells; }
    // COLORTERM as the program saw it: the emulator may set it itself.
    const std::string& colorterm() const { return colour_term; }
    // The colour the program's console colour (0-15, blue is 1) should
    // show as: the classic RGB where the program was told the emulator takes
    // 24-bit colour, the emulator's own palette entry elsewhere.
    uint32_t console_colour(int colour) const;

    std::optional<X11Screen> capture();
    // Polls screenshots until the predicate holds on two in a row.
    bool wait_for(const std::function<bool(const X11Screen&)>& ready, int timeout_ms);
    const X11Screen& screen() const { return last; }
    // The calibration screen, as the program found it.
    const X11Screen& calibration_screen() const { return calibration; }

    // The genuine pointer, at the centre of a cell.
    void move(int x, int y);
    // A player's click, buttons 1 left, 3 right: the pointer first, then the
    // button, a moment apart, and no sooner after the last press than the
    // emulator passes it on.
    void click(int x, int y, int button = 1);
    // A key by its X name ("space", "ctrl+c"), to the window under the
    // pointer: with no window manager the focus follows it.
    void key(const std::string& name);

    // Once the program has ended: what the shell recorded, or nothing on timeout.
    std::optional<X11RunEnd> wait_exit(int timeout_ms);
    // After the program ended, the shell puts the cursor at this cell.
    static constexpr int CURSOR_X = 40;
    static constexpr int CURSOR_Y = 12;

private:
    bool start_xvfb();
    bool calibrate(int timeout_ms);
    // The screen's top left corner, as the server has it.
    std::shared_ptr<_XImage> screenshot(int width, int height);
    std::vector<std::string> environment_for(const std::vector<std::pair<std::string, std::string>>& extra) const;

    const Emulator& emulator;
    std::string folder;
    std::string display;
    ChildProcess xvfb;
    _XDisplay* server = nullptr;  // our own connection, for screenshots and XTEST
    std::chrono::steady_clock::time_point last_press;
    ChildProcess terminal;
    std::string failure;
    std::string colour_term;
    CellGrid cells;
    X11Screen calibration;
    X11Screen last;
};
