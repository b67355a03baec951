#pragma once
// Runs one disabled test of the current test binary in a child process with
// extra environment settings and returns the "CHECKSUM ..." line it prints
// (and, when asked, its "LEVEL ..." line: the instruction-set level it ran).
// Runtime settings are read once per process, so comparing thread counts and
// instruction sets needs a process each.
#include <cstdio>
#include <filesystem>
#include <string>

inline std::string child_checksum(const std::string& environment, const std::string& disabled_test,
                                  std::string* level_line = nullptr) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string command = environment + " '" + self + "' --gtest_also_run_disabled_tests --gtest_filter=" +
                        disabled_test + " 2>/dev/null";
  std::string checksum;
  if (FILE* child = popen(command.c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, child)) {
      std::string text(line);
      if (text.rfind("CHECKSUM ", 0) == 0) checksum = text;
      if (level_line && text.rfind("LEVEL ", 0) == 0) *level_line = text.substr(0, text.find('\n'));
    }
    pclose(child);
  }
  return checksum;
}
