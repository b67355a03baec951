#include <cstdlib>

#include "tests/support/test_environment.h"

void set_variable(const std::string& name, const std::string& value) {
  if (value.empty()) unset_variable(name);
  else ::setenv(name.c_str(), value.c_str(), 1);
}

void unset_variable(const std::string& name) { ::unsetenv(name.c_str()); }
