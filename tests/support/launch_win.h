#pragma once
// Windows only: what every child-process runner of the tests needs to start a program.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

// One argument as the C run-time's command-line parser reads it back.
inline std::string quoted_argument(const std::string& argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

inline std::string command_line(const std::string& program, const std::vector<std::string>& arguments) {
  std::string command = quoted_argument(program);
  for (const std::string& argument : arguments) command += " " + quoted_argument(argument);
  return command;
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
