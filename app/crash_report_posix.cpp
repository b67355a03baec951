#include "app/crash_report.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cstddef>


namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// The exception codes users and scripts already know from the desktop build.
unsigned long exception_code(int signal_number) {
  switch (signal_number) {
    case SIGSEGV:
    case SIGBUS: return 0xC0000005UL;  // access violation
    case SIGILL: return 0xC000001DUL;  // illegal instruction
    case SIGFPE: return 0xC0000094UL;  // integer divide by zero
    case SIGABRT: return 0x40000015UL; // fatal application exit
    default: return 0xE0000000UL | static_cast<unsigned long>(signal_number);
  }
}

void write_text(const char* text, std::size_t length) {
  while (length > 0) {
    ssize_t n = write(STDERR_FILENO, text, length);
    if (n <= 0) return;
    text += n;
    length -= static_cast<std::size_t>(n);
  }
}

// Only async-signal-safe calls from here on: no stdio, no allocation.
void on_fatal_signal(int signal_number) {
  char line[] = "FATAL: unhandled exception 0x00000000\n";
  unsigned long code = exception_code(signal_number);
  static const char kHex[] = "0123456789ABCDEF";
  for (int digit = 0; digit < 8; ++digit)
    line[29 + 7 - digit] = kHex[(code >> (4 * digit)) & 0xF];
  write_text(line, sizeof line - 1);

  void* frames[64];
  int count = backtrace(frames, 64);
  backtrace_symbols_fd(frames, count, STDERR_FILENO);

  // Hand the signal back to the default action so the exit status tells the truth.
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

}  // namespace

void install_crash_report() {
  // backtrace() loads its unwinder lazily; do that now, not inside the handler.
  void* warm_up[1];
  backtrace(warm_up, 1);

  // A stack overflow needs a stack of its own to report on.
  static char alternate_stack[64 * 1024];
  stack_t stack = {};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, nullptr);

  struct sigaction action = {};
  action.sa_handler = on_fatal_signal;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kFatalSignals) sigaction(signal_number, &action, nullptr);
}
