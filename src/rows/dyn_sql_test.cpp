// Cursor runs against real SQLite files: buffer lengths per declared type,
// fetched values as stored rows, skipped rows, refused types, too many items,
// failing statements and merges, and the run's counters.
#include "rows/dyn_sql.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/clauses.h"
#include "rows/select_desc.h"
#include "sql_fixture.h"

namespace {

using DynSqlTest = SqlTest;

TEST_F(DynSqlTest, BufferLengthsAndStoredValuesPerType) {
  make_db(
      "CREATE TABLE t(v2 VARCHAR2(200), v1 VARCHAR2(100), c CHAR(3), n NUMBER(5,-2), nn NUMBER,"
      " np NUMBER(4,1), i INTEGER, d DATE, r RAW(3));"
      "INSERT INTO t VALUES('abc', 'xy', 'Q', 12300, 42, -1.5, 7, '2011-12-04', x'0AFF10');");
  curs* cur = cursor("TYPES", "SELECT v2, v1, c, n, nn, np, i, d, r FROM t",
                     {"v2", "v1", "c", "n", "nn", "np", "i", "d", "r"});
  ASSERT_EQ(run(cur), 0);
  // Each value fills its place (a NUL shows as '|'), and one NUL ends it.
  const std::string places[] = {
      "abc" + std::string(381, '|'),  // VARCHAR2(200): three bytes a character, capped at 384
      "xy" + std::string(298, '|'),   // VARCHAR2(100)
      "Q  ||||||",                    // CHAR(3): blank padded
      "    12300",                    // NUMBER(5,-2): precision + 2 + 2, right-justified
      std::string(19, ' ') + "42",    // NUMBER without precision counts 19 digits
      "  -1.5",                       // NUMBER(4,1)
      std::string(20, ' ') + "7",     // INTEGER: 19 digits
      "04-DEC-11",                    // DATE in DD-MON-RR
      "0AFF10",                       // RAW(3) as hexadecimal text
  };
  std::string expected;
  for (const std::string& place : places) expected += place + "|";
  std::vector<int> types;
  for (columns* col = cur->column_list; col; col = col->next) types.push_back(col->orig_type);
  EXPECT_EQ(types, std::vector<int>({1, 1, 1, 2, 2, 2, 2, 12, 1}));  // CHAR and RAW: character
  EXPECT_EQ(texts(cur), std::vector<std::string>{expected});
}

TEST_F(DynSqlTest, NullsLongTextAndSkippedRows) {
  make_db(
      "CREATE TABLE t(k INTEGER, v RAW(1), n NUMBER(3), w VARCHAR2(200));"
      "INSERT INTO t VALUES(1, x'AB', 5, printf('%.500c', 'x'));"
      "INSERT INTO t VALUES(2, NULL, 'abc', 'skipped');"
      "INSERT INTO t VALUES(3, NULL, NULL, NULL);");
  curs* cur = cursor("NULLS", "SELECT k, v, n, w FROM t ORDER BY k", {"k", "v", "n", "w"});
  PrintCapture capture;
  ASSERT_EQ(run(cur), 0);
  std::vector<std::string> rows = texts(cur);
  ASSERT_EQ(rows.size(), 2u);
  // A 500-character value keeps the 200 bytes declared; the rest of its place is zero.
  EXPECT_EQ(rows[0], std::string(20, ' ') + "1|AB|    5|" + std::string(200, 'x') +
                         std::string(184, '|') + "|");
  // NULL: "NULL" cut to a 2-byte place (RAW(1) as text); a number ends in '0'; other text
  // starts with NULL.
  EXPECT_EQ(rows[1], std::string(20, ' ') + "3|NU|    0|NULL" + std::string(380, ' ') + "|");
  EXPECT_EQ(cur->last_row->row_no, 2);  // the skipped row takes no number
  // The row whose number is not a number was skipped with its reports.
  EXPECT_EQ(capture.lines(),
            "ORU0006E SQLCODE for FETCH = -1722\n"
            "ORU0007E Stmt = SELECT k, v, n, w FROM t ORDER BY k\n"
            "ORU0008E ORACLE Message invalid number: column n holds 'abc' for FETCH\n");
}

// Rows of tests/data/rows/failed_runs.txt.
TEST_F(DynSqlTest, FailedRuns) {
  make_db(
      "CREATE TABLE t(a VARCHAR2(5), l LONG, lr LONG RAW, rid ROWID);"
      "INSERT INTO t(a) VALUES('x');");
  for (auto& row : data_rows("rows/failed_runs.txt", 7)) {
    SCOPED_TRACE(row[0]);
    curs* cur = cursor("BAD", row[0].c_str(), {});
    for (std::istringstream names(row[1]); std::getline(names, row[1], ',');)
      test_column(cur, row[1].c_str());
    if (!row[6].empty()) {
      ASSERT_EQ(parse_set_len(cur, row[6].data()), 0);
    }
    PrintCapture capture;
    EXPECT_EQ(run(cur), std::stoi(row[2]));
    EXPECT_EQ(capture.lines(), row[3]);
    EXPECT_TRUE(row[4] == "-" || database_connected() == (row[4] == "1"));
    EXPECT_TRUE(row[5] == "-" || cur->hold == std::stoi(row[5])) << static_cast<int>(cur->hold);
  }
}

TEST_F(DynSqlTest, SetLenLengthsReplaceTheTypeRules) {
  make_db(
      "CREATE TABLE t(v VARCHAR2(100), n NUMBER(5), w VARCHAR2(1000));"
      "INSERT INTO t VALUES('abcdef', 123, printf('%.500c', 'w'));");
  curs* cur = cursor("SETLEN", "SELECT v, n, w FROM t", {"v", "n", "w"});
  // Shorter than the type's length (cut on a character), longer than a number's, and
  // longer than any type gives: the 500 bytes stay whole.
  char v[] = "v 4", n[] = "n 9", w[] = "w 600";
  for (char* clause : {v, n, w}) ASSERT_EQ(parse_set_len(cur, clause), 0);
  // The first run already lays the row out with them, so the second keeps its layout.
  ASSERT_EQ(run(cur), 0);
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(cur->lengths_set, 1);
  const std::string row = "abcd|      123|" + std::string(500, 'w') + std::string(101, '|');
  EXPECT_EQ(texts(cur), (std::vector<std::string>{row, row}));
}

TEST_F(DynSqlTest, CountersAndTimingOfRuns) {
  make_db("CREATE TABLE t(a INTEGER); INSERT INTO t VALUES(1); INSERT INTO t VALUES(2);");
  curs* cur = cursor("COUNT", "SELECT a FROM t", {"a"});
  cur->limit = 3;
  ASSERT_EQ(run(cur), 0);
  clock_.advance(30);
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(total_, 4);
  EXPECT_EQ(cur->current_interval, 30);
  // The row limit keeps the newest three: sample 1 row 2, sample 2 rows 1 and 2.
  std::vector<std::pair<int, int>> numbers;
  for (const text_row* r = cur->first_row; r; r = r->next)
    numbers.push_back({r->sample_no, r->row_no});
  EXPECT_EQ(numbers, (std::vector<std::pair<int, int>>{{1, 2}, {2, 1}, {2, 2}}));
  // A cursor run once keeps its rows.
  cur->once = 1;
  EXPECT_EQ(run(cur), 0);
  EXPECT_EQ(cur->sample_no, 2);
}

TEST_F(DynSqlTest, CharacterItemsNeedNoLocale) {
  make_db(
      "CREATE TABLE t(nv NVARCHAR2(4), v VARCHAR2(4)); INSERT INTO t VALUES('h\xc3\xa9', 'ok');");
  setenv("LC_ALL", "no_SUCH.locale", 1);
  curs* cur = cursor("NLS", "SELECT nv, v FROM t", {"nv", "v"});
  PrintCapture capture;
  ASSERT_EQ(run(cur), 0);
  unsetenv("LC_ALL");
  // Both arrive in a code page the client knows (UTF-16BE, UTF-8): no locale is asked.
  EXPECT_EQ(texts(cur), std::vector<std::string>{"h\xc3\xa9" + std::string(9, '|') + "|ok" +
                                                 std::string(10, '|') + "|"});
  EXPECT_EQ(capture.lines(), "");
}

// An expression item takes its type from its first value; once it has, a run
// whose first value is NULL, or that has no row, keeps that type, and later
// values of such a run are fetched in it.
TEST_F(DynSqlTest, ExpressionItemsKeepTheTypeAValueGaveThem) {
  make_db("CREATE TABLE t(k INTEGER, x INTEGER); INSERT INTO t VALUES(1, 5), (2, 7);");
  curs* agg = cursor("AGG", "SELECT max(x) AS m FROM t", {"m"});
  curs* each = cursor("EACH", "SELECT x * 2 AS d FROM t ORDER BY k", {"d"});
  // The rows of a cursor's last run, each without its leading blanks.
  auto last_run = [](const curs* cur) {
    std::string joined;
    for (const text_row* r = cur->first_row; r; r = r->next) {
      if (r->sample_no != cur->sample_no) continue;
      std::string t(r->text(), static_cast<size_t>(cur->length));
      std::replace(t.begin(), t.end(), '\0', '|');
      joined += t.substr(t.find_first_not_of(' '));
    }
    return joined;
  };
  struct step {
    const char* sql;        // the table's change before the runs
    const char* agg_rows;   // AGG's rows of the run
    const char* each_rows;  // EACH's rows of the run
  } const steps[] = {
      {"", "7|", "10|14|"},                       // typed NUMBER by the first values
      {"DELETE FROM t;", "0|", ""},               // NULL aggregate, no row: still NUMBER
      {"INSERT INTO t VALUES(1, NULL), (2, 3);",  // first value NULL, then one that is
       "3|", "0|6|"},
  };
  PrintCapture capture;
  for (const step& s : steps) {
    SCOPED_TRACE(s.sql);
    if (*s.sql) make_db(s.sql);
    ASSERT_EQ(run(agg), 0);
    ASSERT_EQ(run(each), 0);
    EXPECT_EQ(agg->item_lens, std::vector<int32_t>{21});  // NUMBER: 19 digits + 2
    EXPECT_EQ(last_run(agg), s.agg_rows);
    EXPECT_EQ(last_run(each), s.each_rows);
  }
  // The layout never changed: no stored rows were dropped for it.
  EXPECT_EQ(capture.lines().find("ORU0016W"), std::string::npos) << capture.lines();
}

TEST_F(DynSqlTest, EveryTraceLevelCollectsTheSameRow) {
  make_db("CREATE TABLE t(r RAW(2)); INSERT INTO t VALUES(x'00FF');");
  curs* cur = cursor("TRC", "SELECT r FROM t", {"r"});
  for (int level = 0; level <= 9; ++level) tracing.my_trace_all[level] = 1;
  tracing.trace_all = 1;
  cur->trace = cur->show_row = 1;
  PrintCapture capture;
  ASSERT_EQ(run(cur), 0);
  EXPECT_NE(capture.lines().find("CAT1545T Col #1= r, datatype= 23 datalen= 4\n"),
            std::string::npos);
  EXPECT_EQ(texts(cur), (std::vector<std::string>{"00FF|"}));
}

}  // namespace
