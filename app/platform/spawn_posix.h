#pragma once
// Starting a helper program, shared by the POSIX files that run one.
#include <sys/types.h>

#include <string>
#include <vector>

// Starts argv[0] (looked up on PATH when it holds no slash) with the null device as its
// input and error stream and `output_fd` as its output (the null device when -1), in a
// process group of its own so that a signal to -pid also reaches the helpers it starts.
// The child's pid, or -1 when it cannot start.
pid_t spawn_helper(const std::vector<std::string>& argv, int output_fd);
