#pragma once
// Windows only: what every child-process runner of the tests needs to start a program.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "io/command_line.h"

inline std::string command_line(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return windows_command_line(argv);
}

// Sets or unsets (empty value) the variables for a child and gives back what they were.
inline std::map<std::string, std::string> swap_environment(const std::map<std::string, std::string>& environment) {
  std::map<std::string, std::string> earlier;
  for (const auto& [name, value] : environment) {
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
    earlier[name] = length > 0 && length < sizeof buffer ? std::string(buffer, length) : "";
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
  return earlier;
}
