#include "engine/engine_log.h"

#include <cstdarg>
#include <cstdio>

void engine_log(const EngineSettings& settings, const char* format, ...) {
  if (!settings.verbose) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}
