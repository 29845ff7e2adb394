// Trace texts and the switches they set.
#include "util/trace.h"

#include <gtest/gtest.h>

#include <vector>

#include "std_capture.h"
#include "test_state.h"

namespace {

TEST(TraceSet, TextsSetFlagsAndLevels) {
  for (const auto& row : data_rows("util/trace_texts.txt", 3)) {
    SCOPED_TRACE(row[0]);
    reset_process_state();
    for (auto& l : tracing.my_trace_all) l = 9;
    trace_set(row[0].c_str());
    EXPECT_EQ(tracing.trace_all, std::stoi(row[1]));
    EXPECT_EQ(tracing.trace_something, tracing.trace_all);
    EXPECT_EQ(
        std::vector<int64_t>(std::begin(tracing.my_trace_all), std::end(tracing.my_trace_all)),
        data_ints(row[2]));
  }
  // Null changes nothing; a later text without "d" does not switch tracing off.
  trace_set("-dd");
  trace_set(nullptr);
  trace_set("-ad");
  EXPECT_EQ(tracing.trace_all, 1);
  EXPECT_TRUE(trace_on(0));
  EXPECT_FALSE(trace_on(1));
  EXPECT_FALSE(trace_on(10));
  reset_process_state();
}

}  // namespace
