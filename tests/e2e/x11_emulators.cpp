// How each emulator is started at 80 x 25 in DejaVu Sans Mono, white on
// black where it lets us choose, with no scroll bar and no blinking cursor.
#include "e2e/x11_terminal.h"

namespace {

std::vector<std::string> in_xterm(const std::vector<std::string>& command) {
    std::vector<std::string> argv = {"xterm", "-fa", "DejaVu Sans Mono", "-fs", "10", "-u8", "-bg", "black", "-fg",
                                     "white", "-geometry", "80x25+0+0", "+sb", "-bw", "0", "-xrm",
                                     "XTerm*cursorBlink: false", "-e"};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

}  // namespace

const std::vector<Emulator>& emulators() {
    static const std::vector<Emulator> all = {
        {"xterm", false, [](const std::string&, const std::vector<std::string>& command) { return in_xterm(command); },
         {}, nullptr},
        {"urxvt", false,
         [](const std::string&, const std::vector<std::string>& command) {
             std::vector<std::string> argv = {"urxvt", "-fn", "xft:DejaVu Sans Mono:pixelsize=13", "-bg", "black",
                                              "-fg", "white", "-geometry", "80x25+0+0", "+sb", "-b", "0", "-e"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {}, nullptr},
        {"st", false,
         [](const std::string&, const std::vector<std::string>& command) {
             std::vector<std::string> argv = {"stterm", "-f", "DejaVu Sans Mono:pixelsize=13", "-g", "80x25+0+0", "-e"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {}, nullptr},
        // VTE. sakura writes its settings on first start: a fresh home for
        // it. It keeps the right button for its own menu (a pointer grab:
        // nothing reaches the program until the menu is closed) unless
        // told to leave it alone.
        {"sakura", false,
         [](const std::string& folder, const std::vector<std::string>& command) {
             const std::string config = xdg_folder(xdg_folder(folder, "config"), "sakura") + "/sakura.conf";
             write_file(config,
                        "[sakura]\nfont=DejaVu Sans Mono 10\nscrollbar=false\nshow_tab_bar=never\n"
                        "blinking_cursor=false\nless_questions=true\nmenu_button=9\n");
             std::vector<std::string> argv = {"sakura", "-c", "80", "-r", "25", "-e"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {{"NO_AT_BRIDGE", "1"}}, nullptr},
        // Until xterm has answered tmux's question about itself, tmux knows
        // it only by TERM=xterm, eight colours: it draws bright ink as bold
        // and bright paper as the dim one, and does not draw again when the
        // answer comes. On a busy machine the answer came after the
        // calibration screen. The pane's program waits for it (its name).
        // After a press tmux 3.3 waits 300 ms for a double click, and a
        // press of another button in that time it passes on as nothing.
        {"tmux", false,
         [](const std::string& folder, const std::vector<std::string>& command) {
             write_file(folder + "/tmux.conf", "set -g status off\n");
             const std::string tmux = "tmux -S '" + folder + "/tmux.socket'";
             std::vector<std::string> inner = {
                 "tmux", "-S", folder + "/tmux.socket", "-f", folder + "/tmux.conf", "new-session", "sh", "-c",
                 "n=0; until [ -n \"$(" + tmux + " display-message -p '#{client_termtype}')\" ] || [ $n -ge 100 ];"
                 " do sleep 0.1; n=$((n+1)); done; exec \"$@\"",
                 "sh"};
             inner.insert(inner.end(), command.begin(), command.end());
             return in_xterm(inner);
         },
         {},
         [](const std::string& folder) {
             return std::vector<std::string>{"tmux", "-S", folder + "/tmux.socket", "kill-server"};
         },
         false, 350},
        {"screen", false,
         [](const std::string& folder, const std::vector<std::string>& command) {
             // Mouse reports pass as they are; the shell's screen comes back
             // after the program only with altscreen on (off by default).
             write_file(folder + "/screenrc", "startup_message off\naltscreen on\n");
             std::vector<std::string> inner = {"screen", "-c", folder + "/screenrc", "-S", "dunmar"};
             inner.insert(inner.end(), command.begin(), command.end());
             return in_xterm(inner);
         },
         {}, [](const std::string&) { return std::vector<std::string>{"screen", "-S", "dunmar", "-X", "quit"}; }},
        {"kitty", true,
         [](const std::string&, const std::vector<std::string>& command) {
             std::vector<std::string> argv = {"kitty", "--config", "NONE", "-o", "font_family=DejaVu Sans Mono", "-o",
                                              "font_size=10", "-o", "background=#000000", "-o",
                                              "foreground=#ffffff", "-o", "cursor_blink_interval=0", "-o",
                                              "remember_window_size=no", "-o", "initial_window_width=80c", "-o",
                                              "initial_window_height=25c", "-o", "window_padding_width=0", "-o",
                                              "placement_strategy=top-left", "-o", "enable_audio_bell=no"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {{"LIBGL_ALWAYS_SOFTWARE", "1"}}, nullptr, true},
        {"alacritty", true,
         [](const std::string& folder, const std::vector<std::string>& command) {
             write_file(folder + "/alacritty.yml",
                        "font:\n  normal:\n    family: DejaVu Sans Mono\n  size: 10\n"
                        "window:\n  dimensions:\n    columns: 80\n    lines: 25\n  padding:\n    x: 0\n    y: 0\n"
                        "colors:\n  primary:\n    background: '#000000'\n    foreground: '#ffffff'\n"
                        "cursor:\n  blinking: Never\n");
             std::vector<std::string> argv = {"alacritty", "--config-file", folder + "/alacritty.yml", "-e"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {{"LIBGL_ALWAYS_SOFTWARE", "1"}}, nullptr},
        {"konsole", true,
         [](const std::string&, const std::vector<std::string>& command) {
             std::vector<std::string> argv = {"konsole", "--nofork", "--separate", "--hide-menubar", "--hide-tabbar",
                                              "-p", "TerminalColumns=80", "-p", "TerminalRows=25", "-p",
                                              "Font=DejaVu Sans Mono,10,-1,5,50,0,0,0,0,0", "-p",
                                              "ScrollBarPosition=2", "-p", "BlinkingCursorEnabled=false", "-p",
                                              "AntiAliasFonts=false", "-e"};
             argv.insert(argv.end(), command.begin(), command.end());
             return argv;
         },
         {{"QT_QPA_PLATFORM", "xcb"}}, nullptr},
    };
    return all;
}

const Emulator* find_emulator(std::string_view name) {
    for (const Emulator& e : emulators())
        if (e.name == name) return &e;
    return nullptr;
}

