// The terminal's settings while the program reads keys, and their
// restoration on every way out: exit, Ctrl+C, fatal signals, stops.
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "console/posix/terminal.h"
#include "runtime/platform.h"
#include "runtime/posix/platform_posix.h"

namespace pantalla::detail {

namespace {

termios saved;
int saved_fd = -1;
// Atomics rather than sig_atomic_t: a signal may run its handler on any
// thread, such as a display driver's, while another thread looks.
using SignalFlag = std::atomic<int>;
static_assert(SignalFlag::is_always_lock_free, "safe in a signal handler");
SignalFlag raw_applied{0};
SignalFlag cursor_hidden{0};
SignalFlag alternate_screen{0};
SignalFlag mouse_reports{0};
SignalFlag hangup_ends_input{0};
SignalFlag hung_up{0};
SignalFlag resumed{0};
termios raw_settings;

constexpr int fatal_signals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGSEGV,
                                 SIGBUS, SIGFPE,  SIGILL,  SIGABRT};

const char show_cursor[] = "\x1b[?25h";
const char hide_cursor[] = "\x1b[?25l";
const char leave_alternate_screen[] = "\x1b[0m\x1b[?1049l";

// Safe in a signal handler.
void write_all(const char* bytes, size_t length) {
    while (length > 0) {
        const int64_t n = platform_write(std_handles.output, bytes, length);
        if (n <= 0) return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

void on_fatal(int sig) {
    const int saved_errno = errno;
    // The program sees a hang-up as the end of its input, and ends.
    const bool goes_on = sig == SIGHUP && hangup_ends_input;
    platform_output_ending_begin();
    terminal_mode_restore();
    platform_output_ending_end(!goes_on);
    if (goes_on) {
        hung_up = 1;
        errno = saved_errno;
        return;
    }
    // The default action, delivered when this handler returns.
    signal(sig, SIG_DFL);
    raise(sig);
    errno = saved_errno;
}

void restore_at_exit() {
    platform_output_ending_begin();
    terminal_mode_restore();
    platform_output_ending_end(false);
}

void on_stop(int) {
    const int saved_errno = errno;
    const bool was_raw = raw_applied, was_hidden = cursor_hidden;
    terminal_mode_restore();
    // Stop for real, then take the terminal back once continued.
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    struct sigaction again {};
    again.sa_handler = on_stop;
    sigemptyset(&again.sa_mask);
    again.sa_flags = SA_RESTART;
    sigaction(SIGTSTP, &again, nullptr);
    if (was_raw && tcsetattr(saved_fd, TCSANOW, &raw_settings) == 0) raw_applied = 1;
    if (was_hidden) {
        write_all(hide_cursor, sizeof hide_cursor - 1);
        cursor_hidden = 1;
    }
    resumed = 1;
    errno = saved_errno;
}

// Takes over `sig` where it has its default action only: an ignored signal
// stays ignored and a handler of someone else's stays in charge.
void install(int sig, void (*handler)(int)) {
    struct sigaction before {};
    if (sigaction(sig, nullptr, &before) != 0 || (before.sa_flags & SA_SIGINFO) ||
        before.sa_handler != SIG_DFL)
        return;
    struct sigaction ours {};
    ours.sa_handler = handler;
    sigemptyset(&ours.sa_mask);
    ours.sa_flags = SA_RESTART;
    sigaction(sig, &ours, nullptr);
}

void install_handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : fatal_signals) install(sig, on_fatal);
    install(SIGTSTP, on_stop);
    std::atexit(restore_at_exit);
}

}  // namespace

void terminal_mode_enter(int fd) {
    if (saved_fd != -1 || !isatty(fd) || tcgetattr(fd, &saved) != 0) return;
    saved_fd = fd;
    install_handlers();
    raw_settings = saved;
    raw_settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
    raw_settings.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw_settings.c_cc[VMIN] = 1;
    raw_settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw_settings) == 0) raw_applied = 1;
}

void terminal_mode_restore() {
    // The shell may hold the terminal already (after Ctrl+Z, or when a parent
    // in the same job took it back): a change made from the background
    // would stop the program half-way, with the screen not yet restored,
    // and stop it again at the next continue.
    sigset_t ttou, before;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    pthread_sigmask(SIG_BLOCK, &ttou, &before);
    if (raw_applied.exchange(0)) tcsetattr(saved_fd, TCSANOW, &saved);
    if (mouse_reports.exchange(0)) write_all(kMouseReportsOff, sizeof kMouseReportsOff - 1);
    if (alternate_screen.exchange(0)) write_all(leave_alternate_screen, sizeof leave_alternate_screen - 1);
    if (cursor_hidden.exchange(0)) write_all(show_cursor, sizeof show_cursor - 1);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void terminal_note_cursor_hidden(bool hidden) {
    if (hidden) install_handlers();
    cursor_hidden = hidden ? 1 : 0;
}

void terminal_note_alternate_screen(bool on) {
    if (on) install_handlers();
    alternate_screen = on ? 1 : 0;
}

void terminal_note_mouse(bool on) {
    if (on) install_handlers();
    mouse_reports = on ? 1 : 0;
}

void terminal_mode_forget() {
    terminal_mode_restore();
    saved_fd = -1;
    hangup_ends_input = 0;
    hung_up = 0;
    resumed = 0;
}

void terminal_hangup_is_close() { hangup_ends_input = 1; }
bool terminal_hung_up() { return hung_up != 0; }

bool terminal_take_resumed() { return resumed.exchange(0) != 0; }

}  // namespace pantalla::detail
