// The Windows entry: the arguments come from the wide command line, each
// turned into the process code page (UTF-8, by the manifest).
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/program_entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < count; ++i) {
    int length = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide[i], -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(std::char_traits<char>::length(narrow.c_str()));
    arguments.push_back(std::move(narrow));
  }
  if (wide != nullptr) LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return run_program(static_cast<int>(arguments.size()), argv.data());
}
