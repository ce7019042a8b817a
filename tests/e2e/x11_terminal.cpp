#include "e2e/x11_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "e2e/driver_support.h"
#include "platform/terminal/code_page_437.h"

// Last: Xlib's macros (None, Bool, Status) would reach into the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

using driver_support::Clock;
using driver_support::remaining_ms;

constexpr int COLUMNS = 80;
constexpr int ROWS = 25;
constexpr int START_MS = 60000;  // generous: an emulator starting on a busy machine
constexpr int POLL_MS = 100;
constexpr int STOP_MS = 3000;
// A player's hand rests a moment between moving the pointer and pressing a
// button, and again before letting go: the game takes what comes within
// a few ms as one arrival, and a person's movement and click are tens of ms
// apart, so each reaches it as an arrival of its own.
constexpr auto HAND_PAUSE = std::chrono::milliseconds(50);
// The calibration screen: markers in the first and the last cell, the 16
// colours on row 1 and every glyph of the game's character set, white on
// black, from row 3 on.
constexpr int PALETTE_ROW = 1;
constexpr int GLYPH_ROW = 3;
constexpr int MARKER_SGR = 105;
// A blank between glyphs: some emulators' glyphs reach a pixel into the next cell.
constexpr int GLYPHS_PER_ROW = 40;
// The classic console colours, for a program that sends them as RGB.
constexpr uint32_t CLASSIC[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                                  0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// The shell around the program: records COLORTERM, shows the calibration
// screen until the test has measured it, records the settings, runs the
// program, records what it left behind, and puts the cursor at a known
// cell. INT and QUIT reach the program alone; the shell waits it out.
constexpr const char* RUN_SCRIPT = R"(folder=$1; shift
trap : INT QUIT
printf '%s' "${COLORTERM:-}" > "$folder/colorterm"
cat "$folder/calibration"
n=0; while [ ! -e "$folder/go" ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done
# Just before the game: a VTE terminal sets iutf8 on its side of the pty
# some time after it starts the shell.
stty -a > "$folder/before"
printf '\033[?25h'
( "$@" ); echo $? > "$folder/status.part"
stty -a > "$folder/after"
printf '\033[13;41H'
mv "$folder/status.part" "$folder/status"
sleep 120
)";

// No antialiasing, for every emulator that asks fontconfig.
constexpr const char* FONTS_CONF = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font">
    <edit name="antialias" mode="assign"><bool>false</bool></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
  </match>
</fontconfig>
)";

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string utf8(char32_t c) {
    std::string out;
    driver_support::append_utf8(out, c);
    return out;
}

// The glyphs of the calibration screen: every code page 437 glyph but the
// blanks, ASCII first so a shape two glyphs share reads as the plain one.
std::vector<char32_t> calibration_glyphs() {
    std::vector<char32_t> glyphs;
    for (int code = 33; code < 127; ++code) glyphs.push_back(cp437_to_unicode(static_cast<unsigned char>(code)));
    for (int code = 1; code < 256; ++code) {
        const char32_t c = cp437_to_unicode(static_cast<unsigned char>(code));
        if (c <= 0x20 || c == 0xA0 || std::find(glyphs.begin(), glyphs.end(), c) != glyphs.end()) continue;
        glyphs.push_back(c);
    }
    return glyphs;
}

std::string calibration_bytes() {
    std::string out = "\033[?25l\033[H\033[2J\033[" + std::to_string(MARKER_SGR) + "m \033[0m";
    out += "\033[" + std::to_string(PALETTE_ROW + 1) + ";1H";
    for (int i = 0; i < 16; ++i) out += "\033[" + std::to_string(i < 8 ? 40 + i : 92 + i) + "m ";
    const std::vector<char32_t> glyphs = calibration_glyphs();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (i % GLYPHS_PER_ROW == 0)
            out += "\033[0m\033[" + std::to_string(GLYPH_ROW + 1 + i / GLYPHS_PER_ROW) + ";1H\033[97;40m";
        out += utf8(glyphs[i]) + " ";
    }
    out += "\033[0m\033[25;80H\033[" + std::to_string(MARKER_SGR) + "m \033[0m\033[13;1H";
    return out;
}

// In a session of its own, so its whole group can be stopped by its PID.
ChildLaunch in_session(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       const std::string& log) {
    return {.argv = argv, .environment = env, .log = log, .own_session = true};
}

