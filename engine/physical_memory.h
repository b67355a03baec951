#pragma once
// Installed memory of the machine, from the operating system (one file per platform).
#include <cstdint>

// Bytes of physical memory; 0 when the system does not say.
std::uint64_t physical_memory_bytes();
