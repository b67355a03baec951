#include "app/shell/reference_program.h"

#include <algorithm>
#include <vector>

#include "app/document/document.h"
#include "app/platform/executable_folder.h"
#include "app/platform/imagemagick_names.h"
#include "io/file_system.h"

namespace {

struct Candidate {
  const char* name;
  std::vector<std::string> tools;  // one of them must be on PATH for it to work; none: it works alone
};

const std::vector<Candidate>& candidates() {
  static const std::vector<Candidate> list{
      {"modern-kestrane", {}},
      {"kestrane", {}},
      {"brisel-reference-ffmpeg", {"ffmpeg"}},
      {"brisel-reference-imagemagick", imagemagick_program_names()},
  };
  return list;
}

}  // namespace

std::string locate_reference_program(const std::string& folder, const ToolOnPath& on_path) {
  if (folder.empty()) return {};
  for (const Candidate& candidate : candidates()) {
    std::string path = folder + "/" + executable_file_name(candidate.name);
    if (!is_regular_file(path)) continue;
    auto usable = [&](const std::string& tool) { return on_path && on_path(tool); };
    if (!candidate.tools.empty() && std::none_of(candidate.tools.begin(), candidate.tools.end(), usable)) continue;
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
