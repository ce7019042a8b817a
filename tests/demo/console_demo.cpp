// A small program on the game's console layer for the end-to-end tests: it
// draws a test card, echoes every input event on row 20, and leaves the way
// a key asks, so each way out of the game can be tried on a real terminal.
//   q  exit with status 1          w  write to stderr, then exit 1
//   a  a bad vector index (abort)  e  a bad string index (exit 1)
//   s  a segmentation fault        p  a run of short pauses, then "paused"
//   b  a bus error                 f  an integer division by zero
//   i  an illegal instruction
//   m  draw a missing picture        o  print on standard output, as a library might
//   d  wait for typed input, throw it away, then show the next key
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "console/art_file.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/pause.h"
#include "platform/clock.h"
#include "platform/terminal/terminal_console.h"
#include "support/apstring"
#include "support/checked_vector.h"

namespace {

void draw_test_card() {
    set_color(7);
    clear_screen();
    set_color(14);
    goto_xy(2, 1);
    write_text("console demo");
    // Every foreground colour on black, numbered.
    for (int colour = 0; colour < 16; ++colour) {
        set_color(colour);
        goto_xy(2 + colour * 3, 3);
        write_number(colour);
    }
    // Frame and symbol glyphs, each in its own cell.
    const int glyphs[] = {1, 4, 5, 6, 27, 176, 177, 178, 201, 205, 187, 186, 200, 188, 219};
    set_color(15);
    for (int i = 0; i < static_cast<int>(std::size(glyphs)); ++i) {
        goto_xy(2 + i, 5);
        write_char(glyphs[i]);
    }
    set_color(160);
    goto_xy(2, 7);
    write_char(1);
    set_color(145);
    write_char(178);
    set_color(15);
}

// A page mapped from a file that has no bytes behind it: touching it is a
// bus error.
void bus_error() {
    FILE* empty = std::tmpfile();
    auto* page = static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(empty), 0));
    if (page != MAP_FAILED) page[0] = 1;
    raise(SIGBUS);  // only if the page did not fault
}

// Kept from the undefined-behaviour checks, which would stop it first.
__attribute__((no_sanitize_undefined)) void division_by_zero() {
    volatile int zero = 0;
    volatile int one = 1;
    one = one / zero;
#if !defined(__x86_64__) && !defined(__i386__)
    raise(SIGFPE);  // a division that does not trap here
#endif
}

void illegal_instruction() {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("ud2");
#endif
    raise(SIGILL);
}

void echo(const ConsoleEvent& e) {
    set_color(15);
    goto_xy(0, 20);
    write_text("                                                            ");
    goto_xy(2, 20);
    if (e.type == MOUSE_EVENT) {
        write_text("mouse ");
        write_number(e.x);
        write_text(" ");
        write_number(e.y);
        write_text(" buttons ");
        write_number(static_cast<int>(e.buttons));
        write_text(" flags ");
        write_number(static_cast<int>(e.mouse_flags));
    } else {
        write_text("key ");
        write_number(e.key_char);
        write_text(" code ");
        write_number(e.key_code);
    }
}

}  // namespace

int main() {
    TerminalConsole& terminal = TerminalConsole::open();
    WallClock clock;
    install_clock(clock);
    install_console_device(terminal);
    route_standard_output_to_console();

    draw_test_card();
    for (;;) {
        // Every event as the terminal sent it: keys stay keys here, where
        // the screens would take some of them for the keyboard pointer.
        const ConsoleEvent e = console_device().read_event();
        echo(e);
        if (e.type != KEY_EVENT) continue;
        switch (e.key_char) {
        case 'q':
            std::exit(1);
        case 'w':
            std::cerr << "a message on the way out\n";
            std::exit(1);
        case 'a': {
            checked_vector<int> v;
            v.resize(3);
            v[3] = 1;
            break;
        }
        case 'e': {
            apstring s("Star");
            s[4] = 'x';
            break;
        }
        case 's': {
            // An unmapped address the compiler cannot see through, and not
            // null, which the undefined-behaviour checks would catch first.
            int* volatile nowhere = reinterpret_cast<int*>(16);
            *nowhere = 1;
            break;
        }
        case 'b':
            bus_error();
            break;
        case 'f':
            division_by_zero();
            break;
        case 'i':
            illegal_instruction();
            break;
        case 'p':
            for (int i = 0; i < 100; ++i) Sleep(2);
            goto_xy(2, 22);
            write_text("paused");
            break;
        case 'o':
            std::fputs("stray library text\n", stdout);
            std::fflush(stdout);
            break;
        case 'm':
            goto_xy(2, 22);
            draw_art_file("no such picture.txt", 10, 2, NO_COLOR, 0);
            break;
        case 'd': {
            // What the player typed while the program was busy, still in
            // the terminal unread, goes as the battle's prompt throws it.
            goto_xy(2, 22);
            write_text("discarding");
            console_device().present();
            pollfd typed{STDIN_FILENO, POLLIN, 0};
            poll(&typed, 1, -1);
            console_device().discard_input();
            goto_xy(2, 22);
            write_text("discarded ");
            const ConsoleEvent next = console_device().read_event();
            goto_xy(2, 22);
            write_text("discarded, next key ");
            write_number(next.key_char);
            break;
        }
        }
    }
}
