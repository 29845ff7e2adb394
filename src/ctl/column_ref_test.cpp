// Column references read outside any cursor: the record is linked nowhere,
// no cursor's flags change, and a text without a name is refused.
#include "ctl/column_ref.h"

#include <gtest/gtest.h>

#include "clause_fixture.h"

namespace {

class column_spec : public clause_test {};

TEST_F(column_spec, ReadsWithoutTouchingAnyCursor) {
  const columns* col = read_column_spec("MIN!INT!cpu^12");
  ASSERT_NE(col, nullptr);
  EXPECT_STREQ(col->name, "cpu");
  EXPECT_EQ(col->col_funct, 1);
  EXPECT_EQ(col->num_type, 1);
  EXPECT_EQ(col->set_length, 12);
  EXPECT_EQ(col->next, nullptr);
  EXPECT_EQ(cur->column_list, nullptr);
  EXPECT_EQ(cur->has_col_funct, 0);
  EXPECT_EQ(cur->has_min_max, 0);
}

TEST_F(column_spec, NoNameIsRefused) {
  EXPECT_EQ(read_column_spec(""), nullptr);
  EXPECT_EQ(read_column_spec("INT!"), nullptr);
  EXPECT_EQ(read_column_spec("SUM!^5"), nullptr);
}

}  // namespace
