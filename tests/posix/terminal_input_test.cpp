#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/console_input.h"
#include "runtime/key_codes.h"
#include "tests/posix/pty_terminal.h"

namespace {

std::vector<int32_t> pumped(int rounds = 3) {
    std::vector<int32_t> codes;
    for (int i = 0; i < rounds; ++i) {
        pump_console_input();
        for (int32_t c; (c = console_queue_take()) != -1;) codes.push_back(c);
    }
    return codes;
}

void drain_queue() {
    while (console_queue_take() != -1) {
    }
}

bool same_settings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

constexpr int32_t x(int32_t n) { return extended_key(n); }

TEST(StreamInput, BytesAreTheKeysAndTheEndIsTheCloseCode) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    terminal_input_forget();
    std_handles.input = fds[0];
    drain_queue();
    const std::string bytes("ab\r\nc\n\x1b\x00\xe9", 9);
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), 9);
    EXPECT_EQ(pumped(), (std::vector<int32_t>{'a', 'b', 13, 'c', 13, 27, 0xE9}));
    close(fds[1]);
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{kCloseKey}));
    // Offered again to every later wait, one at a time.
    EXPECT_EQ(pumped(2), (std::vector<int32_t>{kCloseKey, kCloseKey}));
    close(fds[0]);
}

TEST(StreamInput, NoTerminalMeansNoEscapeSequences) {
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    terminal_input_forget();
    terminal_output_forget();
    std_handles.input = in[0];
    std_handles.output = out[1];
    ASSERT_EQ(write(in[1], "k", 1), 1);
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{'k'}));
    console_print_text("ab\r\n", 4, 0);
    console_move_cursor(2, 2, 0);
    int32_t cols = 0;
    console_text_size(&cols, nullptr);
    EXPECT_EQ(cols, 80);
    close(out[1]);
    char buffer[64];
    EXPECT_EQ(read(out[0], buffer, sizeof buffer), 4);
    for (int fd : {in[0], in[1], out[0]}) close(fd);
}

TEST(TerminalInput, SequencesBecomeKeyCodes) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    pty.attach();
    drain_queue();
    struct Row {
        std::string typed;
        std::vector<int32_t> codes;
    };
    const std::vector<Row> rows = {
        {"\x1b[A\x1b[1;5A\x1bOP", {x(0x48), x(0x8D), x(0x3B)}},
        {"\x1b" "a\x01", {x(0x1E), 1}},
        {"\xc3\xa9\r", {0x82, 13}},
        {"\x1b[99~z", {'z'}},
    };
    for (const Row& r : rows) {
        pty.type(r.typed);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(pumped(), r.codes) << r.typed;
    }
    // A lone ESC is the Escape key once 50 ms pass without another byte.
    pty.type("\x1b");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{}));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{27}));
    terminal_mode_forget();
}

