#pragma once
#include <string>

// The --nogui command line: returns the exit code (0, 1 or 2).
int run_batch(int argc, char** argv, const std::string& settings_path);

// The usage text, each line ending in a line feed.
const char* batch_usage_text();

// "--nogui" in any letter case: the argument that selects the batch face.
bool is_nogui_argument(const char* argument);