// A colour by how often it fills the cell, most first.
std::vector<std::pair<uint32_t, int>> colours_by_count(const std::vector<uint32_t>& pixels) {
    std::map<uint32_t, int> counts;
    for (uint32_t p : pixels) ++counts[p];
    std::vector<std::pair<uint32_t, int>> sorted(counts.begin(), counts.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    return sorted;
}

std::vector<bool> ink_of(const std::vector<uint32_t>& pixels, uint32_t background) {
    std::vector<bool> ink(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) ink[i] = pixels[i] != background;
    return ink;
}

// The share of ink in a pixel blended between ink and paper, 0 to 255,
// measured on the channel where they differ most.
uint8_t ink_share(uint32_t pixel, uint32_t ink, uint32_t paper) {
    int best = 0;
    int share = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int i = static_cast<int>(ink >> shift & 0xFF), p = static_cast<int>(paper >> shift & 0xFF);
        const int v = static_cast<int>(pixel >> shift & 0xFF);
        if (std::abs(i - p) > best) {
            best = std::abs(i - p);
            share = std::clamp((v - p) * 255 / (i - p), 0, 255);
        }
    }
    return static_cast<uint8_t>(share);
}

// A channel brought to 8 bits, whatever the visual's layout.
uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

// A screenshot's pixel as 0xRRGGBB.
uint32_t rgb(XImage* image, int x, int y) {
    const unsigned long pixel = XGetPixel(image, x, y);
    return channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
           channel(pixel, image->blue_mask);
}

uint32_t mix(uint32_t ink, uint32_t paper, int alpha) {
    if (alpha == 0) return paper;
    if (alpha == 255) return ink;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int i = static_cast<int>(ink >> shift & 0xFF), p = static_cast<int>(paper >> shift & 0xFF);
        out |= static_cast<uint32_t>(p + (i - p) * alpha / 255) << shift;
    }
    return out;
}

}  // namespace

bool close_to(uint32_t a, uint32_t b) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > 4) return false;
    return true;
}

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string xdg_folder(const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    mkdir(path.c_str(), 0700);
    return path;
}

// --- reading a screenshot ---------------------------------------------------

X11Screen::X11Screen(std::shared_ptr<_XImage> shot, const CellGrid& measured)
    : image(std::move(shot)), grid(&measured), cells(COLUMNS * ROWS), read(COLUMNS * ROWS) {}

// Read when first asked for: most waits look at a few cells only.
const X11Cell& X11Screen::cell(int x, int y) const {
    if (read[index(x, y)]) return cells[index(x, y)];
    read[index(x, y)] = true;
    const std::vector<uint32_t> pixels = cell_pixels(x, y);
    const auto colours = colours_by_count(pixels);
    X11Cell& c = cells[index(x, y)];
    c.bg = colours[0].first;
    c.fg = c.bg;
    // The ink is the colour farthest from the paper: a smoothed glyph's
    // edges are blends of the two.
    int farthest = 0;
    for (const auto& [colour, count] : colours) {
        int distance = 0;
        for (int shift = 0; shift <= 16; shift += 8)
            distance += std::abs(static_cast<int>(colour >> shift & 0xFF) - static_cast<int>(c.bg >> shift & 0xFF));
        if (distance > farthest) {
            farthest = distance;
            c.fg = colour;
        }
    }
    if (colours.size() == 1) {
        c.glyph = U' ';
        return c;
    }
    // A glyph with more ink than paper reads the other way round; a pixel
    // or two of a neighbour reaching in is forgiven.
    int best = static_cast<int>(pixels.size()) / 20 + 1;
    int best_turn = 0;
    for (int turn = 0; turn < 2 && best > 0; ++turn) {
        const std::vector<bool> ink = ink_of(pixels, turn == 0 ? c.bg : c.fg);
        const auto exact = grid->glyph_of_shape.find(ink);
        if (exact != grid->glyph_of_shape.end()) {
            c.glyph = exact->second;
            best = 0;
            best_turn = turn;
            break;
        }
        for (const auto& [shape, glyph] : grid->glyph_of_shape) {
            int distance = 0;
            for (size_t i = 0; i < ink.size() && distance < best; ++i) distance += ink[i] != shape[i];
            if (distance < best) {
                best = distance;
                best_turn = turn;
                c.glyph = glyph;
            }
        }
    }
    if (best_turn == 1) std::swap(c.fg, c.bg);
    return c;
}

std::vector<uint32_t> X11Screen::cell_pixels(int x, int y) const {
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(grid->width) * grid->height);
    for (int py = 0; py < grid->height; ++py)
        for (int px = 0; px < grid->width; ++px)
            pixels.push_back(rgb(image.get(), grid->left + x * grid->width + px, grid->top + y * grid->height + py));
    return pixels;
}

