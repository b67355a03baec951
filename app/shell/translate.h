#pragma once
// Interface strings are English sentences that double as translation keys;
// "##" and what follows keeps a widget's identity stable across languages.
// Until a language file is loaded, every string stands for itself.
inline const char* translate(const char* english) { return english; }
