#include "floor_costs.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

int digits(int n) { return n >= 10 ? 2 : 1; }

// ESC [ n X, with n left out when it is 1.
int step_cost(int n) { return n == 1 ? 3 : 3 + digits(n); }

int cup_cost(int x, int y) {
    if (x == 0) return y == 0 ? 3 : 3 + digits(y + 1);
    return 4 + digits(y + 1) + digits(x + 1);
}

template <std::size_t N>
void shortest_paths(std::array<std::array<int, N>, N>& d) {
    for (std::size_t k = 0; k < N; ++k)
        for (std::size_t i = 0; i < N; ++i)
            for (std::size_t j = 0; j < N; ++j) d[i][j] = std::min(d[i][j], d[i][k] + d[k][j]);
}

int parameter_length(int colour, bool background, ColourMode mode) {
    if (mode == ColourMode::standard16)
        return static_cast<int>(std::to_string(background ? sgr_background(colour) : sgr_foreground(colour)).size());
    const unsigned rgb = console_rgb(colour);
    return static_cast<int>(std::string("38;2;").size() + std::to_string(rgb >> 16).size() + 1 +
                            std::to_string((rgb >> 8) & 0xff).size() + 1 + std::to_string(rgb & 0xff).size());
}

}  // namespace

CursorMoves::CursorMoves() {
    for (int a = 0; a < SCREEN_WIDTH; ++a)
        for (int b = 0; b < SCREEN_WIDTH; ++b) {
            int cost = a == b ? 0 : step_cost(std::abs(a - b));
            if (b == 0 || b == a - 1) cost = std::min(cost, 1);  // CR, BS
            across[a][b] = cost;
        }
    for (int a = 0; a < SCREEN_HEIGHT; ++a)
        for (int b = 0; b < SCREEN_HEIGHT; ++b) {
            int cost = a == b ? 0 : step_cost(std::abs(a - b));
            if (b == a + 1) cost = 1;  // LF
            down[a][b] = cost;
        }
    shortest_paths(across);
    shortest_paths(down);
    for (int t = 0; t < SCREEN_CELLS; ++t) {
        const int tx = t % SCREEN_WIDTH, ty = t / SCREEN_WIDTH;
        int best = NEVER;
        for (int u = 0; u < SCREEN_CELLS; ++u) {
            const int ux = u % SCREEN_WIDTH, uy = u / SCREEN_WIDTH;
            best = std::min(best, cup_cost(ux, uy) + across[ux][tx] + down[uy][ty]);
        }
        absolute[t] = best;
        dearest_cup = std::max(dearest_cup, cup_cost(tx, ty));
    }
}

int CursorMoves::to(int from, int cell) const {
    const int x = cell % SCREEN_WIDTH, y = cell / SCREEN_WIDTH;
    if (is_waiting(from)) return std::min(absolute[cell], 1 + across[0][x] + down[from - SCREEN_CELLS][y]);
    return std::min(absolute[cell], across[from % SCREEN_WIDTH][x] + down[from / SCREEN_WIDTH][y]);
}

int CursorMoves::lead(int from, int to_place) const {
    if (from == to_place) return 0;
    if (!is_waiting(to_place)) return to(from, to_place);
    return std::max(0, to(from, (to_place - SCREEN_CELLS) * SCREEN_WIDTH) - 1);
}

const CursorMoves& cursor_moves() {
    static const CursorMoves moves;
    return moves;
}

ColourChanges::ColourChanges(ColourMode mode) {
    int fg_length[16], bg_length[16];
    for (int c = 0; c < 16; ++c) {
        fg_length[c] = parameter_length(c, false, mode);
        bg_length[c] = parameter_length(c, true, mode);
    }
    for (int from = 0; from < COLOUR_PAIRS; ++from)
        for (int to = 0; to < COLOUR_PAIRS; ++to) {
            const int to_fg = fg_of(to), to_bg = bg_of(to);
            const bool fg = fg_of(from) != to_fg, bg = bg_of(from) != to_bg;
            if ((fg && to_fg == UNKNOWN) || (bg && to_bg == UNKNOWN)) {
                cost[from][to] = NEVER;
                continue;
            }
            int bytes = 0;
            if (fg || bg) bytes = 3 + (fg ? fg_length[to_fg] : 0) + (bg ? bg_length[to_bg] : 0) + (fg && bg);
            cost[from][to] = bytes;
            dearest = std::max(dearest, bytes);
        }
}

const ColourChanges& colour_changes(ColourMode mode) {
    static const ColourChanges standard16(ColourMode::standard16);
    static const ColourChanges rgb(ColourMode::rgb);
    return mode == ColourMode::rgb ? rgb : standard16;
}
