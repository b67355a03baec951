#pragma once
// Running a helper program to its end, or until a time limit: it reads nothing
// (its input is the null device) and everything it writes is dropped.
#include <atomic>
#include <string>
#include <vector>

enum class ProgramEnd {
  ended,        // it exited or died of a signal of its own, whatever its status
  not_started,  // it could not be started
  stopped,      // out of time or cancelled: it was killed with the helpers it started
};

// Starts argv[0] (looked up on PATH when it holds no slash) and waits for at most
// `timeout_ms`, or until `*cancel` turns true. A program still running then is killed
// and reaped, so no process outlives the call.
ProgramEnd run_quiet_program(const std::vector<std::string>& argv, int timeout_ms,
                             const std::atomic<bool>* cancel = nullptr);
