// Math columns and column exits over rows fetched from a real SQLite file:
// precedence, rounding and width, division by zero, marks, references to other
// cursors, every exit routine, and the start-up edits' refusals.
#include "derive/derived_columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/clauses.h"
#include "ctl/dict.h"
#include "derive/math.h"
#include "derive/percent_cursor.h"
#include "sql_fixture.h"

namespace {

class DerivedColumns : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    register_derived_columns();
    if (!std::filesystem::exists(dir_.file("coll.db")))
      make_db(
          "CREATE TABLE t(k INTEGER, a NUMBER, b NUMBER, c NUMBER, s VARCHAR(10));"
          "INSERT INTO t VALUES(1, 2, 3, 4, '5'), (2, 5, 1, 2, 'abc'), (3, 3, 2, 1, ' 1e1x');"
          "CREATE TABLE o(x NUMBER, w VARCHAR(4));"
          "INSERT INTO o VALUES(7, 'cd'), (9, ' ef ');"
          // Character items are fetched 3 bytes a character wide.
          "CREATE TABLE e(j VARCHAR(2), l VARCHAR(4), z CHAR(2), s VARCHAR(10), n NUMBER(6),"
          " m CHAR(16), u CHAR(16), p VARCHAR(2));"
          "INSERT INTO e VALUES('ab', '  ab', '', 'abcdefghij', 12, '12/04/2011 07:59',"
          " 'ABCD', 'ab');");
  }

  // Adds the clause text to `cur` through `parser`; fails the test on refusal.
  static void clause(int (*parser)(curs*, char*), curs* cur, const std::string& text) {
    std::string buffer = text + "    ";
    ASSERT_EQ(parser(cur, buffer.data()), 0) << text;
  }

  // `parts` with `sep` between them.
  static std::string joined(const std::vector<std::string>& parts, const char* sep) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : sep) + p;
    return out;
  }

  // The value of column `name` in each stored row of `cur`.
  static std::vector<std::string> values(const curs* cur, const char* name) {
    const columns* col = cur->column_list;
    while (col && strcmp(col->name, name) != 0) col = col->next;
    std::vector<std::string> out;
    for (const text_row* r = cur->first_row; r; r = r->next)
      out.emplace_back(r->text() + col->offset, static_cast<size_t>(col->fmt_len));
    return out;
  }
};

// Rows of tests/data/derive/math.txt.
TEST_F(DerivedColumns, MathPrecedenceRoundingAndWidth) {
  for (const auto& mc : data_rows("derive/math.txt", 4)) {
    SCOPED_TRACE(mc[0]);
    TearDown();
    SetUp();
    curs* other = cursor("O", "SELECT x, w FROM o ORDER BY x", {"x", "w"});
    curs* cur = cursor("T", "SELECT a, b, c, s FROM t ORDER BY k", {"a", "b", "c", "s", "r"});
    cur->column_list->next->next->next->next->set_length = static_cast<int16_t>(std::stoi(mc[1]));
    clause(parse_math, cur, mc[0]);
    cur->trace = !mc[3].empty();
    PrintCapture capture;
    ASSERT_EQ(edit_math(), 0);
    ASSERT_EQ(run(other), 0);
    ASSERT_EQ(run(cur), 0);
    EXPECT_EQ(joined(values(cur, "r"), "/"), mc[2]);
    std::string lines = capture.lines();
    EXPECT_EQ(lines.substr(0, lines.find('\n') + 1), "PMA3520I Math editing successful\n");
    if (!mc[3].empty()) {
      size_t at = lines.find("CMA3595T");
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(lines.substr(at, lines.find('\n', at) + 1 - at), mc[3]);
    }
  }
}