std::string X11Screen::text_at(int x, int y, int length) const {
    std::string text;
    for (int i = 0; i < length && x + i < COLUMNS; ++i) {
        const char32_t c = glyph_at(x + i, y);
        driver_support::append_utf8(text, c == 0 ? U'?' : c);
    }
    return text;
}

bool X11Screen::contains(std::string_view text) const {
    for (int y = 0; y < ROWS; ++y)
        if (text_at(0, y, COLUMNS).find(text) != std::string::npos) return true;
    return false;
}

std::string X11Screen::dump() const {
    std::string out;
    for (int y = 0; y < ROWS; ++y) {
        char number[8];
        std::snprintf(number, sizeof number, "%2d|", y);
        out += number + text_at(0, y, COLUMNS) + "|\n";
    }
    return out;
}

int X11Screen::differing_pixels(int x, int y, char32_t glyph, uint32_t fg, uint32_t bg) const {
    const std::vector<uint32_t> pixels = cell_pixels(x, y);
    const auto shape = grid->shape_of_glyph.find(glyph);
    int differing = 0;
    const bool shade = glyph == U'░' || glyph == U'▒' || glyph == U'▓';
    if (shade && shape != grid->shape_of_glyph.end() &&
        std::find(grid->blended.begin(), grid->blended.end(), glyph) == grid->blended.end()) {
        // konsole fills the shades with a pattern laid from the window's
        // corner, so where the dots fall changes from row to row: about the
        // same share of ink, every pixel ink or paper.
        int ink = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            ink += close_to(pixels[i], fg) && !close_to(pixels[i], bg);
            differing += !close_to(pixels[i], fg) && !close_to(pixels[i], bg);
        }
        const int expected = static_cast<int>(std::count(shape->second.begin(), shape->second.end(), 255));
        return differing + (std::abs(ink - expected) > static_cast<int>(pixels.size()) / 32 ? std::abs(ink - expected) : 0);
    }
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int alpha = shape != grid->shape_of_glyph.end() ? shape->second[i] : 0;
        differing += !close_to(pixels[i], mix(fg, bg, alpha));
    }
    return differing;
}

int X11Screen::differing_pixels(const X11Screen& other, int x, int y) const {
    const std::vector<uint32_t> mine = cell_pixels(x, y);
    const std::vector<uint32_t> theirs = other.cell_pixels(x, y);
    int differing = 0;
    for (size_t i = 0; i < mine.size(); ++i) differing += mine[i] != theirs[i];
    return differing;
}

// --- the emulator on its display ---------------------------------------------

X11Terminal::X11Terminal(const Emulator& which, const std::vector<std::string>& program,
                         const std::string& working_directory,
                         const std::vector<std::pair<std::string, std::string>>& environment)
    : emulator(which) {
    char pattern[] = "/tmp/dunmar-x11-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        failure = "cannot make a directory for the run";
        return;
    }
    folder = pattern;
    if (!start_xvfb()) return;
    write_file(folder + "/run.sh", RUN_SCRIPT);
    write_file(folder + "/fonts.conf", FONTS_CONF);
    write_file(folder + "/calibration", calibration_bytes());

    // The program starts in its working directory with the test's
    // environment, whatever the emulator itself was given.
    std::vector<std::string> command = {"env", "-C", working_directory.empty() ? "." : working_directory};
    for (const auto& [name, value] : environment) command.push_back(name + "=" + value);
    command.insert(command.end(), {"sh", folder + "/run.sh", folder});
    command.insert(command.end(), program.begin(), program.end());

    std::vector<std::pair<std::string, std::string>> extra = emulator.environment;
    extra.insert(extra.end(), {{"FONTCONFIG_FILE", folder + "/fonts.conf"},
                               {"HOME", xdg_folder(folder, "home")},
                               {"XDG_CONFIG_HOME", folder + "/config"},
                               {"XDG_RUNTIME_DIR", xdg_folder(folder, "runtime")},
                               {"SCREENDIR", xdg_folder(folder, "screens")}});
    xdg_folder(folder, "config");
    terminal =
        ChildProcess(in_session(emulator.argv(folder, command), environment_for(extra), folder + "/emulator.log"));
    if (!terminal.started()) {
        failure = "cannot start " + emulator.name + " (" + terminal.error() + ")";
        return;
    }
    if (!calibrate(START_MS)) return;
    colour_term = read_file(folder + "/colorterm").value_or("");
    write_file(folder + "/go", "");
}

X11Terminal::~X11Terminal() {
    if (emulator.stop && !folder.empty()) {
        const auto env = environment_for({{"SCREENDIR", folder + "/screens"}});
        ChildProcess(in_session(emulator.stop(folder), env, "/dev/null")).wait(STOP_MS);
    }
    terminal.stop(STOP_MS);
    if (server != nullptr) XCloseDisplay(server);
    xvfb.stop(STOP_MS);
    if (!folder.empty()) std::system(("rm -rf '" + folder + "'").c_str());
}

