#pragma once
// Devices and events: where memory lives and where work runs. The processor
// device is the only implementation; the interface keeps room for others.
#include <cstddef>
#include <cstdint>

namespace tamble {

struct event {
  virtual ~event() = default;
  virtual void wait() = 0;
  virtual bool ready() = 0;
};

// All processor work has finished by the time a call returns.
struct cpu_event final : event {
  void wait() override {}
  bool ready() override { return true; }
};

struct device {
  virtual ~device() = default;
  virtual bool is_gpu() const = 0;
  virtual int query_int(int what) const = 0;
  virtual const char* name() const = 0;
  virtual bool query_bool(int what) const = 0;
  virtual event& default_event() = 0;
  virtual void synchronize() = 0;
  virtual void flush() = 0;
  virtual void* allocate(std::size_t bytes) = 0;
  virtual void free(void* p) = 0;
  virtual void* allocate_pinned(std::size_t bytes) = 0;
  virtual void free_pinned(void* p) = 0;
  virtual void* allocate_managed(std::size_t bytes) = 0;
  virtual void free_managed(void* p) = 0;
  // A host/device pair; on the processor both are the same block.
  virtual void allocate_mirrored(std::size_t bytes, void** host, void** dev) = 0;
  virtual void free_mirrored(void* host, void* dev) = 0;
  virtual event& copy_async(void* dst, const void* src, std::size_t bytes) = 0;
  virtual void* copy_to_device(void* dst, const void* src, std::size_t bytes) = 0;
  virtual void* copy_to_host(void* dst, const void* src, std::size_t bytes) = 0;
  virtual event& fill_bytes(void* dst, int value, std::size_t bytes) = 0;
  virtual event& timer_start() = 0;
  virtual event& timer_stop() = 0;
  virtual float elapsed_microseconds() const = 0;
  // The processor never refuses silently: a refused allocation shows as null data.
  virtual bool oom() const { return false; }
};

struct cpu_device final : device {
  cpu_event default_event_;
  std::int64_t timer_start_ns = 0;
  std::int64_t timer_stop_ns = 0;

  bool is_gpu() const override { return false; }
  int query_int(int) const override { return 0; }
  const char* name() const override { return "CPU"; }
  bool query_bool(int) const override { return true; }
  event& default_event() override { return default_event_; }
  void synchronize() override {}
  void flush() override {}
  void* allocate(std::size_t bytes) override;
  void free(void* p) override;
  void* allocate_pinned(std::size_t bytes) override { return allocate(bytes); }
  void free_pinned(void* p) override { free(p); }
  void* allocate_managed(std::size_t bytes) override { return allocate(bytes); }
  void free_managed(void* p) override { free(p); }
  void allocate_mirrored(std::size_t bytes, void** host, void** dev) override;
  void free_mirrored(void* host, void*) override { free(host); }
  event& copy_async(void* dst, const void* src, std::size_t bytes) override;
  void* copy_to_device(void* dst, const void* src, std::size_t bytes) override;
  void* copy_to_host(void* dst, const void* src, std::size_t bytes) override;
  event& fill_bytes(void* dst, int value, std::size_t bytes) override;
  event& timer_start() override;
  event& timer_stop() override;
  float elapsed_microseconds() const override;
};

// The process's processor device, created on first use (thread-safe).
device* get_cpu_device();

}  // namespace tamble
