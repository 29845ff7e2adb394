// Column functions over real SQLite rows: the arithmetic and text rules of
// every function, the summary row's other columns, and the comparison the
// evaluator makes.
#include "rows/column_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "ctl/eval.h"
#include "rows/evaluator.h"
#include "sql_fixture.h"

namespace {

using namespace std::string_view_literals;
using ColumnFunctionTest = SqlTest;

// One summary row over the rows (k, v) of `values`, v of SQL type `type`.
struct funct_case {
  const char* type;    // SQL type of v
  const char* values;  // rows (k, v) in insertion order
  int16_t funct;       // v's function
  bool old_sample;     // the rows belong to a sample before the newest
  const char* want;    // "k|v" of the summary row, v without leading blanks and each NUL
                       // as '.'; "refused": nothing sent
};
const funct_case kCases[] = {
    {"NUMBER(9,3)", "(1,1.5),(2,2.25),(3,3)", FUNCT_AVG, false, "3|2.25"},      // 2 decimals kept
    {"NUMBER(9,3)", "(1,1),(2,2),(3,3)", FUNCT_AVG, false, "3|2"},              // no decimals
    {"NUMBER(9,3)", "(1,1.125),(2,2)", FUNCT_AVG, false, "2|1.562"},            // cut, not rounded
    {"NUMBER(9,3)", "(1,10),(2,20),(3,30)", FUNCT_WAVG, false, "3|23"},         // 140 / 6
    {"NUMBER(9,3)", "(1,10),(2,20),(3,30)", FUNCT_TREND, false, "3|1.166667"},  // 23.33 / 20
    {"NUMBER(3)", "(1,10),(2,20),(3,30)", FUNCT_TREND, false, "3|1.166"},       // cut to the column
    {"NUMBER(9,3)", "(1,-5),(2,5)", FUNCT_TREND, false, "2|0.000000"},  // average 0: no trend
    {"NUMBER(9,3)", "(1,1.9),(2,2.9)", FUNCT_SUM, false, "2|3"},        // integer parts
    {"NUMBER(19)", "(1,9223372036854775807),(2,5)", FUNCT_SUM, false,   // held at the top
     "2|9223372036854775807"},
    {"NUMBER(19)", "(1,-9223372036854775807),(2,-5)", FUNCT_SUM, false,  // held at the bottom
     "2|-9223372036854775808"},
    {"NUMBER(25)", "(1,100000000000000000000),(2,-5)", FUNCT_SUM, false,  // out of range:
     "2|9223372036854775802"},                                            // counts as the top
    {"NUMBER(9,3)", "(1,5),(2,10),(3,5)", FUNCT_MIN, false, "1|5"},       // by value; ties: first
    {"NUMBER(9,3)", "(1,5),(2,10),(3,7)", FUNCT_MAX, false, "2|10"},      // its row's k
    {"VARCHAR2(2)", "(1,'5'),(2,'10')", FUNCT_MIN, false, "2|10...."},    // text: by bytes
    {"VARCHAR2(2)", "(1,'b'),(2,NULL),(3,'c')", FUNCT_MIN, false, "1|b....."},  // NULL skipped
    {"VARCHAR2(2)", "(1,'b'),(2,'c')", FUNCT_SUM, false, "refused"},            // no sum of text
    {"NUMBER(9,3)", "(1,7),(2,3),(3,9)", FUNCT_HIGH_WATER, false, "3|9"},       // kept value
    {"VARCHAR2(2)", "(1,'b'),(2,'c'),(3,'a')", FUNCT_COUNT, false, "3|3"},      // last row_no
    {"NUMBER(9,3)", "(1,1),(2,2)", FUNCT_AVG, true, "2|0"},                     // no values: 0
    {"NUMBER(9,3)", "(1,1),(2,2)", FUNCT_TREND, true, "2|0.000000"},            // six decimals
    {"NUMBER(9,3)", "(1,1),(2,2)", FUNCT_MAX, true, "2|"},                      // stays blank
    {"NUMBER(9,3)", "(1,1),(2,2)", FUNCT_COUNT, true, "2|0"},  // not of this sample
    {"NUMBER(9,3)", "(1,1),(2,2)", 10, true, "refused"},       // unknown code, no values
};

TEST_F(ColumnFunctionTest, EveryFunctionOverRealRows) {
  int n = 0;
  for (const funct_case& t : kCases) {
    const std::string table = "t" + std::to_string(++n);
    make_db(("CREATE TABLE " + table + "(k INTEGER, v " + t.type + "); INSERT INTO " + table +
             " VALUES" + t.values + ";")
                .c_str());
    const std::string select = "SELECT k, v FROM " + table + " ORDER BY rowid";
    curs* cur = cursor("F", select.c_str(), {"k", "v"});
    columns* v = cur->column_list->next;
    v->col_funct = t.funct;
    cur->has_col_funct = 1;
    cur->has_min_max = t.funct == FUNCT_MIN || t.funct == FUNCT_MAX;
    cur->samples = 1;
    ASSERT_EQ(run(cur), 0) << t.values;
    if (t.old_sample) ++cur->sample_no;
    ASSERT_EQ(make_function_row(cur), 0);
    const int rc = fill_function_row(cur);
    const char* text = cur->function_row->text();
    std::string k(text, static_cast<size_t>(cur->column_list->fmt_len));
    k.erase(0, k.find_first_not_of(' '));
    std::string placed(text + v->offset, static_cast<size_t>(v->fmt_len));
    placed.erase(0, placed.find_first_not_of(' ') == std::string::npos
                        ? placed.size()
                        : placed.find_first_not_of(' '));
    std::replace(placed.begin(), placed.end(), '\0', '.');
    const std::string got = rc != 0 ? "refused" : k + "|" + placed;
    EXPECT_EQ(got, t.want) << t.type << " " << t.values << " function " << t.funct;
    EXPECT_EQ(cur->new_data, rc != 0) << "a refused row is rebuilt at the next request";
    release_all_rows();
    anchors.cur_anchor = nullptr;
  }
}

// One comparison of a column value with an evaluation's constant.
struct compare_case {
  std::string_view value;  // the column's fmt_len bytes
  bool number;             // a number column
  int value_type;          // 1 numeric constant, 2 character
  const char* constant;    // the constant as written
  const char* ops;         // operator flags set: any of "<", "=", ">"
  int want;                // do_compare
};
const compare_case kCompares[] = {
    {"   81", true, 1, "80", ">", 1},          // greater by value
    {"   80", true, 1, "80", ">", 0},          // equal is not greater
    {"  -90", true, 1, "-1.5", "<", 1},        // negatives by value, not by bytes
    {"  100", false, 1, "99", ">", 0},         // a text column compares bytes: ' ' < '9'
    {"idle\0\0"sv, false, 2, "idle", "=", 1},  // bytes after the NUL count as blanks
    {"id", false, 2, "idle", "<", 1},          // the shorter value padded with blanks
    {"idle  x", false, 2, "idle", "<>", 1},    // the shorter constant padded with blanks
};

TEST(DoCompare, OperatorsOverNumbersAndPaddedText) {
  for (const compare_case& t : kCompares) {
    columns col;
    col.fmt_len = static_cast<int16_t>(t.value.size());
    col.orig_type = t.number ? 2 : 1;
    e_ptr e;
    e.value_type = t.value_type;
    e.value = atof(t.constant);
    e.value_text = t.constant;
    e.value_len = static_cast<int16_t>(e.value_text.size());
    e.op_lt = strchr(t.ops, '<') != nullptr;
    e.op_eq = strchr(t.ops, '=') != nullptr;
    e.op_gt = strchr(t.ops, '>') != nullptr;
    EXPECT_EQ(do_compare(&col, t.value.data(), &e), t.want)
        << t.value << " " << t.ops << " " << t.constant;
  }
}

}  // namespace
