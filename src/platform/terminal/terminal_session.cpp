#include "platform/terminal/terminal_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef GAME_SANITIZE
#include <sanitizer/common_interface_defs.h>
#endif

// Everything here may run inside a signal handler, so it keeps to plain
// data and async-signal-safe calls: write, read, lseek, dup2, tcsetattr,
// sigaction, raise, kill.

namespace {

constexpr char ENTER_MODES[] =
    "\x1b[?1049h"                          // alternate screen
    "\x1b[?25l"                            // hide the cursor
    "\x1b[0m\x1b[2J"                       // plain colours, a clean page
    "\x1b[?1000h\x1b[?1002h\x1b[?1003h"    // clicks, drags, every movement
    "\x1b[?1006h";                         // reports as SGR sequences
constexpr char LEAVE_MODES[] =
    "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l"
    "\x1b[0m\x1b[?25h"
    "\x1b[?1049l";

int terminal_in = -1;
int terminal_out = -1;
int real_stdout = -1;
termios saved_termios{};
termios game_termios{};
volatile sig_atomic_t active = 0;
volatile sig_atomic_t frame_in_flight = 0;

// Error text is kept in an anonymous file while the game owns the screen.
int kept_errors = -1;
int real_stderr = -1;

int wake_pipe[2] = {-1, -1};
volatile sig_atomic_t wake_pending = 0;

const int TERMINATING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

void write_all(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

void enter_modes() {
    tcsetattr(terminal_in, TCSANOW, &game_termios);
    write_all(terminal_out, ENTER_MODES, sizeof ENTER_MODES - 1);
    active = 1;
}

void leave_modes() {
    // A signal that cut a frame short may have cut it inside an escape
    // sequence: CAN ends that sequence there, so the modes that follow are
    // read as sequences of their own and not as the rest of it.
    if (frame_in_flight) write_all(terminal_out, "\x18", 1);
    write_all(terminal_out, LEAVE_MODES, sizeof LEAVE_MODES - 1);
    tcsetattr(terminal_in, TCSANOW, &saved_termios);
    active = 0;
}

void give_back_stdout() {
    if (real_stdout >= 0) dup2(real_stdout, STDOUT_FILENO);
}

void replay_kept_errors() {
    if (real_stderr < 0) return;
    dup2(real_stderr, STDERR_FILENO);
    if (kept_errors < 0) return;
    char chunk[4096];
    lseek(kept_errors, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = read(kept_errors, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        write_all(STDERR_FILENO, chunk, static_cast<size_t>(n));
    }
    // Replayed once only, however many ways out are taken: emptied, or
    // dropped if it cannot be.
    if (ftruncate(kept_errors, 0) != 0) {
        close(kept_errors);
        kept_errors = -1;
        return;
    }
    lseek(kept_errors, 0, SEEK_SET);
}

void wake() {
    wake_pending = 1;
    const char byte = 0;
    const int saved_errno = errno;
    (void)!write(wake_pipe[1], &byte, 1);
    errno = saved_errno;
}

void on_terminating_signal(int sig) {
    end_terminal_session();
    // The handler was reset on entry; the signal, raised again, does what
    // it would have done (ends the program, with a core dump for a crash)
    // as soon as the handler returns.
    signal(sig, SIG_DFL);
    raise(sig);
}

void install_handler(int sig, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(sig, &action, nullptr);
}

void on_suspend(int sig) {
    const int saved_errno = errno;
    const bool had_terminal = active != 0;
    if (had_terminal) leave_modes();
    // Stopped by the signal's own default action, not by SIGSTOP: where no
    // shell does job control (ssh running a command, a session keeper) the
    // system discards it, nobody being there to continue the game, and the
    // game plays on at once.
    signal(sig, SIG_DFL);
    sigset_t this_one;
    sigemptyset(&this_one);
    sigaddset(&this_one, sig);
    sigprocmask(SIG_UNBLOCK, &this_one, nullptr);
    raise(sig);
    // Continued, or never stopped: take the terminal again and paint
    // everything anew.
    install_handler(sig, on_suspend, SA_RESTART);
    if (had_terminal) enter_modes();
    wake();
    errno = saved_errno;
}

void on_resize(int) { wake(); }

void at_exit() { end_terminal_session(); }

}  // namespace

int begin_terminal_session(int in_fd, int out_fd) {
    terminal_in = in_fd;
    terminal_out = fcntl(out_fd, F_DUPFD_CLOEXEC, 10);
    if (terminal_out < 0) terminal_out = out_fd;
    if (out_fd == STDOUT_FILENO && terminal_out != out_fd) {
        real_stdout = terminal_out;
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere >= 0) {
            dup2(nowhere, STDOUT_FILENO);
            close(nowhere);
        }
    }
    tcgetattr(in_fd, &saved_termios);

    game_termios = saved_termios;
    game_termios.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    game_termios.c_oflag &= ~OPOST;
    game_termios.c_lflag &= ~(ECHO | ECHONL | ICANON | IEXTEN);  // ISIG stays: Ctrl+C quits
    game_termios.c_cflag &= ~(CSIZE | PARENB);
    game_termios.c_cflag |= CS8;
    game_termios.c_cc[VMIN] = 1;
    game_termios.c_cc[VTIME] = 0;

    if (pipe(wake_pipe) == 0) {
        for (int fd : wake_pipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        for (int fd : wake_pipe) fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    real_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 10);
    kept_errors = memfd_create("kept-errors", MFD_CLOEXEC);
    if (kept_errors >= 0) dup2(kept_errors, STDERR_FILENO);

    for (int sig : TERMINATING_SIGNALS) install_handler(sig, on_terminating_signal, SA_RESETHAND);
    install_handler(SIGTSTP, on_suspend, SA_RESTART);
    install_handler(SIGWINCH, on_resize, SA_RESTART);
    std::atexit(at_exit);
#ifdef GAME_SANITIZE
    // A sanitizer that finds a fault reports it and ends the program its own
    // way, past our handlers: give the terminal back first, so the report
    // can be read.
    __sanitizer_set_death_callback(end_terminal_session);
#endif

    enter_modes();
    return terminal_out;
}

void end_terminal_session() {
    if (active) leave_modes();
    give_back_stdout();
    replay_kept_errors();
}

void set_frame_in_flight(bool writing) { frame_in_flight = writing ? 1 : 0; }

int terminal_wake_fd() { return wake_pipe[0]; }

// Asked at every frame: the flag answers without a system call while no
// signal has come. It is cleared before the pipe is drained, so a signal
// that comes in between leaves it set for the next time.
bool take_terminal_wake() {
    if (!wake_pending) return false;
    wake_pending = 0;
    char drain[64];
    while (read(wake_pipe[0], drain, sizeof drain) > 0) {
    }
    return true;
}
