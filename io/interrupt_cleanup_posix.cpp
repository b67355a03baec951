// POSIX implementation: SIGINT and SIGTERM remove the registered files, then
// end the process as the signal's default action would.
#include "io/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <mutex>

#include "io/interrupt_slots.h"

namespace {

std::once_flag g_handlers_installed;

void unlink_path(const char* path) { ::unlink(path); }

void remove_and_stop(int signal_number) {
  remove_registered_files(unlink_path);
  // SA_RESETHAND has restored the default action; the signal stays blocked
  // until this handler returns and is then delivered again.
  ::raise(signal_number);
}

// Every signal whose default action ends the process and that can be caught:
// a closed terminal (HUP), a reader gone (PIPE), a timer or limit run out.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM, SIGPIPE, SIGALRM, SIGUSR1,
                                  SIGUSR2, SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};

void install_handlers() {
  for (int signal_number : kEndingSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0) continue;
    // An ignored signal, or one someone else handles, is left as it is.
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = remove_and_stop;
    sigemptyset(&action.sa_mask);
    for (int blocked : kEndingSignals) sigaddset(&action.sa_mask, blocked);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

int remove_on_interrupt(const std::string& path) {
  if (path.empty()) return -1;
  std::call_once(g_handlers_installed, install_handlers);
  return claim_interrupt_slot(path);
}

void forget_on_interrupt(int slot) { release_interrupt_slot(slot); }
