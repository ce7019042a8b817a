// The real game on hostile data files: control bytes, escape sequences,
// bytes 128-255, CRLF endings, a huge line, missing files and folders in
// their place. It must go on as the game says, and nothing from a data file
// may reach the terminal raw: every byte it sends is a glyph or one of the
// game's own sequences.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "e2e/vterm_terminal.h"

namespace {

constexpr int TIMEOUT_MS = 10000;

class BadData : public ::testing::Test {
protected:
    BadData() {
        char pattern[] = "/tmp/dunmar_bad_data_XXXXXX";
        folder = mkdtemp(pattern);
        std::system(("cp -r '" GAME_DATA_DIR "'/. '" + folder + "'/").c_str());
    }
    ~BadData() override { std::system(("rm -rf '" + folder + "'").c_str()); }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }
    void replace_with_folder(const std::string& name) {
        std::remove((folder + "/" + name).c_str());
        mkdir((folder + "/" + name).c_str(), 0755);
    }

    TerminalLaunch launch() {
        TerminalLaunch l;
        l.argv = terminal_check_wrapper({GAME_PATH});
        l.working_directory = folder;
        l.environment = {{"SDL_AUDIODRIVER", "dummy"}};
        return l;
    }

    std::string folder;
};

// Everything but the game's own sequences, which are CSI with digits,
// semicolons and '?' only; what is left must be free of control bytes.
void expect_no_raw_control_bytes(const std::string& received) {
    static const std::regex OWN_SEQUENCE("\x1b\\[[0-9;?]*[A-Za-z]");
    const std::string rest = std::regex_replace(received, OWN_SEQUENCE, "");
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        if (byte >= 0x20 || byte == '\r' || byte == '\n' || byte == '\a') continue;
        ADD_FAILURE() << "raw control byte " << static_cast<int>(byte) << " at " << i << ": "
                      << rest.substr(i > 20 ? i - 20 : 0, 40);
        return;
    }
}

const std::string HOSTILE = std::string("\x1b[2J\x1b]0;title\x07\x1b[?1049l\x01\x02\x08\x0b\x0c\x0e\x1f\x7f") +
                            "\x80\x9b\xc9\xcd\xff" + "100% %s %n";

TEST_F(BadData, HostileIntroMapAndPicturesDrawAsGlyphs) {
    write("words to everyone.txt", HOSTILE + "\r\nsecond line\r\nclrscr();\r\n" + std::string(200000, 'W') + "\n");
    std::string map;
    for (int row = 0; row < 21; ++row) map += std::string(50, '0') + "\x1b[31m" + "\r\n";
    write("Mp1.txt", map);
    write("rat.txt", HOSTILE + "\n" + HOSTILE);  // the last line has no line feed

    VtermTerminal term(launch());
    ASSERT_TRUE(term.wait_for_screen_text("100% %s %n", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.glyph_at(0, 0), U'\u2190') << "the ESC is drawn as its glyph";
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for_screen_text("WWWWWWWW", TIMEOUT_MS)) << "a 200,000-character line, wrapped";
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.text_at(61, 3, 6) == "Dunmar"; }, TIMEOUT_MS))
        << term.screen_dump();
    EXPECT_TRUE(term.alternate_screen()) << "a data file cannot switch the screen";
    expect_no_raw_control_bytes(term.received());
    term.send_bytes("\x03");
    term.wait_exit(TIMEOUT_MS);
    EXPECT_EQ(term.terminal_check().exit_code, 128 + 2);
}

TEST_F(BadData, MissingAndFolderFilesLeaveTheGamePlayable) {
    replace_with_folder("words to everyone.txt");
    replace_with_folder("Mp1.txt");
    std::remove((folder + "/rat.txt").c_str());
    VtermTerminal term(launch());
    // No intro: one key starts the game; no map: the panel says so.
    ASSERT_TRUE(term.wait_for([](const VtermTerminal& t) { return t.cursor_visible() == false; }, TIMEOUT_MS));
    term.send_bytes(" ");
    ASSERT_TRUE(term.wait_for_screen_text("Cannot find fil", TIMEOUT_MS)) << term.screen_dump();
    EXPECT_EQ(term.text_at(61, 11, 4), "Item");
    term.send_bytes("\x03");
    term.wait_exit(TIMEOUT_MS);
    const TerminalCheck check = term.terminal_check();
    EXPECT_EQ(check.exit_code, 128 + 2);
    EXPECT_EQ(check.settings_after, check.settings_before);
}

TEST_F(BadData, AMissingSongEndsTheGameWithItsReasonReadable) {
    for (const char* song : {"ff10_sutekidane[1].mid", "melodies[1].mid", "not_alone[1].mid", "ff8_eyes[1].mid",
                             "main_theme.mid", "eva[1].mid", "chrono.mid", "arrest[1].mid", "soul[1].mid"})
        write(std::string("music/midi/") + song, "not a song");
    VtermTerminal term(launch());
    ASSERT_TRUE(term.wait_for_screen_text("Welcome", TIMEOUT_MS));
    for (int page = 0; page < 4; ++page) term.send_bytes(" ");
    term.wait_exit(TIMEOUT_MS);
    const TerminalCheck check = term.terminal_check();
    ASSERT_TRUE(check.complete) << term.screen_dump();
    EXPECT_EQ(check.exit_code, 1);
    std::string said;
    for (const std::string& line : check.message_lines) said += line + "\n";
    EXPECT_NE(said.find("Unknown file format"), std::string::npos) << said;
    EXPECT_FALSE(term.alternate_screen());
}

}  // namespace
