#pragma once
// A processor device that refuses blocks above a size (and, when asked, below
// another), to drive the remaps down their paths for refused memory.
#include <cstdlib>
#include <cstring>

#include "tamble/device.h"

class RefusingDevice final : public tamble::device {
 public:
  explicit RefusingDevice(std::size_t largest, std::size_t smallest = 0)
      : largest_(largest), smallest_(smallest) {}

  bool is_gpu() const override { return false; }
  int query_int(int) const override { return 0; }
  const char* name() const override { return "refusing CPU"; }
  bool query_bool(int) const override { return true; }
  tamble::event& default_event() override { return event_; }
  void synchronize() override {}
  void flush() override {}
  void* allocate(std::size_t bytes) override {
    return bytes > largest_ || bytes < smallest_ ? nullptr : std::malloc(bytes ? bytes : 1);
  }
  void free(void* p) override { std::free(p); }
  void* allocate_pinned(std::size_t bytes) override { return allocate(bytes); }
  void free_pinned(void* p) override { free(p); }
  void* allocate_managed(std::size_t bytes) override { return allocate(bytes); }
  void free_managed(void* p) override { free(p); }
  void allocate_mirrored(std::size_t bytes, void** host, void** dev) override {
    *host = *dev = allocate(bytes);
  }
  void free_mirrored(void* host, void*) override { free(host); }
  tamble::event& copy_async(void* dst, const void* src, std::size_t bytes) override {
    if (bytes) std::memcpy(dst, src, bytes);
    return event_;
  }
  void* copy_to_device(void* dst, const void* src, std::size_t bytes) override {
    if (bytes) std::memcpy(dst, src, bytes);
    return dst;
  }
  void* copy_to_host(void* dst, const void* src, std::size_t bytes) override {
    if (bytes) std::memcpy(dst, src, bytes);
    return dst;
  }
  tamble::event& fill_bytes(void* dst, int value, std::size_t bytes) override {
    if (bytes) std::memset(dst, value, bytes);
    return event_;
  }
  tamble::event& timer_start() override { return event_; }
  tamble::event& timer_stop() override { return event_; }
  float elapsed_microseconds() const override { return 0.0f; }

 private:
  std::size_t largest_;
  std::size_t smallest_;
  tamble::cpu_event event_;
};
