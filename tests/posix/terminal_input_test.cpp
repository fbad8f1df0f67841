#include <fcntl.h>
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
#include "tests/posix/terminal_child.h"

using namespace pantalla::detail;

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

TEST(TerminalInput, SequenceSplitAcrossReadsWaitsForItsRest) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    pty.attach();
    drain_queue();
    // The first read takes 128 bytes and stops inside ESC [ D; the program
    // then spends longer than the lone-Escape wait on the keys before it.
    pty.type(std::string(126, 'x') + "\x1b[Dy");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pump_console_input();
    std::vector<int32_t> codes;
    for (int32_t c; (c = console_queue_take()) != -1;) {
        codes.push_back(c);
        if (codes.size() == 1) std::this_thread::sleep_for(std::chrono::milliseconds(80));
        pump_console_input();
    }
    std::vector<int32_t> expected(126, 'x');
    expected.push_back(x(0x4B));
    expected.push_back('y');
    EXPECT_EQ(codes, expected);

    // The rest of a sequence that comes within the wait still completes it.
    pty.type("\x1b[");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{}));
    pty.type("D");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{x(0x4B)}));

    // Escape pressed twice quickly is two Escapes.
    pty.type("\x1b\x1b");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{}));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(pumped(1), (std::vector<int32_t>{27, 27}));
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

// Runs the helper program on the pseudo-terminal, leaving the way `way`
// names; `parent(pid)` runs once the helper has taken the terminal. Returns
// the helper's wait status, -1 when it was still running 10 s on.
template <class Parent>
int run_child(PtyTerminal& pty, const std::string& way, int signal, Parent parent) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return -1;
    const pid_t pid = spawn_terminal_child(pty.slave(), ready[1], way, signal);
    close(ready[1]);
    char c;
    if (pid > 0 && read(ready[0], &c, 1) == 1) parent(pid);
    close(ready[0]);
    int status = -1;
    for (int i = 0; pid > 0 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
        if (i == 1000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(10000);
    }
    return status;
}

bool skipped(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == kSkipped; }

// Killed by `signal`, or exited with 0 where that is 0.
bool ended_as(int status, int signal) {
    if (signal) return WIFSIGNALED(status) && WTERMSIG(status) == signal;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(TerminalMode, RestoredOnEveryWayOut) {
    struct Row {
        const char* name;
        const char* way;
        int signal;        // raised by the child
        bool ctrl_c;       // the parent types Ctrl+C
        int expect_signal; // how the child ends, 0 for exit code 0
    };
    const std::vector<Row> rows = {
        {"exit", "exit", 0, false, 0},
        {"ctrl c", "wait", 0, true, SIGINT},
        {"SIGTERM", "signal", SIGTERM, false, SIGTERM},
        {"SIGSEGV", "signal", SIGSEGV, false, SIGSEGV},
        {"SIGABRT", "signal", SIGABRT, false, SIGABRT},
        {"SIGQUIT", "signal", SIGQUIT, false, SIGQUIT},
    };
    for (const Row& r : rows) {
        PtyTerminal pty(80, 24, "\x1b[1;1R");
        termios before{};
        tcgetattr(pty.slave(), &before);
        const int status = run_child(pty, r.way, r.signal, [&](pid_t) {
            if (r.ctrl_c) pty.type("\x03");
        });
        // The runtime leaves a signal alone that someone else handles (a
        // sanitizer catches SIGSEGV, for one): nothing to check there.
        if (skipped(status)) continue;
        EXPECT_TRUE(ended_as(status, r.expect_signal)) << r.name << " status " << status;
        termios after{};
        tcgetattr(pty.slave(), &after);
        EXPECT_TRUE(same_settings(before, after)) << r.name;
        const std::string written = pty.take();
        EXPECT_NE(written.find("\x1b[?25l"), std::string::npos) << r.name;
        ASSERT_GE(written.size(), 6u) << r.name;
        EXPECT_EQ(written.substr(written.size() - 6), "\x1b[?25h") << r.name;
    }
}

// The "Terminal" driver's mouse reports end with the program, however it ends.
TEST(TerminalMode, MouseReportsOffOnEveryWayOut) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        PtyTerminal pty(80, 24, "");
        const int status = run_child(pty, "mouse", signal, [&](pid_t pid) { kill(pid, signal); });
        if (skipped(status)) continue;
        const std::string written = pty.take();
        const size_t on = written.rfind("\x1b[?1006h");
        ASSERT_NE(on, std::string::npos) << signal;
        EXPECT_NE(written.find(kMouseReportsOff, on), std::string::npos) << signal;
    }
}

// A terminal nobody reads (a stopped pager, a hung link), full when the
// program leaves: every way out drops what does not fit after a bounded
// wait, and leaves the terminal as it was, blocking.
TEST(TerminalMode, LeavesATerminalNobodyReads) {
    struct Row {
        const char* way;
        int signal;  // sent once the terminal is full; 0: the child exits
    };
    const Row rows[] = {{"full", 0}, {"full", SIGTERM}, {"screen", 0}, {"screen", SIGINT}};
    for (const Row& r : rows) {
        const std::string name = std::string(r.way) + " " + std::to_string(r.signal);
        PtyTerminal pty(80, 24, "", false);
        termios before{};
        tcgetattr(pty.slave(), &before);
        const int status = run_child(pty, r.way, r.signal, [&](pid_t pid) {
            if (r.signal) kill(pid, r.signal);
        });
        if (skipped(status)) continue;
        EXPECT_TRUE(ended_as(status, r.signal)) << name << " status " << status;
        termios after{};
        tcgetattr(pty.slave(), &after);
        EXPECT_TRUE(same_settings(before, after)) << name;
        EXPECT_FALSE(fcntl(pty.slave(), F_GETFL) & O_NONBLOCK) << name;
    }
}

TEST(TerminalMode, StoppedWithTheSettingsRestoredAndTakenBackOnContinue) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    termios before{};
    tcgetattr(pty.slave(), &before);
    const pid_t pid = spawn_terminal_child(pty.slave(), -1, "stop");
    ASSERT_GT(pid, 0);
    int status = 0;
    waitpid(pid, &status, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(status)) << status;
    termios stopped{};
    tcgetattr(pty.slave(), &stopped);
    EXPECT_TRUE(same_settings(before, stopped));
    kill(pid, SIGCONT);
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Started by a parent of the same job, which holds the terminal when the
// stop comes: the restore must not be stopped itself.
TEST(TerminalMode, StoppedBehindAParentResumesAtTheFirstContinue) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    const pid_t pid = spawn_terminal_child(pty.slave(), -1, "behind");
    ASSERT_GT(pid, 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TerminalMode, HangUpEndsTheInput) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    const int status = run_child(pty, "hangup", SIGHUP, [](pid_t) {});
    if (skipped(status)) GTEST_SKIP() << "SIGHUP has another handler";
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
