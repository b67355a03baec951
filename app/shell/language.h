#pragma once
// Choosing the interface language.
#include <string>

// Resolves the stored setting ("auto", "en", "ja", ...), loads its file and
// has the fonts rebuilt for it. Not during an interface frame: the strings it
// handed out before are gone.
void load_language(const std::string& setting);
