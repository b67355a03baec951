#include "engine/engine_settings.h"

#include <cstdarg>
#include <cstdio>

EngineSettings g_engine;

void engine_log(const char* format, ...) {
  if (!g_engine.verbose) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}
