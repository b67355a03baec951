// The table an interrupt handler reads: bounded, reusable, and only armed
// entries are removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "io/interrupt_slots.h"

namespace {

std::vector<std::string> g_removed;
void record(const char* path) { g_removed.emplace_back(path); }

TEST(InterruptSlots, BoundedTableRemovesOnlyWhatIsRegistered) {
  EXPECT_EQ(claim_interrupt_slot(""), -1);
  EXPECT_EQ(claim_interrupt_slot(std::string(5000, 'x')), -1);  // would not fit its slot

  std::vector<int> slots;
  for (int i = 0;; ++i) {
    int slot = claim_interrupt_slot("file" + std::to_string(i));
    if (slot < 0) break;
    slots.push_back(slot);
    ASSERT_LT(i, 1000) << "the table never fills";
  }
  ASSERT_GE(slots.size(), 2u);

  release_interrupt_slot(slots[0]);
  release_interrupt_slot(-1);      // a failed claim's slot is harmless to hand back
  release_interrupt_slot(100000);
  EXPECT_EQ(claim_interrupt_slot("again"), slots[0]);  // a freed slot is taken again

  g_removed.clear();
  remove_registered_files(record);
  EXPECT_EQ(g_removed.size(), slots.size());
  EXPECT_NE(std::find(g_removed.begin(), g_removed.end(), "again"), g_removed.end());
  EXPECT_EQ(std::find(g_removed.begin(), g_removed.end(), "file0"), g_removed.end());

  for (int slot : slots) release_interrupt_slot(slot);
  g_removed.clear();
  remove_registered_files(record);
  EXPECT_TRUE(g_removed.empty());
}

}  // namespace
