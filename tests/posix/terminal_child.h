// The terminal-mode tests' helper program (terminal_child.cpp) and how
// they start it: posix_spawn, never a fork of the test process, whose
// other threads may hold a lock that the copy would wait for forever.
#pragma once

#include <spawn.h>
#include <unistd.h>

#include <string>

// Where the helper writes its "ready" byte.
constexpr int kReadyDescriptor = 3;
// Exit code of a run that had nothing to check.
constexpr int kSkipped = 77;

#ifdef TERMINAL_CHILD_PROGRAM
// Starts the helper with `terminal` as its standard input and output and
// `ready` (or nothing, when -1) as its descriptor 3; -1 on failure.
inline pid_t spawn_terminal_child(int terminal, int ready, const std::string& way, int signal = 0) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, terminal, 0);
    posix_spawn_file_actions_adddup2(&actions, terminal, 1);
    if (ready >= 0) posix_spawn_file_actions_adddup2(&actions, ready, kReadyDescriptor);
    std::string program = TERMINAL_CHILD_PROGRAM, number = std::to_string(signal);
    char* argv[] = {program.data(), const_cast<char*>(way.c_str()), number.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
#endif
