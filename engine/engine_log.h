#pragma once
// The engine's progress lines.
#include "engine/engine_settings.h"

// A progress line on standard error, only while the run is verbose.
void engine_log(const EngineSettings& settings, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
