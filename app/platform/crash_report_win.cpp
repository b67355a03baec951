// Windows crash report: an unhandled exception prints its code to standard
// error, then the system's own handling ends the process.
#include <windows.h>

#include <cstdio>

#include "app/platform/crash_report.h"

namespace {

LONG WINAPI report_exception(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "FATAL: unhandled exception 0x%08lX\n",
               static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  std::fflush(stderr);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void install_crash_report() { SetUnhandledExceptionFilter(report_exception); }

// Windows reports a stack overflow on a guard page of its own; nothing to set up.
void install_thread_crash_stack() {}
