#include "tamble/device.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "tamble/block_reuse.h"
#include "tamble/os_memory.h"

namespace tamble {

namespace {
std::int64_t now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void* cpu_device::allocate(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  if (bytes >= os::kLargePageBytes) return detail::allocate_large_block(bytes);
  return os::allocate_aligned(bytes, 64);
}

void cpu_device::free(void* p) {
  if (p != nullptr && !detail::free_large_block(p)) os::free_aligned(p);
}

void cpu_device::allocate_mirrored(std::size_t bytes, void** host, void** dev) {
  void* p = allocate_pinned(bytes);
  if (host) *host = p;
  if (dev) *dev = p;
}

event& cpu_device::copy_async(void* dst, const void* src, std::size_t bytes) {
  if (bytes) std::memcpy(dst, src, bytes);
  return default_event_;
}

void* cpu_device::copy_to_device(void* dst, const void* src, std::size_t bytes) {
  if (bytes) std::memcpy(dst, src, bytes);
  return dst;
}

void* cpu_device::copy_to_host(void* dst, const void* src, std::size_t bytes) {
  if (bytes) std::memcpy(dst, src, bytes);
  return dst;
}

event& cpu_device::fill_bytes(void* dst, int value, std::size_t bytes) {
  if (bytes) std::memset(dst, value, bytes);
  return default_event_;
}

event& cpu_device::timer_start() {
  timer_start_ns = now_ns();
  return default_event_;
}

event& cpu_device::timer_stop() {
  timer_stop_ns = now_ns();
  return default_event_;
}

float cpu_device::elapsed_microseconds() const {
  return static_cast<float>(timer_stop_ns - timer_start_ns) / 1000.0f;
}

device* get_cpu_device() {
  static cpu_device instance;  // magic static: thread-safe, destroyed at exit
  return &instance;
}

}  // namespace tamble
