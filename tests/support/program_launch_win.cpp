#include <windows.h>

#include <map>

#include "tests/support/launch_win.h"
#include "tests/support/program_launch.h"

namespace {

HANDLE inheritable_file(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramProcess start_program(const ProgramLaunch& launch) {
  HANDLE out = inheritable_file(launch.stdout_path, true);
  HANDLE err = inheritable_file(launch.stderr_path, true);
  HANDLE in = launch.stdin_path.empty() ? INVALID_HANDLE_VALUE : inheritable_file(launch.stdin_path, false);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in != INVALID_HANDLE_VALUE ? in : GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::map<std::string, std::string> changes(launch.environment.begin(), launch.environment.end());
  std::string command = command_line(launch.program, launch.arguments);
  PROCESS_INFORMATION process{};
  // The child inherits the environment, so it is changed around the start only.
  std::map<std::string, std::string> earlier = swap_environment(changes);
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                launch.folder.c_str(), &startup, &process);
  swap_environment(earlier);
  for (HANDLE handle : {out, err, in})
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  if (!started) return -1;
  CloseHandle(process.hThread);
  return reinterpret_cast<ProgramProcess>(process.hProcess);
}

int finish_program(ProgramProcess started) {
  if (started == -1) return -1;
  HANDLE process = reinterpret_cast<HANDLE>(started);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  int result = GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
  CloseHandle(process);
  return result;
}
