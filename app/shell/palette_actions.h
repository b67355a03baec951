#pragma once
// Pins and palettes from and to files; each returns the status line.
#include <string>

class Document;

// Replaces the pins by the colours of a palette file (the caller takes the edit step).
std::string load_pins_from_file(Document& document, const std::string& path);
std::string save_pins_to_file(const Document& document, const std::string& path);
// The file's colours become the fixed palette.
std::string load_palette_from_file(Document& document, const std::string& path);
