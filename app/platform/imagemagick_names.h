#pragma once
// The names ImageMagick's command-line program goes by on this system, the
// preferred first. Version 7 calls it magick and version 6 convert; on Windows
// only magick counts, as convert.exe there is the system's disk converter.
#include <string>
#include <vector>

const std::vector<std::string>& imagemagick_program_names();
