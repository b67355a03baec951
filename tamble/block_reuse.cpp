#include "tamble/block_reuse.h"

#include <mutex>
#include <vector>

#include "tamble/os_memory.h"

namespace tamble {

namespace {

struct block {
  void* p;
  std::size_t bytes;
};

// A kept block serves a request of at least half its size.
constexpr std::size_t kMaxWaste = 2;
constexpr std::size_t kMaxKept = 4;

struct registry {
  std::mutex mutex;
  std::vector<block> live;  // large blocks in use, with their sizes
  std::vector<block> kept;  // freed while a scope is open, oldest first
  unsigned scopes = 0;

  void give_back_kept() {
    for (const block& b : kept) os::free_large(b.p, b.bytes);
    kept.clear();
  }

  // The shortest kept block at least `bytes` long, or kept.size().
  std::size_t shortest_longer(std::size_t bytes) const {
    std::size_t found = kept.size();
    for (std::size_t i = 0; i < kept.size(); ++i)
      if (kept[i].bytes >= bytes && (found == kept.size() || kept[i].bytes < kept[found].bytes)) found = i;
    return found;
  }

  // The largest kept block shorter than `bytes`, or kept.size().
  std::size_t largest_shorter(std::size_t bytes) const {
    std::size_t found = kept.size();
    for (std::size_t i = 0; i < kept.size(); ++i)
      if (kept[i].bytes < bytes && (found == kept.size() || kept[i].bytes > kept[found].bytes)) found = i;
    return found;
  }
};

// Never destroyed: arrays may be freed during static destruction.
registry& the_registry() {
  static registry& r = *new registry;
  return r;
}

}  // namespace

freed_block_reuse::freed_block_reuse() {
  registry& r = the_registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  ++r.scopes;
}

freed_block_reuse::~freed_block_reuse() {
  registry& r = the_registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (--r.scopes == 0) r.give_back_kept();
}

namespace detail {

void* allocate_large_block(std::size_t bytes) {
  registry& r = the_registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const std::size_t page = os::kLargePageBytes;
  const std::size_t head = (bytes + page - 1) / page * page;  // whole large pages stay whole
  const std::size_t longer = r.shortest_longer(bytes);
  if (longer < r.kept.size()) {
    const block b = r.kept[longer];
    if (b.bytes / kMaxWaste <= bytes) {
      // About the size: the tail past the request goes back, so reuse never
      // raises the peak.
      r.kept.erase(r.kept.begin() + static_cast<std::ptrdiff_t>(longer));
      r.live.push_back(b);
      if (head < b.bytes) os::discard_pages(static_cast<char*>(b.p) + head, b.bytes - head);
      return b.p;
    }
    if (os::large_blocks_split()) {
      // Far longer: its head serves and the rest stays kept, backed pages
      // and all, for the stages after.
      r.kept[longer] = {static_cast<char*>(b.p) + head, b.bytes - head};
      r.live.push_back({b.p, head});
      return b.p;
    }
  }
  // None fits: holding them beside a fresh block would only raise the peak.
  // But the longest shorter one, grown to the size, keeps its backed pages:
  // a stage that needs more than an earlier one freed faults in only the
  // difference.
  void* p = nullptr;
  const std::size_t shorter = r.largest_shorter(bytes);
  if (shorter < r.kept.size()) {
    const block b = r.kept[shorter];
    r.kept.erase(r.kept.begin() + static_cast<std::ptrdiff_t>(shorter));
    r.give_back_kept();
    p = os::grow_large(b.p, b.bytes, bytes);
    if (p == nullptr) os::free_large(b.p, b.bytes);
  } else {
    r.give_back_kept();
  }
  if (p == nullptr) p = os::allocate_large(bytes);
  if (p == nullptr) return nullptr;
  os::advise_large_pages(p, bytes);
  r.live.push_back({p, bytes});
  return p;
}

bool free_large_block(void* p) {
  registry& r = the_registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (std::size_t i = 0; i < r.live.size(); ++i) {
    if (r.live[i].p != p) continue;
    block b = r.live[i];
    r.live[i] = r.live.back();
    r.live.pop_back();
    if (r.scopes == 0) {
      os::free_large(p, b.bytes);
    } else {
      if (r.kept.size() == kMaxKept) {
        os::free_large(r.kept.front().p, r.kept.front().bytes);
        r.kept.erase(r.kept.begin());
      }
      r.kept.push_back(b);
    }
    return true;
  }
  return false;
}

std::size_t kept_block_count() {
  registry& r = the_registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.kept.size();
}

}  // namespace detail

}  // namespace tamble
