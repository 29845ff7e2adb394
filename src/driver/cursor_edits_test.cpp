// The pre_cursor and iterate edits: bindings, every problem reported, the
// summary line and the result.
#include "driver/cursor_edits.h"

#include "ctl/clause_records.h"
#include "sched_fixture.h"

namespace {

class EditTest : public SchedTest {};

TEST_F(EditTest, BindsOrReportsEveryProblem) {
  curs* a = cursor("ALPHA", "", {});
  curs* b = cursor("BETA", "", {});
  struct {
    const char *pre_a, *pre_b, *iter_b;  // names in the clauses ("": none)
    int pre_rc, iter_rc;
    const char* lines;  // the messages, one per line
  } const cases[] = {
      // all bound
      {"BETA", "", "ALPHA", 0, 0,
       "PPR3125I Pre_cursor editing successful\n"
       "PIT3138I Iterate editing successful\n"},
      // itself, unknown: every error is reported
      {"ALPHA", "GAMMA", "BETA", 1, 1,
       "PPR3115E Can't pre_cursor yourself in cursor ALPHA\n"
       "PPR3120E Pre_cursor GAMMA not found for cursor BETA\n"
       "PPR3130E Pre_cursor editing failed\n"
       "PIT3130E Can't iterate yourself in cursor BETA\n"
       "PIT3139E Iterate editing failed\n"},
      // names compare as whole names
      {"", "", "ALPHA2", 0, 1,
       "PPR3125I Pre_cursor editing successful\n"
       "PIT3135E Iterator ALPHA2 not found for cursor BETA\n"
       "PIT3139E Iterate editing failed\n"},
  };
  for (const auto& tc : cases) {
    reset_cursor_bindings();
    a->pre_cursors = b->pre_cursors = nullptr;
    for (auto [c, name] : {std::pair{a, tc.pre_a}, std::pair{b, tc.pre_b}}) {
      if (!*name) continue;
      c->pre_cursors = cursor_arena().make<pre_cursor>();
      strcpy(c->pre_cursors->name, name);
    }
    b->iterate = cursor_arena().make<struct iterate>();
    strcpy(b->iterate->name, tc.iter_b);
    mark();
    EXPECT_EQ(edit_pre_cursors(), tc.pre_rc);
    EXPECT_EQ(edit_iterates(), tc.iter_rc);
    std::string printed;
    for (const std::string& l : lines()) printed += l + "\n";
    EXPECT_EQ(printed, tc.lines);
    if (tc.pre_rc == 0 && a->pre_cursors) {
      EXPECT_EQ(bound_pre_cursor(a->pre_cursors), b);
    }
    EXPECT_EQ(bound_iterate_source(b), tc.iter_rc == 0 ? a : nullptr);
  }
}

}  // namespace
