// Windows has no helper program that prints the chosen file (the common item
// dialogs stand in for it), so an OutputProgram never starts here.
#include "app/platform/output_program.h"

#include <windows.h>

OutputProgram::~OutputProgram() = default;
bool OutputProgram::start(const std::vector<std::string>&) { return false; }
std::optional<std::string> OutputProgram::finish() { return std::nullopt; }
std::optional<std::string> OutputProgram::next_line() { return std::nullopt; }
void OutputProgram::stop() {}

// PATH's folders as Windows searches them, with ".exe" added to a bare name.
bool program_on_path(const std::string& name) {
  if (name.empty()) return false;
  char found[MAX_PATH];
  DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  DWORD attributes = GetFileAttributesA(found);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
