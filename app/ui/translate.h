#pragma once
// Interface strings are English sentences that double as translation keys;
// "##" and what follows keeps a widget's identity stable across languages.
#include "lang/translation.h"

inline const char* translate(const char* english) { return current_translation().translate(english); }
