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
// Standard input and output are the terminal; a byte goes to descriptor 3
// once the terminal is set up. Exits with kSkipped when SIGNAL already has a
// handler (a sanitizer's), which the runtime leaves in charge.
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "console/console_input.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"
#include "tests/posix/terminal_child.h"

namespace {

// The terminal as the controlling one of a new session, so that Ctrl+C
// and the hang-up reach this process.
void own_terminal() {
    setsid();
    ioctl(0, TIOCSCTTY, 0);
}

void take_terminal() {
    std_handles.input = 0;
    std_handles.output = 1;
    pump_console_input();
    console_move_cursor(0, 0, 0);
    (void)!write(kReadyDescriptor, "r", 1);
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
    if (sig) {
        struct sigaction current{};
        if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return kSkipped;
    }
    own_terminal();
    take_terminal();
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
