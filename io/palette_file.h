#pragma once
// Palette and pins files: hex or decimal colour lines, JASC .pal, GIMP .gpl,
// palette PNGs in; plain lists, .pal and .gpl out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/io_status.h"

// colours: room for `maximum` RGBA entries; `count` gets the number of
// distinct colours read (first appearance order). kOk when there is at least
// one; kNoPalette when the file holds none; the file's own reason when it
// cannot be read (kNoSuchFile, kIsDirectory, kNotRegularFile, kPermissionDenied,
// kTooLarge); kUnrecognised when its contents are no palette. On failure
// `message` names the path and the detail: "PATH: no colours found", "cannot
// open PATH", "PATH: palette file is too large", "PATH: " and the parser's words.
// `warning`, when given, gets one line naming the lines that are neither
// colours nor comments, or stays empty.
IoStatus read_palette_file(const std::string& path, std::uint8_t* colours, int maximum, int& count,
                           std::string& message, std::string* warning = nullptr);
// As above for text in memory; returns the count, 0 when there are no colours,
// -1 on an error, with `message` saying why for 0 and -1.
int parse_palette_text(const char* bytes, std::size_t length, std::uint8_t* colours, int maximum,
                       std::string& message, std::string* warning = nullptr);

std::string palette_plain_list(const std::uint8_t* palette, std::uint32_t count);
// Format by the path's ending: .pal (JASC), .gpl (GIMP), else the plain list.
IoStatus write_palette_file(const std::string& path, const std::uint8_t* palette,
                            std::uint32_t count);
IoStatus write_pins_file(const std::string& path, const std::uint8_t* pins, std::uint32_t count);
