// A program of its own for the terminal-mode tests: it takes the terminal
// into key-reading mode and then leaves in the way its arguments name. The
// tests start it fresh rather than forking themselves, because a fork of a
// process that runs threads (the test's pseudo-terminal reader) may inherit
// a lock held by one of them and hang at exit.
//
// Usage: terminal_child WAY [SIGNAL]
//   exit     std::exit(0)
//   signal   raise SIGNAL
//   wait     wait up to 2 s for a signal from outside (Ctrl+C typed)
//   stop     raise SIGTSTP in a process group of its own; once continued,
//            exit 0 if the key-reading settings were taken back, else 4
//   hangup   raise SIGHUP; exit 7 if the next read gives the close code,
//            else 8
//   behind   as a program a parent of the same session started, which
//            takes the terminal back before the stop comes (as the shell
//            does at Ctrl+Z); exit 0 if the stop was that signal's own and
//            one continue resumed it, 5 if the restore stopped it, 6 if it
//            stopped again once continued
//   full     fill the terminal's output, which nobody reads; then exit 0,
//            or as `wait` when SIGNAL is given
//   screen   the same with a screen open on the "Terminal" driver, whose
//            thread is left waiting to write; 9 when it does not open
//   mouse    a screen open on the "Terminal" driver, its mouse reports
//            on; then as `wait`
// Standard input and output are the terminal; a byte goes to descriptor 3
// once the terminal is set up. Exits with kSkipped when SIGNAL already has a
// handler (a sanitizer's), which the runtime leaves in charge.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console/console.h"
#include "console/console_input.h"
#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"
#include "tests/posix/terminal_child.h"

using namespace pantalla::detail;

namespace {

// The terminal as the controlling one of a new session, so that Ctrl+C
// and the hang-up reach this process.
void own_terminal() {
    setsid();
    ioctl(0, TIOCSCTTY, 0);
}

void take_terminal(bool say_ready = true) {
    std_handles.input = 0;
    std_handles.output = 1;
    pump_console_input();
    console_move_cursor(0, 0, 0);
    if (say_ready) (void)!write(kReadyDescriptor, "r", 1);
}

// False when the screen does not open on the "Terminal" driver.
bool open_terminal_screen() {
    setenv("DNGFX", "terminal", 1);
    setenv("TERM", "xterm", 1);
    screen_open(13, 8, 1, 0, 0);
    if (!screen || std::strcmp(screen->driver->name, "Terminal") != 0) return false;
    usleep(100000);  // its first picture written
    return true;
}

// Fills the terminal, with a screen open on it first where asked; false
// when that screen does not open.
bool fill_terminal(bool with_screen) {
    if (with_screen && !open_terminal_screen()) return false;
    // A writer of its own fills the terminal and stays inside a write, as
    // any writer to a stalled terminal does; no write starts after that.
    std::thread([] {
        const std::string block(4096, 'x');
        while (write(1, block.data(), block.size()) > 0) {
        }
    }).detach();
    pollfd p{1, POLLOUT, 0};
    for (int i = 0; i < 500 && poll(&p, 1, 100) > 0; ++i) usleep(10000);
    if (with_screen) {
        // A picture that the driver's next pass waits to write.
        screen_lock();
        std::memset(screen_pointer(), 1, static_cast<size_t>(screen->pitch) * screen->height);
        screen_unlock(0, screen->height - 1);
        usleep(100000);
    }
    return true;
}

int stop_behind_parent() {
    own_terminal();
    signal(SIGTTOU, SIG_IGN);  // the parent hands the terminal around
    int go[2], ready[2];
    if (pipe(go) != 0 || pipe(ready) != 0) return 2;
    const pid_t program = fork();
    if (program == 0) {
        signal(SIGTTOU, SIG_DFL);
        setpgid(0, 0);
        char c;
        if (read(go[0], &c, 1) != 1) _exit(2);
        take_terminal();
        // The stop is held back until the wait for it has begun: a stop
        // that came before a plain pause() left the child waiting for good.
        sigset_t stop, before;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTSTP);
        sigprocmask(SIG_BLOCK, &stop, &before);
        (void)!write(ready[1], "r", 1);
        sigsuspend(&before);  // until the stop handler returns, once continued
        termios resumed{};
        tcgetattr(0, &resumed);
        _exit(resumed.c_lflag & ICANON ? 4 : 0);
    }
    setpgid(program, program);
    tcsetpgrp(0, program);
    char c;
    if (write(go[1], "g", 1) != 1 || read(ready[0], &c, 1) != 1) return 2;
    tcsetpgrp(0, getpgrp());
    kill(program, SIGTSTP);
    int status = 0;
    waitpid(program, &status, WUNTRACED);
    const bool own_stop = WIFSTOPPED(status) && WSTOPSIG(status) == SIGTSTP;
    tcsetpgrp(0, program);  // fg
    kill(program, SIGCONT);
    waitpid(program, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
        kill(program, SIGKILL);
        waitpid(program, &status, 0);
        return 6;
    }
    if (!own_stop) return 5;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* way = argv[1];
    const int sig = argc > 2 ? std::atoi(argv[2]) : 0;
    if (std::strcmp(way, "stop") == 0) {
        // A group of its own that is not orphaned, so that the stop happens.
        setpgid(0, 0);
        take_terminal();
        raise(SIGTSTP);
        termios resumed{};
        tcgetattr(0, &resumed);
        _exit(resumed.c_lflag & ICANON ? 4 : 0);
    }
    if (std::strcmp(way, "behind") == 0) return stop_behind_parent();
    if (sig) {
        struct sigaction current{};
        if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return kSkipped;
    }
    own_terminal();
    const bool with_screen = std::strcmp(way, "screen") == 0;
    if (with_screen || std::strcmp(way, "full") == 0) {
        take_terminal(false);
        if (!fill_terminal(with_screen)) return 9;
        (void)!write(kReadyDescriptor, "r", 1);
        if (!sig) std::exit(0);
    } else if (std::strcmp(way, "mouse") == 0) {
        take_terminal(false);
        if (!open_terminal_screen()) return 9;
        (void)!write(kReadyDescriptor, "r", 1);
    } else {
        take_terminal();
    }
    if (std::strcmp(way, "exit") == 0) std::exit(0);
    if (std::strcmp(way, "signal") == 0) raise(sig);
    if (std::strcmp(way, "hangup") == 0) {
        raise(SIGHUP);
        pump_console_input();
        const bool closed = console_queue_take() == kCloseKey && console_queue_take() == -1;
        _exit(closed ? 7 : 8);
    }
    for (int i = 0; i < 200; ++i) usleep(10000);
    _exit(3);
}
