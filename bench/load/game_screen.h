// What one scripted player sees: the game's output fed into a libvterm
// screen of 80 x 25, read back cell by cell, and the few screens the
// player has to tell apart.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

struct VTerm;
struct VTermScreen;

class GameScreen {
public:
    GameScreen();
    ~GameScreen();
    GameScreen(const GameScreen&) = delete;
    GameScreen& operator=(const GameScreen&) = delete;

    void feed(const char* bytes, std::size_t count);

    char32_t glyph_at(int x, int y) const;  // 0 for a cell never written
    // Cells as text, ASCII only (anything else reads as '?').
    std::string text_at(int x, int y, int length) const;

    bool shows_map() const;
    bool shows_battle() const;
    // The spell or item window over the battle screen: "MAGIC" or "ITEM".
    std::string battle_menu_title() const;
    // The map's own menus, which replace the map: "MAGIC" or "Item".
    std::string field_menu_title() const;
    bool shows_game_over() const;
    bool hero_at(int x, int y) const;
    // The hero's cell on the map, or (-1, -1).
    std::pair<int, int> find_hero() const;
    // The number after "HP: " in the battle's hero status, or -1.
    int hero_hp() const;
    std::string monster_name() const;

private:
    VTerm* vt = nullptr;
    VTermScreen* screen = nullptr;
    std::string utf8_tail;
};
