#pragma once
// Names of the engine keys shared by the settings file and parameter blocks.
inline constexpr int kEngineKeyCount = 13;
extern const char* const kEngineKeys[kEngineKeyCount];
