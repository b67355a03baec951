#pragma once
// Restores the process-wide engine settings a test changes.
#include "engine/engine_settings.h"

class EngineSettingsGuard {
 public:
  EngineSettingsGuard() : saved_(g_engine) {}
  ~EngineSettingsGuard() { g_engine = saved_; }
  EngineSettingsGuard(const EngineSettingsGuard&) = delete;
  EngineSettingsGuard& operator=(const EngineSettingsGuard&) = delete;

 private:
  EngineSettings saved_;
};
