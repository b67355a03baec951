#include "cli/batch.h"

bool is_nogui_argument(const char* argument) {
  static const char kWord[] = "--nogui";
  for (int i = 0; kWord[i] != '\0'; ++i) {
    char c = argument[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kWord[i]) return false;
  }
  return argument[sizeof kWord - 1] == '\0';
}
