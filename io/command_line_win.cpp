#include "io/command_line.h"

namespace {

// Backslashes count only before a quote: there they are doubled, and the quote escaped.
std::string quoted(const std::string& argument) {
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

}  // namespace

std::string windows_command_line(const std::vector<std::string>& argv) {
  std::string command;
  for (const std::string& argument : argv) command += (command.empty() ? "" : " ") + quoted(argument);
  return command;
}
