#pragma once
// Choosing the interface language.
#include <string>
#include <vector>

// Where language files are looked for: lang/ beside the program, then each
// $XDG_DATA_DIRS folder's brisel-quantizer/lang.
std::vector<std::string> language_folders();
// Resolves the stored setting ("auto", "en", "ja", ...), loads its file and
// has the fonts rebuilt for it. Not during an interface frame: the strings it
// handed out before are gone.
void load_language(const std::string& setting);
