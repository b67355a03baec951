#pragma once
// Running the peer tool an adapter stands in front of. One file per platform.
#include <string>
#include <vector>

// True when `name` (with ".exe" on Windows) is a program in one of PATH's folders.
bool tool_on_path(const std::string& name);

// What argv[0] (looked up on PATH) prints on its standard output, its error
// stream and input left out; false when it cannot be started or fails.
bool tool_output(const std::vector<std::string>& argv, std::string& output);

// Runs argv[0] (looked up on PATH) with the adapter's own standard streams and
// gives back its exit code; 127 when it cannot be started.
int run_tool(const std::vector<std::string>& argv);
