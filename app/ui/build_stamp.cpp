#include "app/ui/build_stamp.h"

#include <cstdio>

const char* build_stamp() { return __DATE__ " " __TIME__; }

std::string window_title(const char* suffix) {
  char title[160];
  std::snprintf(title, sizeof title, "%s - quantizer built %s%s", "Brisel Quantizer",
                build_stamp(), suffix);
  return title;
}
