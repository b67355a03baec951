#pragma once
// A processor device that refuses blocks above a size (and, when asked, below
// another, or past a total of live bytes), to drive the engine down its paths
// for refused memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "tamble/device.h"

class RefusingDevice final : public tamble::device {
 public:
  explicit RefusingDevice(std::size_t largest, std::size_t smallest = 0, std::size_t budget = SIZE_MAX)
      : largest_(largest), smallest_(smallest), budget_(budget) {}

  bool is_gpu() const override { return false; }
  int query_int(int) const override { return 0; }
  const char* name() const override { return "refusing CPU"; }
  bool query_bool(int) const override { return true; }
  tamble::event& default_event() override { return event_; }
  void synchronize() override {}
  void flush() override {}
  void* allocate(std::size_t bytes) override {
    if (bytes > largest_ || bytes < smallest_) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes > budget_ - live_) return nullptr;
    void* p = std::malloc(bytes ? bytes : 1);
    if (p) {
      live_ += bytes;
      sizes_[p] = bytes;
    }
    return p;
  }
  void free(void* p) override {
    if (!p) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = sizes_.find(p);
      live_ -= it->second;
      sizes_.erase(it);
    }
    std::free(p);
  }
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
  std::size_t budget_;
  std::mutex mutex_;
  std::size_t live_ = 0;
  std::unordered_map<void*, std::size_t> sizes_;
  tamble::cpu_event event_;
};
