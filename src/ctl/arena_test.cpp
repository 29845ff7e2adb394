// The record arena: zeroed records, shared chains in copies, release on clear.
#include "ctl/arena.h"

#include <gtest/gtest.h>

#include "ctl/anchors.h"
#include "ctl/curs.h"

TEST(RecordArena, CopiesShareChainsAndClearReleases) {
  record_arena arena;
  curs* parent = arena.make<curs>();
  EXPECT_EQ(parent->column_list, nullptr);
  EXPECT_EQ(parent->hold, 0);
  columns* first = arena.make<columns>();
  parent->column_list = first;

  // A version is a struct copy: a column appended to the shared chain shows in both.
  curs* version = arena.make<curs>(*parent);
  first->next = arena.make<columns>();
  EXPECT_EQ(version->column_list->next, parent->column_list->next);
  EXPECT_EQ(arena.size(), 4u);
  arena.clear();
  EXPECT_EQ(arena.size(), 0u);
}
