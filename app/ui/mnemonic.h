#pragma once
// Menu labels carry their keyboard letter after an "&": "&File", "E&xit".
#include <cstddef>
#include <string>
#include <string_view>

struct MnemonicLabel {
  std::string shown;           // the label without its "&" ("&&" shows one "&")
  char key = 0;                // the letter, upper case; 0 when there is none
  std::size_t position = 0;    // where the letter stands in `shown`
};

// Only the text before "##" is read; an identifier suffix stays as it is in `shown`.
MnemonicLabel parse_mnemonic(std::string_view label);
