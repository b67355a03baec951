#pragma once
#include <string>

// The folder holding the running executable, without a trailing slash; empty
// when the system does not say.
std::string executable_folder();

// The file name of a program called `stem` on this system (".exe" on Windows).
std::string executable_file_name(const std::string& stem);
