#pragma once
// Writing the shown result as an indexed PNG.
#include <string>

class Document;

// Saves the interface copy of the result to `path`; returns the status line:
// "Saved %s (%u colours, %u-bit palette)" or "Save failed: %s".
std::string save_result_png(Document& document, const std::string& path);
