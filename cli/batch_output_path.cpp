#include "cli/batch_request.h"

std::string batch_output_path(const std::string& input, const std::string& suffix) {
  std::size_t dot = input.rfind('.');
  std::size_t separator = input.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && separator > dot))
    return input + suffix;
  return input.substr(0, dot) + suffix;
}