// The answer text is printf's "%f": ties rounded half to even, negative zero,
// both sides of the exact fast path, and values of every magnitude.
TEST(MathText, SixDecimalsAsPrintfWrites) {
  std::vector<double> values = {0.0,    -0.0,   0.0078125, -0.0078125,        0.0234375,
                                2.5e-7, 7.5e-7, -1e-9,     999999999999.9,    1e12,
                                -1e12,  1e300,  5e-324,    4503599627370497.0};
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> power(-9, 14);
  for (int i = 0; i < 200000; ++i) values.push_back(unit(random) * std::pow(10.0, power(random)));
  char want[400], got[400];
  for (double v : values) {
    snprintf(want, sizeof want, "%f", v);
    *fixed6(got, sizeof got - 1, v) = '\0';
    ASSERT_STREQ(got, want) << v;
  }
}

// A reference to a cursor without rows, and to the age-to cursor before its
// first copy, each with the message it prints.
TEST_F(DerivedColumns, MathReferencesWithoutRows) {
  curs* empty = cursor("O", "SELECT x FROM o WHERE x > 100", {"x"});
  cursor("A", "SELECT x FROM o WHERE x > 100", {"x"});
  curs* cur = cursor("T", "SELECT a FROM t WHERE k = 1", {"a", "r", "q"});
  strcpy(cur->age_to, "A");
  clause(parse_math, cur, "r a + O.x");
  clause(parse_math, cur, "initial 4.5 q A.x * 2");
  ASSERT_EQ(edit_math(), 0);
  ASSERT_EQ(run(empty), 0);
  cur->post_copy = 1;
  PrintCapture capture;
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(values(cur, "r"), (std::vector<std::string>{"                 0.00"}));
  EXPECT_EQ(values(cur, "q"), (std::vector<std::string>{"                 4.50"}));
  EXPECT_EQ(capture.lines(),
            "CMA3530W Math statement r for cursor T references O which has no rows, setting "
            "answer to 0\n");
}

// Rows of tests/data/derive/math_edits.txt.
TEST_F(DerivedColumns, MathEditRefusals) {
  for (const auto& row : data_rows("derive/math_edits.txt", 2)) {
    SCOPED_TRACE(row[0]);
    TearDown();
    SetUp();
    cursor("O", "SELECT x FROM o", {"x"});
    curs* cur = cursor("T", "SELECT a FROM t", {"a", "r", "p", "q"});
    strcpy(cur->age_to, "O");
    std::istringstream in(row[0]);
    for (std::string d; std::getline(in, d, ';');) clause(parse_math, cur, d);
    PrintCapture capture;
    EXPECT_EQ(edit_math(), row[1].find("successful") == std::string::npos);
    EXPECT_EQ(capture.lines(), row[1]);
  }
}

// Rows of tests/data/derive/column_exits.txt. s, m and u are narrowed after a
// first run, as a fetch exit lays its columns out.
TEST_F(DerivedColumns, ColumnExits) {
  for (const auto& row : data_rows("derive/column_exits.txt", 3)) {
    SCOPED_TRACE(row[0]);
    TearDown();
    SetUp();
    curs* other = cursor("O", "SELECT x, w FROM o ORDER BY x", {"x", "w"});
    curs* cur = cursor("E", "SELECT j, l, z, s, n, u, p, m FROM e",
                       {"j", "l", "z", "s", "n", "u", "p", "m"});
    ASSERT_EQ(run(other), 0);
    ASSERT_EQ(run(cur), 0);
    free_all_rows(cur);
    int32_t at = 0;
    for (columns* col = cur->column_list; col; col = col->next) {
      if (strchr("smu", col->name[0])) col->fmt_len = col->name[0] == 's' ? 10 : 16;
      col->offset = at;
      at += col->fmt_len + 1;
    }
    cur->length = at;
    std::istringstream in(row[0]);
    for (std::string x; std::getline(in, x, ';');) clause(parse_col_ex, cur, x);
    ASSERT_EQ(edit_col_exits(), 0);
    PrintCapture capture;
    ASSERT_EQ(run(cur), 0);
    EXPECT_EQ(values(cur, row[0].substr(0, 1).c_str()), (std::vector<std::string>{row[1]}));
    EXPECT_EQ(capture.lines(), row[2]);
  }
}

