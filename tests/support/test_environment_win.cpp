#include <windows.h>

#include <cstdlib>

#include "tests/support/test_environment.h"

// Both copies: the C run-time's, which getenv reads, and the process's, which children get.
void set_variable(const std::string& name, const std::string& value) {
  ::_putenv_s(name.c_str(), value.c_str());
  SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
}

void unset_variable(const std::string& name) { set_variable(name, ""); }
