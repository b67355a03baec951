#include "app/platform/crash_report.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The desktop build ended with the exception code as exit status; an 8-bit
// status cannot hold it, so the report carries the code and the process dies
// of its signal, as Unix callers expect.

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMostFrames = 32;
// A report that stalls (a lock taken by the faulting code, say) still ends the process.
constexpr unsigned kReportSeconds = 10;

// The exception codes users and scripts already know from the desktop build.
unsigned long exception_code(int signal_number, const siginfo_t* info) {
  switch (signal_number) {
    case SIGSEGV:
    case SIGBUS: return 0xC0000005UL;  // access violation
    case SIGILL: return 0xC000001DUL;  // illegal instruction
    case SIGFPE:  // integer divide by zero, or another arithmetic fault
      return info != nullptr && info->si_code == FPE_INTDIV ? 0xC0000094UL : 0xC0000090UL;
    case SIGABRT: return 0x40000015UL;  // fatal application exit
    default: return 0xE0000000UL | static_cast<unsigned long>(signal_number);
  }
}

const char* signal_name(int signal_number) {
  switch (signal_number) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "?";
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

void write_text(const char* text) { write_text(text, std::strlen(text)); }

// printf's "%0*llx" / "%llX" / "%2d" without stdio.
class Line {
 public:
  Line& text(const char* piece) {
    while (*piece != '\0' && length_ < sizeof buffer_) buffer_[length_++] = *piece++;
    return *this;
  }
  Line& hex(unsigned long long value, int least_digits, bool upper_case) {
    const char* digits = upper_case ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int count = 0;
    do {
      reversed[count++] = digits[value & 0xF];
      value >>= 4;
    } while (value != 0);
    while (count < least_digits && count < 16) reversed[count++] = '0';
    while (count > 0 && length_ < sizeof buffer_) buffer_[length_++] = reversed[--count];
    return *this;
  }
  Line& frame_number(int number) {  // "%2d" for 0..99
    char tens = number >= 10 ? static_cast<char>('0' + number / 10 % 10) : ' ';
    char ones = static_cast<char>('0' + number % 10);
    const char piece[] = {tens, ones, '\0'};
    return text(piece);
  }
  void flush() {
    write_text(buffer_, length_);
    length_ = 0;
  }

 private:
  char buffer_[128];
  std::size_t length_ = 0;
};

// __cxa_demangle allocates, and frees a buffer that is too small, so the
// buffer comes from malloc at install time; demangling in the handler is best effort.
char* demangle_buffer = nullptr;
std::size_t demangle_length = 0;

const char* readable_name(const char* symbol) {
  if (demangle_buffer == nullptr) return symbol;
  int status = 0;
  char* demangled = abi::__cxa_demangle(symbol, demangle_buffer, &demangle_length, &status);
  if (status != 0 || demangled == nullptr) return symbol;
  demangle_buffer = demangled;
  return demangled;
}

// The frame of the fault itself, so the handler's own frames are left out.
int first_faulting_frame(void* const* frames, int count, const void* context) {
#if defined(__x86_64__)
  if (context != nullptr) {
    const auto* machine = &static_cast<const ucontext_t*>(context)->uc_mcontext;
    auto fault_address = static_cast<std::uintptr_t>(machine->gregs[REG_RIP]);
    for (int i = 0; i < count; ++i)
      if (reinterpret_cast<std::uintptr_t>(frames[i]) == fault_address) return i;
  }
#else
  (void)frames;
  (void)count;
  (void)context;
#endif
  return 0;
}

void write_backtrace(const void* context) {
  write_text("backtrace:\n");
  void* frames[kMostFrames + 8];  // room for the handler's own frames
  int count = backtrace(frames, kMostFrames + 8);
  int first = first_faulting_frame(frames, count, context);
  Line line;
  for (int i = first; i < count && i - first < kMostFrames; ++i) {
    auto address = reinterpret_cast<std::uintptr_t>(frames[i]);
    line.text("  [").frame_number(i - first).text("] ");
    Dl_info symbol = {};
    if (dladdr(frames[i], &symbol) != 0 && symbol.dli_sname != nullptr) {
      line.flush();
      write_text(readable_name(symbol.dli_sname));  // names can be long: written apart
      line.text(" + 0x").hex(address - reinterpret_cast<std::uintptr_t>(symbol.dli_saddr), 1, false);
    } else {
      line.text("0x").hex(address, 16, false);
    }
    line.text("\n").flush();
  }
}

std::atomic<pid_t> reporting_thread{0};
volatile sig_atomic_t reported_signal = 0;

[[noreturn]] void die_of(int signal_number) {
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal_number, &fallback, nullptr);
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigaddset(&unblocked, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &unblocked, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);  // only if the signal was somehow survived
}

void on_report_timeout(int) { die_of(reported_signal); }

// Only async-signal-safe calls here, apart from the symbol look-up and demangling.
void on_fatal_signal(int signal_number, siginfo_t* info, void* context) {
  pid_t self = gettid();
  pid_t idle = 0;
  if (!reporting_thread.compare_exchange_strong(idle, self)) {
    // The report itself faulted: end now. Another thread's fault waits for the first report.
    if (idle == self) die_of(signal_number);
    for (;;) pause();
  }
  reported_signal = signal_number;
  struct sigaction timeout = {};
  timeout.sa_handler = on_report_timeout;
  sigemptyset(&timeout.sa_mask);
  sigaction(SIGALRM, &timeout, nullptr);
  alarm(kReportSeconds);

  Line line;
  line.text("FATAL: unhandled exception 0x").hex(exception_code(signal_number, info), 8, true).text("\n");
  line.text("signal: ").text(signal_name(signal_number)).text("\n").flush();
  write_backtrace(context);
  die_of(signal_number);
}

}  // namespace

void install_thread_crash_stack() {
  // A runtime that gave the thread one already (the sanitizers do) keeps its own:
  // it frees that stack itself when the thread ends.
  stack_t current = {};
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) return;
  thread_local char alternate_stack[64 * 1024];
  stack_t stack = {};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, nullptr);
}

void install_crash_report() {
  // backtrace() loads its unwinder lazily; do that now, not inside the handler.
  void* warm_up[1];
  backtrace(warm_up, 1);
  if (demangle_buffer == nullptr) {
    demangle_length = 1024;
    demangle_buffer = static_cast<char*>(std::malloc(demangle_length));
  }

  // A stack overflow needs a stack of its own to report on.
  static char alternate_stack[64 * 1024];
  stack_t stack = {};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, nullptr);

  struct sigaction action = {};
  action.sa_sigaction = on_fatal_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kFatalSignals) sigaction(signal_number, &action, nullptr);
}
