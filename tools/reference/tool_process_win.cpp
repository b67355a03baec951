#include <windows.h>

#include "io/command_line.h"
#include "tools/reference/tool_process.h"

namespace {

// Starts argv[0] without a window of its own; the three handles are inherited.
bool start(const std::vector<std::string>& argv, HANDLE in, HANDLE out, HANDLE err, PROCESS_INFORMATION& process) {
  char program[MAX_PATH];
  if (SearchPathA(nullptr, argv[0].c_str(), ".exe", sizeof program, program, nullptr) == 0) return false;
  std::string command = windows_command_line(argv);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  return CreateProcessA(program, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process) != 0;
}

int wait_for(PROCESS_INFORMATION& process) {
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 127;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

}  // namespace

bool tool_on_path(const std::string& name) {
  char found[MAX_PATH];
  return SearchPathA(nullptr, name.c_str(), ".exe", sizeof found, found, nullptr) != 0;
}

bool tool_output(const std::vector<std::string>& argv, std::string& output) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE nothing = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  PROCESS_INFORMATION process{};
  bool started = start(argv, nothing, write_end, nothing, process);
  CloseHandle(write_end);
  if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
  char block[4096];
  DWORD got = 0;
  while (started && ReadFile(read_end, block, sizeof block, &got, nullptr) && got > 0) output.append(block, got);
  CloseHandle(read_end);
  return started && wait_for(process) == 0;
}

int run_tool(const std::vector<std::string>& argv) {
  PROCESS_INFORMATION process{};
  if (!start(argv, GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
             GetStdHandle(STD_ERROR_HANDLE), process))
    return 127;
  return wait_for(process);
}
