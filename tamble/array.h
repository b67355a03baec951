#pragma once
// An owning buffer of elements allocated on a device. Elements are not
// initialised; fill or tabulate them. A refused allocation leaves data() null
// and says so on standard error; callers check data() before use.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "tamble/device.h"

namespace tamble {

namespace detail {
// Writes the refusal message (and the implausible-size note for counts that
// look like a wrapped negative number).
void report_refused_allocation(std::size_t bytes);
}  // namespace detail

template <class T>
class array {
 public:
  array() = default;
  array(device* dev, std::size_t count) : dev_(dev), size_(count), capacity_(count), owns_(1) {
    if (count == 0) return;
    data_ = allocate_elements(count);
  }
  ~array() { release(); }

  array(const array&) = delete;
  array& operator=(const array&) = delete;
  array(array&& other) noexcept { take(other); }
  array& operator=(array&& other) noexcept {
    if (this != &other) {
      release();
      take(other);
    }
    return *this;
  }

  // Copies n elements from host memory, growing the block when it is too small.
  void assign(const T* src, std::size_t n) {
    // An earlier refusal left no block: ask again rather than keep none.
    if (capacity_ < n || (!data_ && n > 0)) {
      if (owns_ && data_ && dev_) dev_->free(data_);
      data_ = nullptr;
      capacity_ = n;
      owns_ = 1;
      data_ = allocate_elements(n);
    }
    size_ = n;
    if (n > 0 && data_) dev_->copy_async(data_, src, n * sizeof(T));
  }

  // Frees the block; harmless to call again.
  void release() {
    if (owns_ && data_ && dev_) dev_->free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    owns_ = 0;
  }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  // True when a non-empty array has no memory (its allocation was refused).
  bool failed() const { return size_ != 0 && data_ == nullptr; }
  device* owner() const { return dev_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  // A count whose byte size does not fit in size_t is refused outright; the
  // wrapped byte count is what the message shows.
  T* allocate_elements(std::size_t n) {
    bool fits = n <= static_cast<std::size_t>(-1) / sizeof(T);
    T* p = fits && dev_ ? static_cast<T*>(dev_->allocate(n * sizeof(T))) : nullptr;
    if (!p) detail::report_refused_allocation(n * sizeof(T));
    return p;
  }

  void take(array& other) {
    dev_ = other.dev_;
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    owns_ = other.owns_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.capacity_ = 0;
    other.owns_ = 0;
  }

  device* dev_ = nullptr;
  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::uint8_t owns_ = 0;
};

}  // namespace tamble
