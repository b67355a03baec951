#pragma once
// Runs a program to its end in a folder of choice, its standard streams in
// files. One implementation file per platform.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ProgramLaunch {
  std::string program;
  std::vector<std::string> arguments;
  std::string folder;       // the working folder
  std::string stdin_path;   // empty: the caller's standard input
  std::string stdout_path, stderr_path;
  // Added to or replacing the caller's variables; an empty value removes one.
  std::vector<std::pair<std::string, std::string>> environment;
};

// A started program: its process id on POSIX systems, its process handle on
// Windows; -1 when it could not be started.
using ProgramProcess = std::intptr_t;
ProgramProcess start_program(const ProgramLaunch& launch);
// Waits for the program's end: its exit code, -1 when it did not exit normally.
int finish_program(ProgramProcess process);
