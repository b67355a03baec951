#pragma once
// A helper program whose standard output is the answer: it reads nothing (its
// input is the null device) and what it writes to its error stream is dropped.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class OutputProgram {
 public:
  OutputProgram() = default;
  ~OutputProgram();  // stops a program still running and waits for it
  OutputProgram(const OutputProgram&) = delete;
  OutputProgram& operator=(const OutputProgram&) = delete;

  // Starts argv[0], looked up on PATH when it holds no slash. False when it cannot start.
  bool start(const std::vector<std::string>& argv);
  // Blocks until the program ends. Its output when it exited with status 0, else nothing.
  std::optional<std::string> finish();
  // For a program that keeps talking: blocks until it has printed a whole line and
  // returns it without the line end; nothing once its output has ended.
  std::optional<std::string> next_line();
  // Asks a running program to end; may be called from another thread while finish() waits.
  void stop();

 private:
  std::mutex mutex_;  // the pid is reaped under it, so stop() never signals a reused pid
  int pid_ = -1;
  int output_ = -1;
  std::string unread_;  // printed after the last line next_line() returned
};

// True when `name` is an executable file in one of PATH's folders.
bool program_on_path(const std::string& name);
