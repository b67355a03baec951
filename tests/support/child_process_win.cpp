#include <windows.h>

#include "tests/support/child_process.h"
#include "tests/support/launch_win.h"


ChildRun run_this_program(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment,
                          bool with_standard_error) {
  ChildRun run;
  char self[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) return run;
  std::string command = command_line(self, arguments);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return run;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = with_standard_error ? write_end : nowhere;
  PROCESS_INFORMATION process{};
  // The child inherits the environment, so it is changed around the start only.
  std::map<std::string, std::string> earlier = swap_environment(environment);
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process);
  swap_environment(earlier);
  CloseHandle(write_end);
  if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
  if (!started) {
    CloseHandle(read_end);
    return run;
  }
  char block[4096];
  DWORD got = 0;
  while (ReadFile(read_end, block, sizeof block, &got, nullptr) && got > 0) run.output.append(block, got);
  CloseHandle(read_end);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) run.exit_code = static_cast<int>(code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return run;
}
