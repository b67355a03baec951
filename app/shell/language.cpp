#include "app/shell/language.h"

#include <cstdlib>

#include "app/platform/data_folders.h"
#include "app/ui/interface_scale.h"
#include "lang/translation.h"

void load_language(const std::string& setting) {
  std::string code = resolve_language(setting, [](const char* name) -> const char* { return std::getenv(name); });
  current_translation().load(code, language_folders());
  interface_scale().fonts_rebuild = true;
}
