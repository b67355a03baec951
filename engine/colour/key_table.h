#pragma once
// A hash map from 32-bit keys to values: open addressing, doubling at half
// load. Values keep their contents when the table grows.
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Value>
class KeyTable {
 public:
  KeyTable() : slots_(std::size_t{1} << kFirstBits, Slot{}), bits_(kFirstBits) {}

  // The key's value, value-initialised and `added` set when the key is new.
  Value& value_of(std::uint32_t key, bool& added) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = slot_of(key, bits_);; s = (s + 1) & mask) {
      Slot& slot = slots_[s];
      if (slot.used && slot.key == key) {
        added = false;
        return slot.value;
      }
      if (!slot.used) {
        slot = Slot{key, 1, Value{}};
        ++used_;
        added = true;
        return slot.value;
      }
    }
  }

  // The key's value, or null when the key is absent.
  const Value* find(std::uint32_t key) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = slot_of(key, bits_);; s = (s + 1) & mask) {
      const Slot& slot = slots_[s];
      if (!slot.used) return nullptr;
      if (slot.key == key) return &slot.value;
    }
  }

  std::size_t size() const { return used_; }

  template <class F>
  void for_each(F f) const {
    for (const Slot& s : slots_)
      if (s.used) f(s.key, s.value);
  }

 private:
  static constexpr unsigned kFirstBits = 12;
  struct Slot {
    std::uint32_t key = 0;
    std::uint32_t used = 0;
    Value value{};
  };
  static std::size_t slot_of(std::uint32_t key, unsigned bits) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
  }
  void grow() {
    std::vector<Slot> old(std::size_t{2} << bits_, Slot{});
    old.swap(slots_);
    ++bits_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& o : old) {
      if (!o.used) continue;
      std::size_t s = slot_of(o.key, bits_);
      while (slots_[s].used) s = (s + 1) & mask;
      slots_[s] = o;
    }
  }
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  unsigned bits_;
};

// Which of `partitions` parts a key belongs to; independent of the slots' hash.
inline unsigned key_partition(std::uint32_t key, unsigned partitions) {
  return static_cast<unsigned>((std::uint64_t{key * 0x85EBCA6Bu} * partitions) >> 32);
}
