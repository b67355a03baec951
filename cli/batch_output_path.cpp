#include "cli/batch_request.h"

std::string batch_output_path(const std::string& input, const std::string& suffix) {
  std::size_t dot = input.rfind('.');
  std::size_t separator = input.find_last_of("/\\");
  std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  // A dot that starts the name (".hidden") belongs to the name; it is no extension.
  if (dot == std::string::npos || dot <= name_start) return input + suffix;
  return input.substr(0, dot) + suffix;
}
