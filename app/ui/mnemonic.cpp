#include "app/ui/mnemonic.h"

#include <cctype>

MnemonicLabel parse_mnemonic(std::string_view label) {
  MnemonicLabel parsed;
  std::size_t visible_end = label.find("##");
  if (visible_end == std::string_view::npos) visible_end = label.size();
  for (std::size_t i = 0; i < visible_end; ++i) {
    char c = label[i];
    if (c == '&' && i + 1 < visible_end) {
      char next = label[i + 1];
      if (next == '&') {
        parsed.shown.push_back('&');
        ++i;
        continue;
      }
      if (parsed.key == 0) {
        parsed.key = static_cast<char>(std::toupper(static_cast<unsigned char>(next)));
        parsed.position = parsed.shown.size();
      }
      continue;
    }
    parsed.shown.push_back(c);
  }
  parsed.shown.append(label.substr(visible_end));
  return parsed;
}