std::vector<std::string> X11Terminal::environment_for(
    const std::vector<std::pair<std::string, std::string>>& extra) const {
    std::vector<std::pair<std::string, std::string>> set = {{"DISPLAY", display}, {"LANG", "C.UTF-8"}};
    set.insert(set.end(), extra.begin(), extra.end());
    return environment_with(set, {"TMUX", "TMUX_PANE", "STY", "COLORTERM", "TERM", "DBUS_SESSION_BUS_ADDRESS", "LC_*",
                                  "COLUMNS", "LINES"});
}

bool X11Terminal::start_xvfb() {
    int fds[2];
    if (pipe(fds) != 0) {
        failure = "cannot make a pipe for Xvfb";
        return false;
    }
    const std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                                           "-br", "-nolisten", "tcp", "-nolisten", "unix", "-noreset"};
    // Xvfb keeps the writing end through the exec, the reading end is ours.
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string log = folder + "/xvfb.log";
    xvfb = ChildProcess(in_session(argv, environment_for({}), log));
    close(fds[1]);
    std::string number;
    const auto deadline = Clock::now() + std::chrono::milliseconds(START_MS);
    pollfd pfd = {fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && remaining_ms(deadline) > 0) {
        if (poll(&pfd, 1, remaining_ms(deadline)) <= 0) break;
        char buffer[16];
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        number.append(buffer, static_cast<size_t>(count));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        failure = "Xvfb did not start: " + read_file(log).value_or("");
        return false;
    }
    // Only the local socket (-nolisten unix leaves the abstract one).
    display = ":" + number.substr(0, number.find('\n'));
    // A request the server refuses is an empty answer (no screenshot, a
    // key it has no code for), not the end of the test run.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    server = XOpenDisplay(display.c_str());
    int event = 0, error = 0, major = 0, minor = 0;
    if (server == nullptr || !XTestQueryExtension(server, &event, &error, &major, &minor)) {
        failure = "cannot connect to Xvfb on " + display + " with XTEST";
        return false;
    }
    return true;
}

std::shared_ptr<_XImage> X11Terminal::screenshot(int width, int height) {
    XImage* image = XGetImage(server, DefaultRootWindow(server), 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return nullptr;
    return std::shared_ptr<_XImage>(image, [](XImage* i) { XDestroyImage(i); });
}

std::optional<X11Screen> X11Terminal::capture() {
    if (!failure.empty() || cells.width == 0) return std::nullopt;
    auto image = screenshot(cells.left + COLUMNS * cells.width, cells.top + ROWS * cells.height);
    if (!image) return std::nullopt;
    return X11Screen(std::move(image), cells);
}

// Finds the two marker cells: the one colour whose pixels span a whole
// number of cells, 80 across and 25 down, with the first and last cells
// filled. Then reads the palette and the glyphs' shapes.
bool X11Terminal::calibrate(int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string why = "no screenshot";
    while (remaining_ms(deadline) > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        const auto image = screenshot(DisplayWidth(server, DefaultScreen(server)),
                                      DisplayHeight(server, DefaultScreen(server)));
        if (!image) continue;
        const auto pixel = [&](int x, int y) { return rgb(image.get(), x, y); };
        struct Box {
            int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
        };
        std::map<uint32_t, Box> boxes;
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                Box& b = boxes[pixel(x, y)];
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
            }
        }
        why = "no marker cells";
        for (const auto& [colour, b] : boxes) {
            const int w = b.right - b.left + 1;
            const int h = b.bottom - b.top + 1;
            if (w % COLUMNS != 0 || h % ROWS != 0 || w / COLUMNS < 4 || h / ROWS < 6) continue;
            CellGrid grid;
            grid.left = b.left;
            grid.top = b.top;
            grid.width = w / COLUMNS;
            grid.height = h / ROWS;
            bool filled = true;
            for (int py = 0; py < grid.height && filled; ++py)
                for (int px = 0; px < grid.width && filled; ++px)
                    filled = pixel(b.left + px, b.top + py) == colour &&
                             pixel(b.right - px, b.bottom - py) == colour;
            if (!filled) continue;
            for (int i = 0; i < 16; ++i)
                grid.palette[i] = pixel(grid.left + i * grid.width + grid.width / 2,
                                        grid.top + PALETTE_ROW * grid.height + grid.height / 2);
            const std::vector<char32_t> glyphs = calibration_glyphs();
            cells = grid;
            const uint32_t ink = grid.palette[15];
            const uint32_t paper = grid.palette[0];
            for (size_t i = 0; i < glyphs.size(); ++i) {
                const int x = static_cast<int>(i % GLYPHS_PER_ROW) * 2;
                const int y = GLYPH_ROW + static_cast<int>(i / GLYPHS_PER_ROW);
                std::vector<bool> shape(static_cast<size_t>(grid.width) * grid.height);
                std::vector<uint8_t> alpha(shape.size());
                bool blend = false;
                for (int py = 0; py < grid.height; ++py) {
                    for (int px = 0; px < grid.width; ++px) {
                        const uint32_t p = pixel(grid.left + x * grid.width + px, grid.top + y * grid.height + py);
                        const size_t at = static_cast<size_t>(py) * grid.width + px;
                        shape[at] = p != paper;
                        alpha[at] = p == paper ? 0 : p == ink ? 255 : ink_share(p, ink, paper);
                        blend = blend || (p != paper && p != ink);
                    }
                }
                if (blend) cells.blended.push_back(glyphs[i]);
                cells.shape_of_glyph[glyphs[i]] = alpha;
                cells.glyph_of_shape.emplace(shape, glyphs[i]);
            }
            // A few glyphs drawn blended are the emulator's own; many mean the font is smoothed.
            if (cells.blended.size() > 8 && !emulator.smooth_font) {
                why = "glyphs with pixels neither ink nor paper: the font is antialiased";
                break;
            }
            cells.shape_of_glyph[U' '] = std::vector<uint8_t>(static_cast<size_t>(grid.width) * grid.height);
            calibration = X11Screen(image, cells);
            return true;
        }
    }
    cells = CellGrid{};
    failure = emulator.name + ": the calibration screen was not found (" + why + "); its log: " +
              read_file(folder + "/emulator.log").value_or("");
    return false;
}

