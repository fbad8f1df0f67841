// Starting a thread without letting a refusal end the program: a process
// may be allowed no more threads (a user's process limit, a container's pid
// limit), and each caller has a way on without the thread.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

namespace pantalla::detail {

// Starts `work` on a new thread held in `into`: 0, or the error number the
// system gave (EAGAIN when no thread may be made), leaving `into` empty.
int32_t thread_start(std::thread* into, std::function<void()> work);

// For tests: the next `count` starts fail as a process limit would.
void thread_start_refuse(int32_t count);

}  // namespace pantalla::detail
