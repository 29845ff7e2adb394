// Trace texts and the switches they set.
#include "util/trace.h"

#include <gtest/gtest.h>

#include <array>

#include "test_state.h"

namespace {

TEST(TraceSet, TextsSetFlagsAndLevels) {
  using levels = std::array<int16_t, 10>;
  struct Row {
    const char* text;
    int16_t all;  // trace_all and trace_something
    levels level;
  } rows[] = {
      // a leading "d" switches tracing on; each later "d" sets a level to 1
      {"-ddd", 1, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"ddd", 1, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      // another first letter only sets the levels
      {"azzzzzzzzz", 0, {23, 23, 23, 23, 23, 23, 23, 23, 23, 0}},
      // distance after "c", either case; anything else is 0
      {"-xdEfc1bZ", 0, {1, 2, 3, 0, 0, 0, 23, 0, 0, 0}},
      // characters past the tenth level are ignored
      {"-aeeeeeeeeeeee", 0, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
      // empty texts clear every level
      {"-", 0, {}},
      {"", 0, {}},
  };
  for (const Row& row : rows) {
    reset_process_state();
    for (auto& l : tracing.my_trace_all) l = 9;
    trace_set(row.text);
    EXPECT_EQ(tracing.trace_all, row.all) << row.text;
    EXPECT_EQ(tracing.trace_something, row.all) << row.text;
    levels got;
    std::copy(std::begin(tracing.my_trace_all), std::end(tracing.my_trace_all), got.begin());
    EXPECT_EQ(got, row.level) << row.text;
  }
}

TEST(TraceSet, NullChangesNothingAndFlagsStayOn) {
  reset_process_state();
  trace_set("-dd");
  trace_set(nullptr);
  EXPECT_TRUE(trace_on(0));
  // a later text without "d" does not switch tracing off
  trace_set("-ad");
  EXPECT_EQ(tracing.trace_all, 1);
  EXPECT_TRUE(trace_on(0));
  EXPECT_FALSE(trace_on(1));
  EXPECT_FALSE(trace_on(10));
  EXPECT_FALSE(trace_on(-1));
  reset_process_state();
}

}  // namespace
