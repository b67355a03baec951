#pragma once
// Pins and palettes from and to files; each returns the status line.
#include <string>

class Document;

// Replaces the pins by the colours of a palette file (the caller takes the edit step).
std::string load_pins_from_file(Document& document, const std::string& path);
std::string save_pins_to_file(const Document& document, const std::string& path);
// The file's colours become the fixed palette (the caller takes the edit step).
std::string load_palette_from_file(Document& document, const std::string& path);
// The shown result's palette, in order.
std::string save_palette_to_file(const Document& document, const std::string& path);
std::string copy_palette(const Document& document);
// Pasted palette text becomes the fixed palette, with one edit step.
std::string paste_palette(Document& document);