uint32_t X11Terminal::console_colour(int colour) const {
    if (colour_term == "truecolor" || colour_term == "24bit") return CLASSIC[colour];
    // The console's blue is bit 0, ANSI's is bit 2.
    const int ansi = (colour & 8) | (colour & 1) << 2 | (colour & 2) | (colour & 4) >> 2;
    return cells.palette[ansi];
}

bool X11Terminal::wait_for(const std::function<bool(const X11Screen&)>& ready, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    bool held = false;
    while (true) {
        auto now = capture();
        if (now) {
            last = std::move(*now);
            if (ready(last)) {
                if (held) return true;
                held = true;
                continue;
            }
            held = false;
        }
        if (remaining_ms(deadline) == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
}

// Each event reaches the server before the call returns: what the test
// waits for next is its effect.
void X11Terminal::move(int x, int y) {
    XTestFakeMotionEvent(server, DefaultScreen(server), cells.left + x * cells.width + cells.width / 2,
                         cells.top + y * cells.height + cells.height / 2, CurrentTime);
    XSync(server, False);
}

void X11Terminal::click(int x, int y, int button) {
    move(x, y);
    std::this_thread::sleep_for(HAND_PAUSE);
    std::this_thread::sleep_until(last_press + std::chrono::milliseconds(emulator.press_interval_ms));
    XTestFakeButtonEvent(server, static_cast<unsigned>(button), True, CurrentTime);
    XSync(server, False);
    last_press = Clock::now();
    std::this_thread::sleep_for(HAND_PAUSE);
    XTestFakeButtonEvent(server, static_cast<unsigned>(button), False, CurrentTime);
    XSync(server, False);
}

// The keys of a chord held down in order and let go the other way round.
void X11Terminal::key(const std::string& name) {
    std::vector<unsigned> codes;
    for (size_t start = 0; start <= name.size();) {
        const size_t end = std::min(name.find('+', start), name.size());
        std::string part = name.substr(start, end - start);
        if (part == "ctrl") part = "Control_L";
        codes.push_back(XKeysymToKeycode(server, XStringToKeysym(part.c_str())));
        start = end + 1;
    }
    for (unsigned code : codes) XTestFakeKeyEvent(server, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) XTestFakeKeyEvent(server, *code, False, CurrentTime);
    XSync(server, False);
}

std::optional<X11RunEnd> X11Terminal::wait_exit(int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (remaining_ms(deadline) > 0) {
        const auto status = read_file(folder + "/status");
        if (status && !status->empty()) {
            X11RunEnd end;
            end.exit_code = std::atoi(status->c_str());
            end.settings_before = read_file(folder + "/before").value_or("");
            end.settings_after = read_file(folder + "/after").value_or("");
            return end;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
    return std::nullopt;
}
