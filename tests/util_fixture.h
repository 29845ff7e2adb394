// Common ground of the runtime-service tests: clean process state, UTC local
// time fixed at 2011-12-04 08:30:05 (a Sunday), and a scratch output directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "fake_clock.h"
#include "std_capture.h"
#include "test_state.h"
#include "util/settings.h"

class UtilTest : public ::testing::Test {
 protected:
  static constexpr time_t kNow = 1322987405;  // 2011-12-04 08:30:05 UTC

  void SetUp() override {
    for (const char* name : {"COLL_WRAPLINES", "COLL_NUMOUTBAK", "COLL_ZEROMEM"}) unsetenv(name);
    setenv("TZ", "UTC0", 1);
    tzset();
    reset_process_state();
    clock_.install();
    env_vars.coll_out = env_store(dir_.path());
  }
  void TearDown() override {
    reset_process_state();
    for (const char* name : {"COLL_WRAPLINES", "COLL_NUMOUTBAK", "COLL_ZEROMEM"}) unsetenv(name);
  }

  std::string out_file(const std::string& name) const { return read_whole(dir_.file(name)); }

  FakeClock clock_{kNow};
  ScratchDir dir_;
};
