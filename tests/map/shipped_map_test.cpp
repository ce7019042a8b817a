// Checks the world map and the start-up pages that ship in data/, so a
// hand edit that strands part of the world or overflows the screen is
// caught before anyone plays it.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string DATA = GAME_DATA_DIR;
const std::string MAP_FILE = DATA + "/Mp1.txt";
const std::string INTRO_FILE = DATA + "/words to everyone.txt";

constexpr std::size_t MAP_ROWS = 21;
constexpr std::size_t MAP_COLUMNS = 55;
constexpr char FREE = '0';
constexpr std::size_t SCREEN_WIDTH = 80;
constexpr std::size_t PAGE_LINES = 22;
const std::string PAGE_BREAK = "clrscr();";

// A map edited on Windows still loads, so its carriage returns are dropped.
std::vector<std::string> read_lines(const std::string& path, bool drop_carriage_returns) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (drop_carriage_returns && !line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Free cells the hero cannot walk to from the start, found by stepping
// left, right, up and down: diagonal moves are made of those steps.
std::vector<std::pair<std::size_t, std::size_t>> stranded_free_cells(const std::vector<std::string>& map) {
    std::vector<std::vector<bool>> seen(map.size(), std::vector<bool>(MAP_COLUMNS, false));
    std::vector<std::pair<std::size_t, std::size_t>> todo{{0, 0}};
    seen[0][0] = true;
    while (!todo.empty()) {
        const auto [row, column] = todo.back();
        todo.pop_back();
        const std::array<std::pair<std::size_t, std::size_t>, 4> next{
            {{row - 1, column}, {row + 1, column}, {row, column - 1}, {row, column + 1}}};
        for (const auto& [r, c] : next) {
            // Stepping off row or column 0 wraps to a huge index, which the bounds test rejects.
            if (r >= map.size() || c >= map[r].size() || map[r][c] != FREE || seen[r][c]) continue;
            seen[r][c] = true;
            todo.emplace_back(r, c);
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> stranded;
    for (std::size_t r = 0; r < map.size(); ++r)
        for (std::size_t c = 0; c < map[r].size(); ++c)
            if (map[r][c] == FREE && !seen[r][c]) stranded.emplace_back(r, c);
    return stranded;
}

TEST(ShippedMap, IsAFullRectangleOfTerrainCodes) {
    const auto map = read_lines(MAP_FILE, true);
    ASSERT_EQ(map.size(), MAP_ROWS) << MAP_FILE;
    std::array<int, 6> uses{};
    for (std::size_t row = 0; row < map.size(); ++row) {
        ASSERT_EQ(map[row].size(), MAP_COLUMNS) << "line " << row;
        for (std::size_t column = 0; column < map[row].size(); ++column) {
            const char code = map[row][column];
            ASSERT_TRUE(code >= '0' && code <= '5') << "line " << row << " char " << column << " is '" << code << "'";
            ++uses[static_cast<std::size_t>(code - '0')];
        }
    }
    for (std::size_t code = 0; code < uses.size(); ++code) EXPECT_GT(uses[code], 0) << "terrain " << code << " unused";
}

TEST(ShippedMap, EveryFreeCellCanBeWalkedToFromTheStart) {
    const auto map = read_lines(MAP_FILE, true);
    ASSERT_EQ(map.size(), MAP_ROWS);
    for (const auto& line : map) ASSERT_EQ(line.size(), MAP_COLUMNS);
    ASSERT_EQ(map[0][0], FREE) << "the hero starts on line 0, char 0";
    for (const auto& [row, column] : stranded_free_cells(map))
        ADD_FAILURE() << "free cell at line " << row << " char " << column << " cannot be reached";
}

TEST(ShippedIntro, PagesFitTheScreen) {
    std::ifstream probe(INTRO_FILE);
    ASSERT_TRUE(probe.good()) << INTRO_FILE;
    const auto lines = read_lines(INTRO_FILE, false);
    ASSERT_FALSE(lines.empty());

    int page_breaks = 0;
    std::size_t page_length = 0;
    int page = 1;
    for (std::size_t number = 0; number < lines.size(); ++number) {
        const std::string& line = lines[number];
        if (line == PAGE_BREAK) {
            ++page_breaks;
            ++page;
            page_length = 0;
            continue;
        }
        EXPECT_LT(line.size(), SCREEN_WIDTH) << "line " << number + 1 << " would wrap";
        for (const char ch : line)
            EXPECT_TRUE(ch >= ' ' && ch <= '~')
                << "line " << number + 1 << " has byte " << static_cast<int>(static_cast<unsigned char>(ch));
        ++page_length;
        EXPECT_LE(page_length, PAGE_LINES) << "page " << page << " scrolls off the screen at line " << number + 1;
    }
    EXPECT_GE(page_breaks, 1) << "the text is meant to come in pages";
}

}  // namespace
