#pragma once
// Palette and pins files: hex or decimal colour lines, JASC .pal, GIMP .gpl,
// palette PNGs in; plain lists, .pal and .gpl out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/io_status.h"

// colours: room for `maximum` RGBA entries. Returns the number of distinct
// colours read (first appearance order), 0 when there are none, -1 on error;
// the count is the result, so these keep a message of their own for 0 and -1.
// `warning`, when given, gets one line naming the lines that are neither
// colours nor comments, or stays empty.
int read_palette_file(const std::string& path, std::uint8_t* colours, int maximum,
                      std::string& message, std::string* warning = nullptr);
int parse_palette_text(const char* bytes, std::size_t length, std::uint8_t* colours, int maximum,
                       std::string& message, std::string* warning = nullptr);

std::string palette_plain_list(const std::uint8_t* palette, std::uint32_t count);
// Format by the path's ending: .pal (JASC), .gpl (GIMP), else the plain list.
IoStatus write_palette_file(const std::string& path, const std::uint8_t* palette,
                            std::uint32_t count);
IoStatus write_pins_file(const std::string& path, const std::uint8_t* pins, std::uint32_t count);
