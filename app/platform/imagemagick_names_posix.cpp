#include "app/platform/imagemagick_names.h"

const std::vector<std::string>& imagemagick_program_names() {
  static const std::vector<std::string> names{"magick", "convert"};
  return names;
}
