// Windows crash report: an unhandled exception prints its code and the stack
// of the faulting thread, named through the debug-help library, to standard
// error; the process then ends with the exception code as its exit code.
#include <windows.h>
#include <dbghelp.h>

#include <atomic>
#include <cstdio>

#include "app/platform/crash_report.h"

namespace {

constexpr int kMostFrames = 32;

std::atomic<DWORD> reporting_thread{0};

void write_frame(HANDLE process, int number, DWORD64 address) {
  alignas(SYMBOL_INFO) char storage[sizeof(SYMBOL_INFO) + MAX_SYM_NAME];
  auto* symbol = reinterpret_cast<SYMBOL_INFO*>(storage);
  symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
  symbol->MaxNameLen = MAX_SYM_NAME;
  DWORD64 offset = 0;
  if (SymFromAddr(process, address, &offset, symbol))
    std::fprintf(stderr, "  [%2d] %s + 0x%llx\n", number, symbol->Name, static_cast<unsigned long long>(offset));
  else
    std::fprintf(stderr, "  [%2d] 0x%016llx\n", number, static_cast<unsigned long long>(address));
}

// Walks the faulting thread's stack from the context the exception recorded.
void write_backtrace(const CONTEXT* fault) {
  std::fputs("backtrace:\n", stderr);
  HANDLE process = GetCurrentProcess();
  CONTEXT context = *fault;  // the walk changes it
  STACKFRAME64 frame{};
  frame.AddrPC.Offset = context.Rip;
  frame.AddrStack.Offset = context.Rsp;
  frame.AddrFrame.Offset = context.Rbp;
  frame.AddrPC.Mode = frame.AddrStack.Mode = frame.AddrFrame.Mode = AddrModeFlat;
  for (int number = 0; number < kMostFrames; ++number) {
    if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, GetCurrentThread(), &frame, &context, nullptr,
                     SymFunctionTableAccess64, SymGetModuleBase64, nullptr) ||
        frame.AddrPC.Offset == 0)
      break;
    write_frame(process, number, frame.AddrPC.Offset);
  }
}

LONG WINAPI report_exception(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  DWORD idle = 0;
  if (!reporting_thread.compare_exchange_strong(idle, GetCurrentThreadId())) {
    // The report itself faulted, or another thread's fault waits for the first report.
    if (idle == GetCurrentThreadId()) TerminateProcess(GetCurrentProcess(), code);
    for (;;) Sleep(INFINITE);
  }
  std::fprintf(stderr, "FATAL: unhandled exception 0x%08lX\n", static_cast<unsigned long>(code));
  std::fflush(stderr);  // said before the symbols load, which may fault in turn
  // Symbols load only now: reading them at every start costs time and, under
  // Wine, has faulted on a large program's debug data.
  SymSetOptions(SYMOPT_UNDNAME);
  SymInitialize(GetCurrentProcess(), nullptr, TRUE);
  write_backtrace(info->ContextRecord);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void install_crash_report() { SetUnhandledExceptionFilter(report_exception); }

// Windows reports a stack overflow on a guard page of its own; nothing to set up.
void install_thread_crash_stack() {}