// A key typed while earlier keys still wait is read and counted as a press
// however full the queue is; a paste never pushes waiting keys out.
TEST(TerminalInput, PressSeenWhateverTheQueueHolds) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    pty.attach();
    pumped(1);  // the terminal in key mode, so that a byte is readable at once
    drain_queue();
    struct Row { const char* what; int waiting; };
    const Row rows[] = {{"one key waiting", 1}, {"half full", 255}, {"full", 511}};
    for (const Row& r : rows) {
        for (int i = 0; i < r.waiting; ++i) console_queue_push('w');
        console_queue_take_pressed();
        pty.type("p");
        pollfd p{pty.slave(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 10000), 1) << r.what;
        pump_console_input();
        EXPECT_EQ(console_queue_take_pressed(), 1) << r.what;
        const std::vector<int32_t> codes = pumped(1);
        ASSERT_FALSE(codes.empty()) << r.what;
        EXPECT_EQ(codes.back(), 'p') << r.what;
    }
    // 600 pasted bytes behind 300 waiting keys: all arrive, in order.
    for (int i = 0; i < 300; ++i) console_queue_push('w');
    const std::string paste(600, 'q');
    pty.type(paste);
    pollfd p{pty.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
    std::string got;
    for (int round = 0; round < 2000 && got.size() < 900; ++round) {
        // The pasted bytes may reach the slave side in several pieces.
        const std::vector<int32_t> codes = pumped(1);
        if (codes.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        got.append(codes.begin(), codes.end());
    }
    EXPECT_EQ(got, std::string(300, 'w') + paste);
    terminal_mode_forget();
}

// Runs `child` in a forked process whose controlling terminal is the
// pseudo-terminal; returns its wait status.
template <class Child, class Parent>
int run_child(PtyTerminal& pty, Child child, Parent parent) {
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        ioctl(pty.slave(), TIOCSCTTY, 0);
        pty.attach();
        child();
        _exit(0);
    }
    parent(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(TerminalMode, RestoredOnEveryWayOut) {
    struct Row {
        const char* name;
        int signal;        // raised by the child, 0 for a normal exit
        bool ctrl_c;       // the parent types Ctrl+C instead
        int expect_signal; // how the child ends, 0 for exit code 0
    };
    const std::vector<Row> rows = {
        {"exit", 0, false, 0},         {"ctrl c", 0, true, SIGINT},
        {"SIGTERM", SIGTERM, false, SIGTERM}, {"SIGSEGV", SIGSEGV, false, SIGSEGV},
        {"SIGABRT", SIGABRT, false, SIGABRT}, {"SIGQUIT", SIGQUIT, false, SIGQUIT},
    };
    for (const Row& r : rows) {
        // The runtime leaves a signal alone that someone else handles (a
        // sanitizer catches SIGSEGV, for one): nothing to check there.
        struct sigaction current{};
        if (r.signal && sigaction(r.signal, nullptr, &current) == 0 && current.sa_handler != SIG_DFL)
            continue;
        PtyTerminal pty(80, 24, "\x1b[1;1R");
        termios before{};
        tcgetattr(pty.slave(), &before);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const int status = run_child(
            pty,
            [&] {
                pump_console_input();
                console_move_cursor(0, 0, 0);
                (void)!write(ready[1], "r", 1);
                if (r.signal) raise(r.signal);
                if (!r.ctrl_c) std::exit(0);
                for (int i = 0; i < 200; ++i) usleep(10000);
                _exit(3);
            },
            [&](pid_t) {
                char c;
                (void)!read(ready[0], &c, 1);
                if (r.ctrl_c) pty.type("\x03");
            });
        close(ready[0]);
        close(ready[1]);
        if (r.expect_signal) {
            EXPECT_TRUE(WIFSIGNALED(status)) << r.name;
            EXPECT_EQ(WTERMSIG(status), r.expect_signal) << r.name;
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << r.name;
        }
        termios after{};
        tcgetattr(pty.slave(), &after);
        EXPECT_TRUE(same_settings(before, after)) << r.name;
        const std::string written = pty.take();
        EXPECT_NE(written.find("\x1b[?25l"), std::string::npos) << r.name;
        ASSERT_GE(written.size(), 6u) << r.name;
        EXPECT_EQ(written.substr(written.size() - 6), "\x1b[?25h") << r.name;
    }
}

TEST(TerminalMode, StoppedWithTheSettingsRestoredAndTakenBackOnContinue) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    termios before{};
    tcgetattr(pty.slave(), &before);
    const pid_t pid = fork();
    if (pid == 0) {
        // A group of its own that is not orphaned, so that the stop happens.
        setpgid(0, 0);
        pty.attach();
        pump_console_input();
        raise(SIGTSTP);
        termios resumed{};
        tcgetattr(pty.slave(), &resumed);
        _exit(resumed.c_lflag & ICANON ? 4 : 0);
    }
    int status = 0;
    waitpid(pid, &status, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(status));
    termios stopped{};
    tcgetattr(pty.slave(), &stopped);
    EXPECT_TRUE(same_settings(before, stopped));
    kill(pid, SIGCONT);
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TerminalMode, HangUpEndsTheInput) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    const int status = run_child(
        pty,
        [&] {
            pump_console_input();
            raise(SIGHUP);
            const std::vector<int32_t> codes = pumped(1);
            _exit(codes == std::vector<int32_t>{kCloseKey} ? 7 : 8);
        },
        [](pid_t) {});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
