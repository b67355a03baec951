#pragma once
// Runs one disabled test of the current test binary in a child process with
// extra environment settings and returns the "CHECKSUM ..." line it prints
// (and, when asked, its "LEVEL ..." line: the instruction-set level it ran).
// Runtime settings are read once per process, so comparing thread counts and
// instruction sets needs a process each.
#include <map>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"

// `environment`: NAME=VALUE settings separated by spaces.
inline std::string child_checksum(const std::string& environment, const std::string& disabled_test,
                                  std::string* level_line = nullptr) {
  std::map<std::string, std::string> settings;
  std::istringstream words(environment);
  for (std::string word; words >> word;) {
    std::size_t equals = word.find('=');
    if (equals != std::string::npos) settings[word.substr(0, equals)] = word.substr(equals + 1);
  }
  ChildRun run = run_this_program(
      {"--gtest_also_run_disabled_tests", "--gtest_filter=" + disabled_test}, settings, false);
  std::string checksum;
  std::istringstream lines(run.output);
  for (std::string text; std::getline(lines, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.rfind("CHECKSUM ", 0) == 0) checksum = text + "\n";
    if (level_line && text.rfind("LEVEL ", 0) == 0) *level_line = text;
  }
  return checksum;
}
