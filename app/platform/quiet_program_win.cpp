// Windows: the helper starts without a window, inside a job object, so that
// stopping it also ends every program it started.
#include "app/platform/quiet_program.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "io/command_line.h"

namespace {

// The longest single wait, so that a cancel is seen soon.
constexpr DWORD kLongestWaitMs = 20;

// The null device as the helper's three standard streams.
HANDLE null_device() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr);
}

HANDLE job_that_kills_on_close() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

}  // namespace

ProgramEnd run_quiet_program(const std::vector<std::string>& argv, int timeout_ms,
                             const std::atomic<bool>* cancel) {
  if (argv.empty()) return ProgramEnd::not_started;
  std::string command = windows_command_line(argv);
  HANDLE nothing = null_device();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing;
  PROCESS_INFORMATION process{};
  // Suspended until it is in the job, so nothing it starts escapes.
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                                CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
  if (!started) return ProgramEnd::not_started;
  HANDLE job = job_that_kills_on_close();
  if (job != nullptr) AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  ProgramEnd end = ProgramEnd::stopped;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    DWORD wait = static_cast<DWORD>(std::clamp<long long>(left.count(), 0, kLongestWaitMs));
    if (WaitForSingleObject(process.hProcess, wait) == WAIT_OBJECT_0) {
      end = ProgramEnd::ended;
      break;
    }
    if (left.count() <= 0 || (cancel != nullptr && cancel->load())) break;
  }
  if (end == ProgramEnd::stopped) {
    if (job == nullptr || !TerminateJobObject(job, 1)) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  if (job != nullptr) CloseHandle(job);  // ends whatever the helper left running
  CloseHandle(process.hProcess);
  return end;
}
