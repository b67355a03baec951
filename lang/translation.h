#pragma once
// The interface's strings in the chosen language. English strings are the
// keys; "##" and what follows is a widget's identity, kept in every language.
#include <string>
#include <vector>

#include "lang/language_file.h"

class Translation {
 public:
  // Loads "<code>.txt" from the first folder that has it; "en" or "" needs no
  // file. False when no file was found: the interface stays English.
  bool load(const std::string& code, const std::vector<std::string>& folders);
  void load_table(const std::string& code, TranslationTable table);
  // The text to show for `english`; valid until the next load.
  const char* translate(const char* english);
  const std::string& code() const { return code_; }

 private:
  std::string code_ = "en";
  TranslationTable table_;
  TranslationTable composed_;  // looked-up string with its suffix -> translation with it
};

// The process's one translation, used by the interface thread.
Translation& current_translation();

using EnvironmentRead = const char* (*)(const char*);
// "auto" becomes "ja" when the first of LC_ALL, LC_MESSAGES and LANG that is set
// starts with "ja", else "en"; any other setting is the code itself.
std::string resolve_language(const std::string& setting, EnvironmentRead read_environment);
