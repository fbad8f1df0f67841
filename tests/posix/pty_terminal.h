// A pseudo-terminal standing in for the user's terminal: the back end gets
// its slave side as standard input and output, a thread drains the master
// side and answers cursor-position queries (unless nobody is to read it).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "console/posix/terminal.h"
#include "runtime/platform.h"

class PtyTerminal {
public:
    // `report` answers each "ESC[6n"; empty means the terminal stays silent.
    PtyTerminal(int cols, int rows, std::string report, bool drained = true) : report_(std::move(report)) {
        winsize ws{};
        ws.ws_col = static_cast<unsigned short>(cols);
        ws.ws_row = static_cast<unsigned short>(rows);
        openpty(&master_, &slave_, nullptr, nullptr, &ws);
        // Helper programs get the slave side only where they ask for it.
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        // No output processing, so the bytes arrive exactly as written.
        termios t{};
        tcgetattr(slave_, &t);
        t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        tcsetattr(slave_, TCSANOW, &t);
        if (drained) drain_ = std::thread([this] { run(); });
    }
    ~PtyTerminal() {
        stop_ = true;
        if (drain_.joinable()) drain_.join();
        close(slave_);
        close(master_);
    }

    // Makes this terminal the back end's standard input and output.
    void attach(bool as_input = true) {
        terminal_output_forget();
        terminal_input_forget();
        terminal_mode_forget();
        std_handles.output = slave_;
        std_handles.input = as_input ? slave_ : -1;
    }

    // Everything the back end wrote since the last call. A marker written
    // after it comes out of the terminal behind it, so its arrival says that
    // all of it has been read, however slow the reader thread is.
    std::string take() {
        static const std::string marker = "\x1b]take\x07";
        (void)!write(slave_, marker.data(), marker.size());
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const size_t at = received_.find(marker);
                if (at != std::string::npos || std::chrono::steady_clock::now() > give_up) {
                    std::string bytes = received_.substr(0, at);
                    received_.clear();
                    answered_ = 0;
                    return bytes;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void resize(int cols, int rows) {
        winsize ws{};
        ws.ws_col = static_cast<unsigned short>(cols);
        ws.ws_row = static_cast<unsigned short>(rows);
        ioctl(master_, TIOCSWINSZ, &ws);
    }
    void type(const std::string& bytes) { (void)!write(master_, bytes.data(), bytes.size()); }
    void set_report(std::string report) {
        std::lock_guard<std::mutex> lock(mutex_);
        report_ = std::move(report);
    }
    int slave() const { return slave_; }

private:
    void run() {
        char buffer[65536];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 5) <= 0) continue;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            received_.append(buffer, static_cast<size_t>(n));
            if (!report_.empty() && received_.find("\x1b[6n", answered_) != std::string::npos) {
                answered_ = received_.size();
                (void)!write(master_, report_.data(), report_.size());
            }
        }
    }

    int master_ = -1, slave_ = -1;
    std::string report_;
    std::thread drain_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
    size_t answered_ = 0;
};
