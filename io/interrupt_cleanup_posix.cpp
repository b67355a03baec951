// POSIX implementation: a fixed table the signal handler can read without
// allocating or locking.
#include "io/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSlots = 8;  // files being replaced at the same moment
constexpr std::size_t kPathRoom = 4096;

struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> armed{false};  // path is complete and should be removed
  char path[kPathRoom];
};

Slot g_slots[kSlots];
std::once_flag g_handlers_installed;

static_assert(std::atomic<bool>::is_always_lock_free, "the handler reads these flags");

void remove_and_stop(int signal_number) {
  for (Slot& slot : g_slots) {
    if (slot.armed.load(std::memory_order_acquire)) ::unlink(slot.path);
  }
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
  if (path.empty() || path.size() >= kPathRoom) return -1;
  std::call_once(g_handlers_installed, install_handlers);
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[i];
    if (slot.taken.exchange(true, std::memory_order_acq_rel)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.armed.store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void forget_on_interrupt(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  g_slots[slot].armed.store(false, std::memory_order_release);
  g_slots[slot].taken.store(false, std::memory_order_release);
}