// The exit edit refuses exits of unknown columns and CONCAT columns it cannot
// find; CONCAT from a cursor without rows fails at run time.
TEST_F(DerivedColumns, ColumnExitRefusals) {
  curs* empty = cursor("O", "SELECT x, w FROM o WHERE x > 100", {"x", "w"});
  curs* cur = cursor("E", "SELECT j, p FROM e", {"j", "p"});
  clause(parse_col_ex, cur, "q R_JUSTIFY");
  clause(parse_col_ex, cur, "j CONCAT zz");
  clause(parse_col_ex, cur, "p CONCAT NOPE.w");
  PrintCapture capture;
  EXPECT_EQ(edit_col_exits(), 1);
  EXPECT_EQ(capture.lines(),
            "PDE3955E Column zz not found\n"
            "PCE4185E Column (zz) in concatenate not found\n"
            "PDE3965E Cursor NOPE not found in text NOPE.w\n"
            "PCE4185E Column (NOPE.w) in concatenate not found\n"
            "PCE4190E Column q in cursor E not matched for column exit\n"
            "PCE4195E Column exit editing failed\n");

  TearDown();
  SetUp();
  empty = cursor("O", "SELECT x, w FROM o WHERE x > 100", {"x", "w"});
  cur = cursor("E", "SELECT j, p FROM e", {"j", "p"});
  clause(parse_col_ex, cur, "p CONCAT O.w");
  ASSERT_EQ(edit_col_exits(), 0);
  ASSERT_EQ(run(empty), 0);
  PrintCapture run_capture;
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(values(cur, "p"), (std::vector<std::string>{std::string("ab\0\0\0\0", 6)}));
  EXPECT_EQ(run_capture.lines(),
            "CCF4580W In concat, second column (w) is in cursor(O) with no rows\n");
}

// Percent variables as columns of T over the rows of t, after O ran without
// rows: each column reads the variable's place in the percent row.
TEST_F(DerivedColumns, PercentVariables) {
  struct percent_case {
    const char* column;  // a column of T
    std::string value;   // its value in the three rows; '#' stands for the row number
    const char* comment;
  };
  const std::string n20(20, ' ');
  const percent_case cases[] = {
      {"%me", "srv" + std::string(29, ' '), "the server id: machine_id bytes 64 to 95"},
      {"%MACHINE", "host1" + std::string(59, ' '), "names compare without case"},
      {"%machine_me", "host1" + std::string(59, ' ') + "srv     ",
       "the database kind ORA makes it %machine_me_ora"},
      {"%now_time", "2011120408300500", "the run's time text and 00"},
      {"%rowno", n20 + "#", "the row's number in its run"},
      {"%sampleno", n20 + "1", "the sample being built"},
      {"%sqlcode_O", std::string(13, ' ') + "100", "another cursor's last SQLCODE"},
      {"%parm1", "it's", "a probe parameter, at the length it had when bound"},
      {"%parm2", std::string(21, ' '), "no parameter yet: blanks"},
  };
  memset(machine_id, ' ', sizeof machine_id);
  memcpy(machine_id, "host1", 5);
  memcpy(machine_id + 64, "srv", 3);
  curs* other = cursor("O", "SELECT x FROM o WHERE x > 100", {"x"});
  curs* cur = cursor("T", "SELECT k FROM t ORDER BY k", {"k"});
  for (const percent_case& pc : cases) test_column(cur, pc.column);
  curs* unknown = cursor("U", "SELECT k FROM t", {"k", "%nosuch"});
  ASSERT_EQ(create_percent_cursor(), 0);
  ASSERT_EQ(set_percent_parm(find_pcnt_col("%parm1"), "it's", 4), 0);
  EXPECT_EQ(set_percent_parm(find_pcnt_col("%rowno"), "1", 1), 1);  // not a parameter
  ASSERT_EQ(run(other), 0);
  ASSERT_EQ(run(cur), 0);
  for (const percent_case& pc : cases) {
    SCOPED_TRACE(pc.comment);
    std::vector<std::string> want;
    for (char row : {'1', '2', '3'}) {
      want.push_back(pc.value);
      std::replace(want.back().begin(), want.back().end(), '#', row);
    }
    EXPECT_EQ(values(cur, pc.column), want);
  }
  // The percent cursor is held, last on the chain, with one column per
  // variable, per cursor read before it and per parameter.
  const curs* pcur = unknown->next;
  ASSERT_NE(pcur, nullptr);
  EXPECT_STREQ(pcur->cur_name, "%CURSOR");
  EXPECT_EQ(pcur->hold, 'Y');
  EXPECT_EQ(pcur->held_other, 1);  // the collection loop keeps it held
  int count = 0;
  for (const columns* col = pcur->column_list; col; col = col->next) ++count;
  EXPECT_EQ(count, 10 + 3 + 40);
  EXPECT_NE(find_pcnt_col("%sqlcode_U"), nullptr);
  EXPECT_NE(find_pcnt_col("%parm27"), nullptr);
  EXPECT_EQ(find_pcnt_col("%parm28"), nullptr);
  // An unknown variable holds its cursor.
  PrintCapture capture;
  EXPECT_NE(run(unknown), 0);
  EXPECT_EQ(unknown->hold, 'Y');
  EXPECT_EQ(capture.lines(),
            "CAT1560E Un-identified percent variable %nosuch\n"
            "RPF0350E Time = 20111204083005 For cursor U, merge failed after = 1 rowsHolding "
            "cursor\n");
}

