#pragma once
// The most memory this process has held resident so far, in bytes.
#include <cstdint>

std::uint64_t peak_resident_bytes();
