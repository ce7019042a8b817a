#include "load/game_screen.h"

#include <vterm.h>

#include <cctype>

namespace {

constexpr int WIDTH = 80;
constexpr int HEIGHT = 25;
constexpr char32_t HERO = U'\u263A';

}  // namespace

GameScreen::GameScreen() : vt(vterm_new(HEIGHT, WIDTH)) {
    vterm_set_utf8(vt, 1);
    screen = vterm_obtain_screen(vt);
    vterm_screen_enable_altscreen(screen, 1);
    vterm_screen_reset(screen, 1);
}

GameScreen::~GameScreen() { vterm_free(vt); }

void GameScreen::feed(const char* bytes, std::size_t count) {
    // libvterm takes a character cut in two by a read for two bad ones, so
    // the start of one the next read completes waits for it.
    std::string text = utf8_tail;
    text.append(bytes, count);
    std::size_t start = text.size();
    while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
    std::size_t keep = 0;
    if (start > 0) {
        const auto lead = static_cast<unsigned char>(text[start - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::size_t have = text.size() - (start - 1);
        if (length > 1 && have < length) keep = have;
    }
    utf8_tail = text.substr(text.size() - keep);
    vterm_input_write(vt, text.data(), text.size() - keep);
}

char32_t GameScreen::glyph_at(int x, int y) const {
    VTermScreenCell cell{};
    if (!vterm_screen_get_cell(screen, VTermPos{y, x}, &cell)) return 0;
    return cell.chars[0];
}

std::string GameScreen::text_at(int x, int y, int length) const {
    std::string text;
    for (int i = 0; i < length; ++i) {
        const char32_t c = glyph_at(x + i, y);
        text += c == 0 ? ' ' : c < 128 ? static_cast<char>(c) : '?';
    }
    return text;
}

bool GameScreen::shows_map() const {
    return glyph_at(3, 1) == U'\u2554' && glyph_at(78, 23) == U'\u255D' && text_at(61, 11, 4) == "Item";
}

bool GameScreen::shows_battle() const {
    return text_at(64, 17, 6) == "Attack" && text_at(64, 21, 6) == "Escape" && glyph_at(1, 16) == U'\u2560';
}

std::string GameScreen::battle_menu_title() const {
    const std::string title = text_at(31, 6, 5);
    if (title == "MAGIC") return title;
    return title.starts_with("ITEM") ? "ITEM" : "";
}

std::string GameScreen::field_menu_title() const {
    const std::string title = text_at(1, 1, 5);
    if (title == "MAGIC") return title;
    return title.starts_with("Item") ? "Item" : "";
}

bool GameScreen::shows_game_over() const {
    for (int y = 0; y < HEIGHT; ++y)
        if (text_at(0, y, WIDTH).find("Press any key.") != std::string::npos) return true;
    return false;
}

bool GameScreen::hero_at(int x, int y) const { return glyph_at(x, y) == HERO; }

std::pair<int, int> GameScreen::find_hero() const {
    for (int y = 2; y <= 22; ++y)
        for (int x = 4; x <= 58; ++x)
            if (hero_at(x, y)) return {x, y};
    return {-1, -1};
}

int GameScreen::hero_hp() const {
    const std::string text = text_at(3, 19, 8);
    if (!text.starts_with("HP: ") || !std::isdigit(static_cast<unsigned char>(text[4]))) return -1;
    return std::stoi(text.substr(4));
}

std::string GameScreen::monster_name() const {
    std::string name = text_at(65, 2, 12);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}
