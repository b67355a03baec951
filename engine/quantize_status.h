#pragma once
// What a quantization run answers, and a message for each answer that both
// faces can show.
#include <cstdint>

enum QuantizeStatus : std::uint32_t {
  kQuantizeOk = 0,
  // Any other failure inside the engine: no exception leaves the entry.
  kQuantizeInternalError = 1,
  kQuantizeBadArguments = 4,
  kQuantizeOutOfMemory = 17,
  kQuantizeTooMuchError = 99,
};

// A short lower-case English message for `status` (a number the engine never
// returns has one too).
const char* quantize_message(std::uint32_t status);
