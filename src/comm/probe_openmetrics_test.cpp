// The OpenMetrics rendering of decoded answers: names, labels, escapes,
// skipped values and unique series, each output read back by a strict reader.
#include "comm/probe_openmetrics.h"

#include <gtest/gtest.h>

#include "openmetrics_check.h"

namespace {
using K = cell_kind;

constexpr char kTail[] =
    "# TYPE collector_skipped_values gauge\n"
    "# HELP collector_skipped_values Values of numeric columns that were not numbers.\n"
    "collector_skipped_values{cursor=\"Q-1\"} ";

TEST(ProbeOpenMetrics, AnswersBecomeGaugeFamilies) {
  struct row {
    answer_table table;
    const char* families;  // everything before the skipped-values family
    int skipped;
  };
  const row rows[] = {
      // names lowered and made safe; label values escaped
      {{{"ID", "Name-X"}, {K::integer, K::text}, {{"1", "a\"b\\c\nd"}, {"-2", ""}}},
       "# TYPE collector_q_1_id gauge\n# HELP collector_q_1_id Column ID of cursor Q-1.\n"
       "collector_q_1_id{name_x=\"a\\\"b\\\\c\\nd\"} 1\ncollector_q_1_id{name_x=\"\"} -2\n",
       0},
      // rows alike in their labels are told apart by number; NaN and text skipped
      {{{"v"}, {K::real}, {{"1.5"}, {"inf"}, {"nan"}, {"x"}}},
       "# TYPE collector_q_1_v gauge\n# HELP collector_q_1_v Column v of cursor Q-1.\n"
       "collector_q_1_v{row=\"1\"} 1.5\ncollector_q_1_v{row=\"2\"} +Inf\n",
       2},
      // label names that would start with a digit or "__"; bytes that are not UTF-8
      {{{"1st", "__x", "n"}, {K::text, K::text, K::integer}, {{"\xff", "ok", "7"}}},
       "# TYPE collector_q_1_n gauge\n# HELP collector_q_1_n Column n of cursor Q-1.\n"
       "collector_q_1_n{_1st=\"\xEF\xBF\xBD\",l__x=\"ok\"} 7\n",
       0},
      // names that meet after lowering, a column named like the row label
      {{{"a-b", "a_b", "row"},
        {K::integer, K::integer, K::text},
        {{"1", "2", "r"}, {"3", "4", "r"}}},
       "# TYPE collector_q_1_a_b gauge\n# HELP collector_q_1_a_b Column a-b of cursor Q-1.\n"
       "collector_q_1_a_b{row=\"r\",row_2=\"1\"} 1\ncollector_q_1_a_b{row=\"r\",row_2=\"2\"} 3\n"
       "# TYPE collector_q_1_a_b_2 gauge\n# HELP collector_q_1_a_b_2 Column a_b of cursor Q-1.\n"
       "collector_q_1_a_b_2{row=\"r\",row_2=\"1\"} 2\ncollector_q_1_a_b_2{row=\"r\",row_2=\"2\"} "
       "4\n",
       0},
      // no numeric column: no family of its own
      {{{"t"}, {K::text}, {{"x"}}}, "", 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.families);
    const std::string text = format_openmetrics(r.table, "collector", "Q-1");
    EXPECT_EQ(text, r.families + std::string(kTail) + std::to_string(r.skipped) + "\n# EOF\n");
    EXPECT_EQ(openmetrics_fault(text), "");
  }
}
}  // namespace
