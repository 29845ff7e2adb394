// Trace texts and the switches they set.
#include "util/trace.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "test_state.h"

namespace {

TEST(TraceSet, TextsSetFlagsAndLevels) {
  using levels = std::array<int16_t, 10>;
  const std::tuple<const char*, int16_t, levels> rows[] = {
      // text, trace_all and trace_something, the ten levels
      // a leading "d" switches tracing on; each later "d" sets a level to 1
      {"-ddd", 1, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"ddd", 1, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      // distance after "c", either case; anything else is 0
      {"-xdEfc1bZ", 0, {1, 2, 3, 0, 0, 0, 23, 0, 0, 0}},
      // characters past the tenth level are ignored
      {"-aeeeeeeeeeeee", 0, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
      {"", 0, {}},  // an empty text clears every level
  };
  for (const auto& [text, all, level] : rows) {
    reset_process_state();
    for (auto& l : tracing.my_trace_all) l = 9;
    trace_set(text);
    EXPECT_EQ(tracing.trace_all, all) << text;
    EXPECT_EQ(tracing.trace_something, all) << text;
    levels got;
    std::copy(std::begin(tracing.my_trace_all), std::end(tracing.my_trace_all), got.begin());
    EXPECT_EQ(got, level) << text;
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
