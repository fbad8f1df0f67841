// A pseudo-terminal whose other side a thread keeps reading, as a terminal
// would, counting the bytes that arrive.
#pragma once

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>

class DrainedPty {
public:
    DrainedPty(int cols, int rows) {
        winsize ws{};
        ws.ws_col = static_cast<unsigned short>(cols);
        ws.ws_row = static_cast<unsigned short>(rows);
        openpty(&master, &slave, nullptr, nullptr, &ws);
        drain = std::thread([this] {
            char buffer[65536];
            while (!stop) {
                pollfd p{master, POLLIN, 0};
                if (poll(&p, 1, 10) <= 0) continue;
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0) received += n;
            }
        });
    }
    ~DrainedPty() {
        stop = true;
        drain.join();
        close(slave);
        close(master);
    }
    int master = -1, slave = -1;
    std::atomic<int64_t> received{0};

private:
    std::thread drain;
    std::atomic<bool> stop{false};
};
