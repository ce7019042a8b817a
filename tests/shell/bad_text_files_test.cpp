// Every text file of the game broken in every way a disk or an editor can
// break it, each read by the screen that reads it: nothing may crash, wait
// for input the game does not ask for, or draw a byte as anything but its
// glyph.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "battle/battle_driver.h"
#include "console/art_file.h"
#include "game_harness.h"
#include "map/map_screen.h"
#include "shell/intro.h"

namespace {

enum class Form { missing, empty, truncated, no_last_line_feed, crlf, control_bytes, high_bytes, huge_line, folder };

const char* const FORM_NAMES[] = {"missing", "empty",         "truncated",  "no_last_line_feed", "crlf",
                                  "control_bytes", "high_bytes", "huge_line", "folder"};

std::string shipped(const std::string& name) {
    std::ifstream in(std::string(GAME_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each line of the shipped file with `prefix` put before it.
std::string each_line_with(const std::string& bytes, const std::string& prefix) {
    std::string out = prefix;
    for (char c : bytes) {
        out += c;
        if (c == '\n') out += prefix;
    }
    return out;
}

std::string broken(const std::string& name, Form form) {
    const std::string whole = shipped(name);
    switch (form) {
    case Form::empty:
        return "";
    case Form::truncated:
        return whole.substr(0, whole.size() / 2);
    case Form::no_last_line_feed:
        return whole.substr(0, whole.find_last_not_of('\n') + 1);
    case Form::crlf:
        return each_line_with(whole, "\r").substr(1);  // every LF gets a CR before it
    case Form::control_bytes:
        return each_line_with(whole, "\x1b[2J\x1b]0;t\x07\x01\x08\x0b\x0c\x7f");
    case Form::high_bytes:
        return each_line_with(whole, "\x80\x9b\xc9\xcd\xff");
    case Form::huge_line:
        return std::string(50 * 1000 * 1000, 'W') + "\n" + whole;
    case Form::missing:
    case Form::folder:
        break;
    }
    return whole;
}

class BadTextFiles : public GameTest, public ::testing::WithParamInterface<std::tuple<const char*, Form>> {
protected:
    void SetUp() override {
        const auto [name, form] = GetParam();
        if (form == Form::folder) {
            mkdir(name, 0755);
        } else if (form != Form::missing) {
            data_file(name, broken(name, form));
        }
    }

    // What the screen shows after the file was read, as code page 437 codes.
    bool screen_has(unsigned char code) {
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            for (int x = 0; x < SCREEN_WIDTH; ++x)
                if (char_at(x, y) == code) return true;
        return false;
    }
};

TEST_P(BadTextFiles, AreReadWithoutHarmByTheirScreens) {
    const auto [name, form] = GetParam();
    const std::string file = name;
    if (file == "words to everyone.txt") {
        for (int k = 0; k < 8; ++k) key(' ');  // more than the pages there are
        show_intro();
    } else if (file == "Mp1.txt") {
        draw_map_screen();
    } else if (file == "gameover.txt") {
        wait(100000);
        key(' ');
        game_over_screen();
    } else {
        draw_art_file(name, 10, 2, NO_COLOR, 40);
    }
    if (form == Form::crlf && file != "Mp1.txt") {
        EXPECT_FALSE(screen_has('\r')) << "a CR before a LF is dropped";
    }
    if (form == Form::control_bytes && file == "rat.txt") {
        EXPECT_TRUE(screen_has(0x1b)) << "ESC drawn as its glyph";
    }
    if (form == Form::high_bytes && file == "bubi.txt") {
        EXPECT_TRUE(screen_has(0xc9)) << "drawn as its glyph";
    }
}

std::string case_name(const ::testing::TestParamInfo<std::tuple<const char*, Form>>& info) {
    std::string file = std::get<0>(info.param);
    file = file.substr(0, file.find('.'));
    for (char& c : file)
        if (c == ' ') c = '_';
    return file + "_" + FORM_NAMES[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Game, BadTextFiles,
                         ::testing::Combine(::testing::Values("words to everyone.txt", "Mp1.txt", "rat.txt",
                                                              "gameover.txt", "angel cry.txt", "bubi.txt"),
                                            ::testing::Values(Form::missing, Form::empty, Form::truncated,
                                                              Form::no_last_line_feed, Form::crlf,
                                                              Form::control_bytes, Form::high_bytes,
                                                              Form::huge_line, Form::folder)),
                         case_name);

}  // namespace
