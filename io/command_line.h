#pragma once
// Windows only: the one command line a new process gets, made of an argument
// vector so that the C run-time's parser in that process reads the same vector back.
#include <string>
#include <vector>

std::string windows_command_line(const std::vector<std::string>& argv);
