// Math columns and column exits over rows fetched from a real SQLite file:
// precedence, rounding and width, division by zero, marks, references to other
// cursors, every exit routine, and the start-up edits' refusals.
#include "derive/derived_columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
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

// Math definitions over the three rows of t (a, b, c, s):
// (2, 3, 4, "5"), (5, 1, 2, "abc"), (3, 2, 1, " 1e1x").
TEST_F(DerivedColumns, MathPrecedenceRoundingAndWidth) {
  struct math_case {
    const char* definition;         // the math clause after "math"
    int16_t declared;               // declared length of r, 0 for none
    std::vector<std::string> rows;  // r in each row
    const char* comment;
    const char* arith = nullptr;  // traced: the first "do_arith" line
  };
  const math_case cases[] = {
      {"r a + b * c", 8, {"   14.00", "    7.00", "    5.00"}, "* before +"},
      {"r ( a + b ) * c", 8, {"   20.00", "   12.00", "    5.00"}, "parentheses first"},
      {"r a - b - c", 8, {"   -5.00", "    2.00", "    0.00"}, "left to right"},
      {"r ( a + b ) * ( c - a ) / ( 1 + ( b * 2 ) )",
       8,
       {"    1.43", "   -6.00", "   -2.00"},
       "nested, rightmost open first"},
      {"r a + b / ( c - 4 )",
       8,
       {"    0.00", "    4.50", "    2.33"},
       "a zero divisor makes the whole answer 0"},
      {"decimal 0 r a / 2", 4, {"   1", "   3", "   2"}, "2.5 rounds to 3, 1.5 to 2"},
      {"decimal 0 r 0 - a / 2", 4, {"  -1", "  -3", "  -2"}, "-2.5 rounds to -3"},
      {"r a * 0.617", 8, {"    1.23", "    3.09", "    1.85"}, "1.234, 3.085, 1.851"},
      {"noround decimal 1 r a / 3", 8, {"     0.6", "     1.6", "     1.0"}, "cut, not rounded"},
      {"r a * 1000", 4, {"0.00", "0.00", "0.00"}, "too wide: the rightmost characters stay"},
      {"r a + 0.5",
       0,
       {"                 2.50", "                 5.50", "                 3.50"},
       "no declared length: 21 wide"},
      {"r s + 1",
       8,
       {"    6.00", "    1.00", "   11.00"},
       "text: its number, none as 0, stops where a number cannot go on"},
      {"r - a", 8, {"   -2.00", "   -5.00", "   -3.00"}, "led by an operator: 0 on the left"},
      {"high r a * 1", 8, {"    2.00", "    5.00", "    5.00"}, "high never decreases"},
      {"low r a * 1", 8, {"    2.00", "    2.00", "    2.00"}, "low never increases"},
      {"r a + O.x", 8, {"   11.00", "   14.00", "   12.00"}, "another cursor's newest row"},
      {"decimal 3 r c / 3", 8, {"   1.333", "   0.667", "   0.333"}, "three decimals"},
      {"r ( a + b ) * c",
       8,
       {"   20.00", "   12.00", "    5.00"},
       "traced: a group is shown with both its parentheses",
       "CMA3595T do_arith:  nil 2.000000 + 3.000000 nil\n"},
  };
  for (const math_case& mc : cases) {
    SCOPED_TRACE(mc.comment);
    TearDown();
    SetUp();
    curs* other = cursor("O", "SELECT x, w FROM o ORDER BY x", {"x", "w"});
    curs* cur = cursor("T", "SELECT a, b, c, s FROM t ORDER BY k", {"a", "b", "c", "s", "r"});
    cur->column_list->next->next->next->next->set_length = mc.declared;
    clause(parse_math, cur, mc.definition);
    cur->trace = mc.arith != nullptr;
    PrintCapture capture;
    ASSERT_EQ(edit_math(), 0);
    ASSERT_EQ(run(other), 0);
    ASSERT_EQ(run(cur), 0);
    EXPECT_EQ(values(cur, "r"), mc.rows);
    std::string lines = capture.lines();
    EXPECT_EQ(lines.substr(0, lines.find('\n') + 1), "PMA3520I Math editing successful\n");
    if (mc.arith) {
      size_t at = lines.find("CMA3595T");
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(lines.substr(at, lines.find('\n', at) + 1 - at), mc.arith);
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

// Every refusal of the math edit names what it could not bind.
TEST_F(DerivedColumns, MathEditRefusals) {
  struct edit_case {
    std::vector<const char*> definitions;
    const char* lines;  // the messages after the definitions are edited
  };
  const edit_case cases[] = {
      // a plain name that is no column
      {{"r zz + 1"}, "PMA3475E In math, variable (zz) not matched\nPMA3515E Math editing failed\n"},
      // a cursor that does not exist
      {{"r NOPE.x + 1"},
       "PMA3490E Cursor (NOPE) not found in text 'NOPE.x'\nPMA3515E Math editing failed\n"},
      // the own cursor by name; a column missing in another cursor
      {{"r T.a", "q O.zz"},
       "PMA3495E Qualified reference to own table in math, text = T.a\n"
       "PMA3480I Note -- referencing age_to cursor in (T) for math (O.zz)\n"
       "PMA3500E Column (zz) not found in O.zz\nPMA3515E Math editing failed\n"},
      // itself and a later math column
      {{"r r + 1", "q a", "p q * 2"},
       "PMA3510E Math expression for col r uses later math column r\n"
       "PMA3510E Math expression for col p uses later math column q\n"
       "PMA3515E Math editing failed\n"},
      // the age-to cursor is only noted
      {{"r O.x"},
       "PMA3480I Note -- referencing age_to cursor in (T) for math (O.x)\n"
       "PMA3520I Math editing successful\n"},
  };
  for (const edit_case& ec : cases) {
    SCOPED_TRACE(ec.lines);
    TearDown();
    SetUp();
    cursor("O", "SELECT x FROM o", {"x"});
    curs* cur = cursor("T", "SELECT a FROM t", {"a", "r", "p", "q"});
    strcpy(cur->age_to, "O");
    for (const char* d : ec.definitions) clause(parse_math, cur, d);
    PrintCapture capture;
    EXPECT_EQ(edit_math(), 1 - (std::string(ec.lines).find("successful") != std::string::npos));
    EXPECT_EQ(capture.lines(), ec.lines);
  }
}

// Each exit routine over the one row of e: j 'ab' (6 bytes wide), l '  ab'
// (12), z blanks (6), s 'abcdefghij' (10), n 12 (8), m '12/04/2011 07:59' (16),
// u 'ABCD' (16), p 'ab' (6); and O's newest row (w ' ef '). s, m and u are
// narrowed after a first run, as a fetch exit lays its columns out.
TEST_F(DerivedColumns, ColumnExits) {
  struct exit_case {
    std::vector<const char*> exits;  // column_exit clauses
    const char* column;
    std::string value;  // the column afterwards
    const char* lines;  // messages of the run
  };
  const exit_case cases[] = {
      // the zero fill past 'ab' counts as trailing blanks
      {{"j R_JUSTIFY"}, "j", "    ab", ""},
      // all blank: unchanged
      {{"z r_justify"}, "z", std::string("  \0\0\0\0", 6), ""},
      // leading blanks go to the end
      {{"l L_JUSTIFY"}, "l", "ab          ", ""},
      {{"s SUBSTR ( 3 , 4 )"}, "s", "cdef      ", ""},
      // past the end: warned, and length - start characters taken
      {{"s SUBSTR ( 3 , 10 )"},
       "s",
       "cdefghi   ",
       "CCC4060W Substring starting plus len exceeds length of s in cursor E\n"},
      // a start past the end fails and stops the column's chain
      {{"s SUBSTR ( 11 , 1 )", "s R_JUSTIFY"},
       "s",
       "abcdefghij",
       "CCC4056E Substring starting position exceeds length of s in cursor E\n"},
      // exits of one column run in statement order
      {{"s SUBSTR ( 2 , 3 )", "s R_JUSTIFY"}, "s", "       bcd", ""},
      // the second value of the same row, trimmed, appended
      {{"p CONCAT j"}, "p", "abab  ", ""},
      // another cursor's newest row; a number column is right-aligned
      {{"n CONCAT O.w"}, "n", "    12ef", ""},
      // an all-blank second value changes nothing
      {{"p CONCAT z"}, "p", std::string("ab\0\0\0\0", 6), ""},
      // 07:59 to the run at 08:30:05 is 31 minutes
      {{"m MINUTES"}, "m", "              31", ""},
      {{"j MINUTES"},
       "j",
       std::string("ab\0\0\0\0", 6),
       "CCC4046E Minutes calculation for column % when length != 16\n"},
      // the bytes 'ABCD' read as seconds since 1970: 2006-04-17 07:22:41 UTC
      {{"u MINUTES2"}, "u", "         2962147", ""},
      {{"u TIMESTAMP"}, "u", "2006041707224100", ""},
      {{"j TIMESTAMP"},
       "j",
       std::string("ab\0\0\0\0", 6),
       "CCC4053E Timestamp calculation for column % when length != 16\n"},
  };
  for (const exit_case& xc : cases) {
    SCOPED_TRACE(xc.exits[0]);
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
    for (const char* x : xc.exits) clause(parse_col_ex, cur, x);
    ASSERT_EQ(edit_col_exits(), 0);
    PrintCapture capture;
    ASSERT_EQ(run(cur), 0);
    EXPECT_EQ(values(cur, xc.column), (std::vector<std::string>{xc.value}));
    EXPECT_EQ(capture.lines(), xc.lines);
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
  struct virtual_case {
    const char* dict;                   // DICT.CTL
    const char* name;                   // the virtual cursor
    std::vector<const char*> columns;   // its columns
    std::string lines;                  // messages of init_virtuals
    std::vector<std::string> row;       // its row text, each NUL shown as '|'
    std::vector<std::string> statused;  // the row after set_status(-1017)
  };
  const char* dict =
      "name CPU;\ntype INTEGER;\ninitial 7;\nname HOST;\ntype CHAR(6);\ninitial 'ab';\n"
      "name SQLRC;\ntype CHAR(8);\nend;\n";
  const std::string initial = std::string(20, ' ') + "7|ab    |";
  const virtual_case cases[] = {
      // a number right-aligned, a text at the start; NOPE takes no room
      {dict,
       "SERVSTAT",
       {"CPU", "HOST", "SQLRC", "NOPE"},
       "PVT2185E Host var not matched: SERVSTAT.NOPE (4)\n",
       {initial + "|||||||||"},
       {initial + "-1017   |"}},
      // the name in lower case is the status cursor too
      {dict, "servstat", {"SQLRC"}, "", {"|||||||||"}, {"-1017   |"}},
      // any other name is not
      {dict, "VIRT", {"SQLRC"}, "", {"|||||||||"}, {"|||||||||"}},
      {"name SQLRC;\ntype CHAR(4);\nend;\n",
       "SERVSTAT",
       {"SQLRC"},
       "PVT2190W SQLRC in SERVSTAT is too short at 4 (at least 6)\n",
       {"|||||"},
       {"|||||"}},
  };
  for (const virtual_case& vc : cases) {
    SCOPED_TRACE(vc.name);
    TearDown();
    SetUp();
    FILE* in = fmemopen(const_cast<char*>(vc.dict), strlen(vc.dict), "r");
    ASSERT_EQ(parse_dict_stream(in), 0);
    fclose(in);
    curs* cur = cursor(vc.name, "", {});
    for (const char* c : vc.columns) test_column(cur, c);
    cur->virtual_ = 1;
    PrintCapture capture;
    ASSERT_EQ(init_virtuals(), 0);
    EXPECT_EQ(capture.lines(), vc.lines);
    EXPECT_EQ(texts(cur), vc.row);
    set_status(-1017);
    EXPECT_EQ(texts(cur), vc.statused);
    EXPECT_EQ(cur->row_count, 1);
    EXPECT_EQ(cur->demand, 1);
  }
}
}  // namespace
