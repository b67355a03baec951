#pragma once
#include <string>

// The folder holding the running executable, without a trailing slash; empty
// when the system does not say.
std::string executable_folder();
