#include "io/interrupt_slots.h"

#include <atomic>
#include <cstring>

namespace {

constexpr int kSlots = 8;  // files being replaced at the same moment
constexpr std::size_t kPathRoom = 4096;

struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> armed{false};  // path is complete and should be removed
  char path[kPathRoom];
};

Slot g_slots[kSlots];

static_assert(std::atomic<bool>::is_always_lock_free, "the handler reads these flags");

}  // namespace

int claim_interrupt_slot(const std::string& path) {
  if (path.empty() || path.size() >= kPathRoom) return -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = g_slots[i];
    if (slot.taken.exchange(true, std::memory_order_acq_rel)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.armed.store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void release_interrupt_slot(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  g_slots[slot].armed.store(false, std::memory_order_release);
  g_slots[slot].taken.store(false, std::memory_order_release);
}

void remove_registered_files(void (*remove)(const char* path)) {
  for (Slot& slot : g_slots) {
    if (slot.armed.load(std::memory_order_acquire)) remove(slot.path);
  }
}
