#pragma once
// Where the program finds what it reads beside its own files: fonts and
// language files.
#include <string>
#include <vector>

const char* main_font_file();
const char* japanese_font_file();  // also used for its Latin letters when Japanese is shown
// Where language files are looked for, first match wins.
std::vector<std::string> language_folders();
