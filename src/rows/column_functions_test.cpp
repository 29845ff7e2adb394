// Column functions over real SQLite rows: the arithmetic and text rules of
// every function, the summary row's other columns, and the comparison the
// evaluator makes.
#include "rows/column_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ctl/eval.h"
#include "rows/evaluator.h"
#include "sql_fixture.h"

namespace {

using ColumnFunctionTest = SqlTest;

// A function code by its name in the data file; any other name is code 10,
// which no function has.
int16_t funct_of(const std::string& name) {
  const std::string names[] = {"",      "MIN", "MAX",        "AVG",       "WAVG",
                               "TREND", "SUM", "HIGH_WATER", "LOW_WATER", "COUNT"};
  return static_cast<int16_t>(std::find(std::begin(names), std::end(names), name) - names);
}

// Rows of tests/data/rows/column_functions.txt.
TEST_F(ColumnFunctionTest, EveryFunctionOverRealRows) {
  int n = 0;
  for (const auto& t : data_rows("rows/column_functions.txt", 5)) {
    SCOPED_TRACE(t[0] + " " + t[1] + " " + t[2]);
    const std::string table = "t" + std::to_string(++n);
    const int16_t funct = funct_of(t[2]);
    make_db(("CREATE TABLE " + table + "(k INTEGER, v " + t[0] + "); INSERT INTO " + table +
             " VALUES" + t[1] + ";")
                .c_str());
    const std::string select = "SELECT k, v FROM " + table + " ORDER BY rowid";
    curs* cur = cursor("F", select.c_str(), {"k", "v"});
    columns* v = cur->column_list->next;
    v->col_funct = funct;
    cur->has_col_funct = 1;
    cur->has_min_max = funct == FUNCT_MIN || funct == FUNCT_MAX;
    cur->samples = 1;
    ASSERT_EQ(run(cur), 0);
    if (t[3] == "1") ++cur->sample_no;
    ASSERT_EQ(make_function_row(cur), 0);
    const int rc = fill_function_row(cur);
    const char* text = cur->function_row->text();
    std::string k(text, static_cast<size_t>(cur->column_list->fmt_len));
    k.erase(0, k.find_first_not_of(' '));
    std::string placed(text + v->offset, static_cast<size_t>(v->fmt_len));
    placed.erase(0, std::min(placed.find_first_not_of(' '), placed.size()));
    std::replace(placed.begin(), placed.end(), '\0', '.');
    const std::string got = rc != 0 ? "refused" : k + "|" + placed;
    EXPECT_EQ(got, t[4]);
    EXPECT_EQ(cur->new_data, rc != 0) << "a refused row is rebuilt at the next request";
    release_all_rows();
    anchors.cur_anchor = nullptr;
  }
}

// Rows of tests/data/rows/compares.txt.
TEST(DoCompare, OperatorsOverNumbersAndPaddedText) {
  for (const auto& t : data_rows("rows/compares.txt", 6)) {
    SCOPED_TRACE(t[0] + " " + t[4] + " " + t[3]);
    columns col;
    col.fmt_len = static_cast<int16_t>(t[0].size());
    col.orig_type = t[1] == "1" ? 2 : 1;
    e_ptr e;
    e.value_type = std::stoi(t[2]);
    e.value = atof(t[3].c_str());
    e.value_text = t[3];
    e.value_len = static_cast<int16_t>(e.value_text.size());
    e.op_lt = t[4].find('<') != std::string::npos;
    e.op_eq = t[4].find('=') != std::string::npos;
    e.op_gt = t[4].find('>') != std::string::npos;
    EXPECT_EQ(do_compare(&col, t[0].data(), &e), std::stoi(t[5]));
  }
}

}  // namespace
