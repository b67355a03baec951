// Placeholder until the settings file lands.
#include "io/settings.h"

std::string settings_file_path() { return {}; }
