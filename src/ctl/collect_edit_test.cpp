// The version check of a finished cursor block, on a record built directly
// (the control files make no conditional version); the other checks run
// through the files under tests/data/ctl/coll.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "ctl_fixture.h"

namespace {

class EditCursorBlock : public ctl_test {};

TEST_F(EditCursorBlock, RefusesAConditionalVirtualCursor) {
  curs c;
  memcpy(c.cur_name, "V", 2);
  c.interval = c.limit = 5;
  c.insert = "insert into T (x) values (?)";
  c.table_name = "T";
  add_column("x", 1, &c);
  c.virtual_ = 1;
  c.conditional = &c;
  int rc = -1;
  EXPECT_EQ(captured([&] { rc = edit_cursor_block(&c); }),
            std::vector<std::string>{"PCC0443E A virtual cursor (V) can't be conditional"});
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(reader.failed, 1);
}

}  // namespace
