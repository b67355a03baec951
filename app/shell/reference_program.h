#pragma once
// Which reference quantizer the comparison runs when the user has chosen none.
#include <functional>
#include <string>

class Document;

// True when a tool of this name can be started from PATH.
using ToolOnPath = std::function<bool(const std::string&)>;

// The first program found in `folder`: "modern-kestrane", "kestrane", then our adapters
// "brisel-reference-ffmpeg" (needs ffmpeg) and "brisel-reference-imagemagick" (needs one
// of imagemagick_program_names()), an adapter only when its tool is on PATH. Empty
// when none is there.
std::string locate_reference_program(const std::string& folder, const ToolOnPath& on_path);

// Leaves a chosen compare path alone; otherwise puts the located program there,
// marked as found so that it is looked up again on the next start rather than saved.
void find_reference_program(Document& document, const std::string& folder, const ToolOnPath& on_path);