// Virtual rows laid out from the dictionary: initial values placed by type, a
// column without an entry, and SERVSTAT's SQLRC as the server-status text.
TEST_F(DerivedColumns, VirtualCursors) {
  const char* dict =
      "name CPU;\ntype INTEGER;\ninitial 7;\nname HOST;\ntype CHAR(6);\ninitial 'ab';\n"
      "name SQLRC;\ntype CHAR(8);\nend;\n";
  const std::string initial = std::string(20, ' ') + "7|ab    |";
  struct virtual_case {
    const char* dict;      // DICT.CTL
    const char* name;      // the virtual cursor
    const char* columns;   // its columns, blank-separated
    std::string lines;     // messages of init_virtuals
    std::string row;       // its row text, each NUL shown as '|'
    std::string statused;  // the row after set_status(-1017)
  } const cases[] = {
      // a number right-aligned, a text at the start; NOPE takes no room
      {dict, "SERVSTAT", "CPU HOST SQLRC NOPE",
       "PVT2185E Host var not matched: SERVSTAT.NOPE (4)\n", initial + "|||||||||",
       initial + "-1017   |"},
      {dict, "servstat", "SQLRC", "", "|||||||||", "-1017   |"},  // lower case: the status cursor
      {dict, "VIRT", "SQLRC", "", "|||||||||", "|||||||||"},      // any other name is not
      {"name SQLRC;\ntype CHAR(4);\nend;\n", "SERVSTAT", "SQLRC",
       "PVT2190W SQLRC in SERVSTAT is too short at 4 (at least 6)\n", "|||||", "|||||"},
  };
  for (const virtual_case& vc : cases) {
    SCOPED_TRACE(vc.name);
    TearDown();
    SetUp();
    FILE* in = fmemopen(const_cast<char*>(vc.dict), strlen(vc.dict), "r");
    ASSERT_EQ(parse_dict_stream(in), 0);
    fclose(in);
    curs* cur = cursor(vc.name, "", {});
    std::istringstream names(vc.columns);
    for (std::string c; names >> c;) test_column(cur, c.c_str());
    cur->virtual_ = 1;
    PrintCapture capture;
    ASSERT_EQ(init_virtuals(), 0);
    EXPECT_EQ(capture.lines(), vc.lines);
    EXPECT_EQ(texts(cur), std::vector<std::string>{vc.row});
    set_status(-1017);
    EXPECT_EQ(texts(cur), std::vector<std::string>{vc.statused});
    EXPECT_EQ(cur->row_count, 1);
    EXPECT_EQ(cur->demand, 1);
  }
}
}  // namespace
