#include "engine/quantize_status.h"

const char* quantize_message(std::uint32_t status) {
  switch (status) {
    case kQuantizeOk: return "ok";
    case kQuantizeInternalError: return "internal error in the quantizer";
    case kQuantizeBadArguments: return "no image, an empty image or invalid options";
    case kQuantizeOutOfMemory: return "not enough memory";
    case kQuantizeTooMuchError: return "quality limit exceeded";
    default: return "unknown quantizer status";
  }
}
