#include "byte_floor.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "floor_costs.h"
#include "platform/terminal/code_page_437.h"

namespace {

bool is_blank(unsigned char ch) { return ch == ' ' || ch == 0 || ch == 255; }

bool looks_same(const Cell& a, const Cell& b) {
    if (is_blank(a.ch) && is_blank(b.ch)) return (a.attr >> 4) == (b.attr >> 4);
    return a == b;
}

int glyph_bytes(unsigned char ch) {
    char utf8[3];
    return cp437_to_utf8(ch, utf8);
}

// A state: the cursor's place and the bytes spent to get the terminal
// there; its colour pair is the list it is kept in.
struct Place {
    int place;
    int cost;
    int column;  // SCREEN_WIDTH while waiting to wrap
    int row;
};

Place place_of(int place, int cost) {
    if (is_waiting(place)) return {place, cost, SCREEN_WIDTH, place - SCREEN_CELLS};
    return {place, cost, place % SCREEN_WIDTH, place / SCREEN_WIDTH};
}

// The live states by colour pair, with each pair's cheapest state.
struct States {
    std::array<std::vector<Place>, COLOUR_PAIRS> by_colours;
    std::vector<int> colours;  // the pairs with states
    std::array<Place, COLOUR_PAIRS> cheapest{};
    int least = NEVER;

    void clear() {
        for (int c : colours) by_colours[c].clear();
        colours.clear();
        least = NEVER;
    }

    void add(int colours_of, Place p) {
        if (by_colours[colours_of].empty()) {
            colours.push_back(colours_of);
            cheapest[colours_of] = p;
        } else if (p.cost < cheapest[colours_of].cost) {
            cheapest[colours_of] = p;
        }
        by_colours[colours_of].push_back(p);
        least = std::min(least, p.cost);
    }
};

// The cells in reading order, frame after frame. A state that another can
// turn into at no more cost (a move and an SGR) can never do better than
// that one and is dropped, which keeps them to a few hundred on the game's
// screens.
class Floor {
public:
    Floor(const std::vector<ScreenBuffer>& frames, const ShownScreen& start, ColourMode mode)
        : moves(cursor_moves()), changes(colour_changes(mode)) {
        if (start.cursor_y < 0 || start.cursor_x < 0)
            throw std::invalid_argument("byte_floor: the start's cursor must be known");
        const int place = start.cursor_x == SCREEN_WIDTH ? waiting_place(start.cursor_y)
                                                         : start.cursor_y * SCREEN_WIDTH + start.cursor_x;
        states.add(colour_pair(start.fg < 0 ? UNKNOWN : start.fg, start.bg < 0 ? UNKNOWN : start.bg),
                   place_of(place, 0));
        // From the cheapest state a CUP and a full SGR reach any other.
        slack = moves.dearest_cup + changes.dearest;
        // A blank may set any foreground for a glyph after it, but one no
        // glyph wants is no better than keeping the foreground there was.
        for (std::size_t i = 1; i < frames.size(); ++i)
            for (const Cell& cell : frames[i].all())
                if (!is_blank(cell.ch)) glyph_foregrounds |= 1u << (cell.attr & 15);
    }

    void show(const ScreenBuffer& before, const ScreenBuffer& after) {
        for (int cell = 0; cell < SCREEN_CELLS; ++cell) {
            const Cell& wanted = after.all()[cell];
            write(cell, wanted, !looks_same(before.all()[cell], wanted));
        }
    }

    long least() const { return states.least; }

private:
    // The states after writing `cell` as `wanted`; unless it must be
    // written, the states that leave it alone live on beside them.
    void write(int cell, const Cell& wanted, bool must_write) {
        const int x = cell % SCREEN_WIDTH, y = cell / SCREEN_WIDTH;
        const std::array<int, COLOUR_PAIRS> arrival = arrivals(x, y);

        // The colour pairs that show the cell: a blank, as a space, with its
        // background and any foreground; a glyph exactly in its own.
        const int bg = wanted.attr >> 4;
        int shows[SHADES];
        int count = 0;
        if (is_blank(wanted.ch)) {
            unsigned foregrounds = glyph_foregrounds;
            for (int c : states.colours) foregrounds |= 1u << fg_of(c);
            for (int fg = 0; fg < SHADES; ++fg)
                if (foregrounds & 1u << fg) shows[count++] = colour_pair(fg, bg);
        } else {
            shows[count++] = colour_pair(wanted.attr & 15, bg);
        }
        const int bytes = is_blank(wanted.ch) ? 1 : glyph_bytes(wanted.ch);
        int cost[SHADES];
        int least_new = NEVER;
        for (int i = 0; i < count; ++i) {
            int best = NEVER;
            for (int c : states.colours) best = std::min(best, arrival[c] + changes.cost[c][shows[i]]);
            cost[i] = best + bytes;
            least_new = std::min(least_new, cost[i]);
        }

        const int place = x == SCREEN_WIDTH - 1 ? waiting_place(y) : cell + 1;
        const int least = must_write ? least_new : std::min(least_new, states.least);
        int kept[SHADES];
        int kept_count = 0;
        for (int i = 0; i < count; ++i) {
            if (cost[i] > least + slack) continue;
            if (outdone_by_new(i, shows, cost, count)) continue;
            if (!must_write && outdone_by_old(shows[i], place, cost[i])) continue;
            kept[kept_count++] = i;
        }
        if (must_write) states.clear();
        for (int k = 0; k < kept_count; ++k) states.add(shows[kept[k]], place_of(place, cost[kept[k]]));
    }

    // The cheapest arrival at cell (x, y) in each colour pair: a CUP's way
    // from the pair's cheapest state, or moves along the row and the column
    // (from a place waiting to wrap, a CR first).
    std::array<int, COLOUR_PAIRS> arrivals(int x, int y) const {
        std::array<int, SCREEN_WIDTH + 1> across;
        std::array<int, SCREEN_HEIGHT> down;
        for (int from = 0; from < SCREEN_WIDTH; ++from) across[from] = moves.across[from][x];
        across[SCREEN_WIDTH] = 1 + moves.across[0][x];
        for (int from = 0; from < SCREEN_HEIGHT; ++from) down[from] = moves.down[from][y];
        std::array<int, COLOUR_PAIRS> arrival;
        for (int c : states.colours) {
            int best = states.cheapest[c].cost + moves.absolute[y * SCREEN_WIDTH + x];
            for (const Place& p : states.by_colours[c]) best = std::min(best, p.cost + across[p.column] + down[p.row]);
            arrival[c] = best;
        }
        return arrival;
    }

    // Another new state at the same place turns into this one for no more.
    bool outdone_by_new(int i, const int* shows, const int* cost, int count) const {
        for (int j = 0; j < count; ++j)
            if (j != i && cost[j] + changes.cost[shows[j]][shows[i]] <= cost[i]) return true;
        return false;
    }

    // Some colour pair's cheapest state turns into this one for no more.
    bool outdone_by_old(int colours, int place, int cost) const {
        for (int c : states.colours) {
            const Place& p = states.cheapest[c];
            if (p.cost + changes.cost[c][colours] + moves.lead(p.place, place) <= cost) return true;
        }
        return false;
    }

    const CursorMoves& moves;
    const ColourChanges& changes;
    States states;
    int slack = 0;
    unsigned glyph_foregrounds = 0;
};

}  // namespace

long byte_floor(const std::vector<ScreenBuffer>& frames, const ShownScreen& start, ColourMode mode) {
    Floor floor(frames, start, mode);
    for (std::size_t i = 1; i < frames.size(); ++i) floor.show(frames[i - 1], frames[i]);
    return floor.least();
}
