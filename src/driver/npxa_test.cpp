// Printing records for the "npxa" process: every value type rendered exactly.
#include "driver/npxa.h"

#include "rows/row_record.h"
#include "sched_fixture.h"

namespace {

class NpxaTest : public SchedTest {};

TEST_F(NpxaTest, SendARowRendersEachType) {
  curs* c = cursor("C1", "", {"A", "B", "C", "D", "E", "F"});
  columns* col = c->column_list;
  col->fmt_len = 6;               // text
  col->next->num_type = 1;        // INT! at 8
  col->next->next->num_type = 2;  // FLOAT! at 16
  col = col->next->next->next;
  col->num_type = 4;       // NS!: not in the record
  col->next->fmt_len = 5;  // text cut to 3 at 24
  col->next->set_length = 3;
  col->next->next->num_type = 5;  // INT64! at 28, its text length passing the record
  col->next->next->fmt_len = 17;
  ASSERT_EQ(get_row_size(c), 36);
  char record[36] = "ab    ";
  const int32_t i = -42;
  const double d = 2.5;
  memcpy(record + 8, &i, 4);
  memcpy(record + 16, &d, 8);
  memcpy(record + 24, "   ", 3);
  memcpy(record + 28, "ABCDEFGH", 8);  // shown as its bytes
  mark();
  send_a_row(c, record);
  send_a_row(c, record);  // the same cursor: no table line
  std::vector<std::string> row = {
      "CPR1895I #=1,n=A,l=2,o=0,ll=6:ab",        "CPR1895I #=2,n=B,l=3,o=8,ll=4:-42",
      "CPR1895I #=3,n=C,l=8,o=16,ll=8:2.500000", "CPR1895I #=4,n=D,l=3,o=0,ll=0:ZIP",
      "CPR1895I #=5,n=E,l=1,o=24,ll=3: ",        "CPR1895I #=6,n=F,l=8,o=28,ll=17:ABCDEFGH",
  };
  std::vector<std::string> want = {"CPR1890I T_C1"};
  want.insert(want.end(), row.begin(), row.end());
  want.insert(want.end(), row.begin(), row.end());
  EXPECT_EQ(lines(), want);
}

}  // namespace
