#pragma once
// Palette and pins files: hex or decimal colour lines, JASC .pal, GIMP .gpl,
// palette PNGs in; plain lists, .pal and .gpl out.
#include <cstddef>
#include <cstdint>
#include <string>

// colours: room for `maximum` RGBA entries. Returns the number of distinct
// colours read (first appearance order), 0 when there are none, -1 on error.
int read_palette_file(const std::string& path, std::uint8_t* colours, int maximum,
                      std::string& message);
int parse_palette_text(const char* bytes, std::size_t length, std::uint8_t* colours, int maximum,
                       std::string& message);

std::string palette_plain_list(const std::uint8_t* palette, std::uint32_t count);
// Format by the path's ending: .pal (JASC), .gpl (GIMP), else the plain list.
bool write_palette_file(const std::string& path, const std::uint8_t* palette,
                        std::uint32_t count, std::string& message);
bool write_pins_file(const std::string& path, const std::uint8_t* pins, std::uint32_t count,
                     std::string& message);
