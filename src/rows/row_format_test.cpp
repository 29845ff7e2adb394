// Row placement over real SQLite rows: n! addressing, water marks, columns that
// cannot be resolved (with SQL and without; the cursor is held), and the column
// table shown after the first row.
#include "rows/row_format.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sql_fixture.h"

namespace {

using RowFormatTest = SqlTest;

TEST_F(RowFormatTest, OccurrencesAndWaterMarks) {
  make_db(
      "CREATE TABLE t(k INTEGER, v NUMBER(2), c VARCHAR2(1));"
      "INSERT INTO t VALUES(1, 50, 'm'), (2, 70, 'z'), (3, 20, 'a'), (4, 60, 'b');");
  curs* cur = cursor("WATER", "SELECT k, v, c FROM t ORDER BY k", {"3!", "V", "v", "c"});
  columns* occ = cur->column_list;
  occ->occurrence = 3;
  occ->set_length = 3;                   // equal to the item's length: cleared
  occ->next->col_funct = 7;              // HIGH_WATER, the name matched without regard to case
  occ->next->next->col_funct = 8;        // LOW_WATER
  occ->next->next->next->col_funct = 7;  // HIGH_WATER over text
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(occ->set_length, 0);
  EXPECT_EQ(texts(cur), (std::vector<std::string>{"m|||  50|  50|m|||", "z|||  70|  50|z|||",
                                                  "a|||  70|  20|z|||", "b|||  70|  20|z|||"}));
}

TEST_F(RowFormatTest, UnresolvedColumnsFailTheRow) {
  make_db("CREATE TABLE t(a VARCHAR2(1)); INSERT INTO t VALUES('x');");
  for (const auto& row : data_rows("rows/unresolved.txt", 4)) {  // the rows of that file
    curs* cur = cursor("BAD", "SELECT a FROM t", {row[0].c_str()});
    cur->column_list->occurrence = static_cast<int16_t>(std::stoi(row[1]));
    cur->no_sql = static_cast<int16_t>(std::stoi(row[2]));
    PrintCapture capture;
    EXPECT_EQ(run(cur), 1);
    std::string lines = capture.lines();
    EXPECT_EQ(lines.substr(0, lines.find('\n') + 1), row[3]);
    EXPECT_EQ(cur->hold, 'Y') << row[0];
    EXPECT_EQ(cur->row_count, 0);
  }
}

TEST_F(RowFormatTest, ColumnTableAfterTheFirstRow) {
  make_db(
      "CREATE TABLE t(n NUMBER(3), s VARCHAR2(2), d DATE); INSERT INTO t VALUES(1, 'a', "
      "'2011-12-04');");
  curs* cur = cursor("SHOW", "SELECT n, s, d FROM t", {"n", "s", "d"});
  cur->table_name = "DISKS";
  cur->show_cursor = 1;
  cur->column_list->num_type = 1;
  cur->column_list->next->next->num_type = 4;
  host_col h1{nullptr, "DNAME"};
  host_col h0{&h1, "HCNT"};
  cur->host_cols = &h0;
  PrintCapture capture;
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(capture.lines(),
            "CSC1900I Curs= SHOW , host table= DISKS\n"
            "CSC1920I #1 Host=HCNT (0,5), Orig=n, Orig-t=Number, send_t=Integer, len=4\n"
            "CSC1920I #2 Host=DNAME (6,6), Orig=s, Orig-t=Char, send_t=Char, len=6\n"
            "CSC1920I #3 Host= (13,9), Orig=d, Orig-t=Date, send_t=NO-SEND, len=0\n");
  EXPECT_EQ(cur->show_cursor, 0);  // shown once
}

}  // namespace
