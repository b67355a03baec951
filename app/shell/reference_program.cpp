#include "app/shell/reference_program.h"

#include "app/document/document.h"
#include "app/platform/executable_folder.h"
#include "io/file_system.h"

namespace {

struct Candidate {
  const char* name;
  const char* tool;  // what must be on PATH for it to work, or nullptr
};

constexpr Candidate kCandidates[] = {
    {"modern-kestrane", nullptr},
    {"kestrane", nullptr},
    {"brisel-reference-ffmpeg", "ffmpeg"},
    {"brisel-reference-imagemagick", "convert"},
};

}  // namespace

std::string locate_reference_program(const std::string& folder, const ToolOnPath& on_path) {
  if (folder.empty()) return {};
  for (const Candidate& candidate : kCandidates) {
    std::string path = folder + "/" + executable_file_name(candidate.name);
    if (!is_regular_file(path)) continue;
    if (candidate.tool != nullptr && !(on_path && on_path(candidate.tool))) continue;
    return path;
  }
  return {};
}

void find_reference_program(Document& document, const std::string& folder, const ToolOnPath& on_path) {
  if (!document.compare_path().empty()) return;
  std::string found = locate_reference_program(folder, on_path);
  if (found.empty()) return;
  document.set_found_compare_path(found);
}
