#pragma once
// Per-thread memos for the masked remaps. Every value they hold is a pure
// function of a colour within one remap call (the call's key), so a hit
// returns exactly what computing again would: results stay the same for any
// thread count. Images with flat areas, gradients or few colours hit often.
#include <atomic>
#include <cstdint>
#include <cstring>

#include "engine/colour/work_color.h"

// A fresh key for every remap call; 0 marks an empty slot.
inline std::uint64_t next_remap_memo_key() {
  static std::atomic<std::uint64_t> calls{0};
  return calls.fetch_add(1, std::memory_order_relaxed) + 1;
}

inline std::size_t hash_color(const WorkColor& c) {
  std::uint64_t h = 0;
  for (double v : {c.alpha, c.L, c.a, c.b}) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    h = (h ^ bits) * 0x9E3779B97F4A7C15ull;
  }
  return static_cast<std::size_t>(h >> 40);
}

inline bool same_color_bits(const WorkColor& x, const WorkColor& y) {
  return std::memcmp(&x, &y, sizeof x) == 0;
}

// Direct-mapped: each colour has one slot, a newcomer replaces the old one.
template <class Value, std::size_t Slots>
class ColorMemo {
 public:
  // The remembered value of `color` in call `key`, or null.
  const Value* find(std::uint64_t key, const WorkColor& color) const {
    const Slot& s = slots_[hash_color(color) % Slots];
    return s.key == key && same_color_bits(s.color, color) ? &s.value : nullptr;
  }
  const Value& remember(std::uint64_t key, const WorkColor& color, const Value& value) {
    Slot& s = slots_[hash_color(color) % Slots];
    s.key = key;
    s.color = color;
    s.value = value;
    return s.value;
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    WorkColor color{};
    Value value{};
  };
  Slot slots_[Slots];
};
