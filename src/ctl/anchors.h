// The anchors of the control-file definitions: the cursor chain, the process
// chain and the collector-wide values that PROCESS.CTL and COLLECT.CTL set.
#pragma once

#include <cstdint>

struct curs;
struct distributor;

struct definition_anchors {
  curs* cur_anchor = nullptr;             // all cursors, file order
  distributor* distrib_anchor = nullptr;  // all processes, file order
  distributor* collector_at = nullptr;    // the process named "collector"
  int16_t have_evaluator = 0;             // a process named "evaluator" exists
  int32_t sleep_time = 10;                // longest sleep of the scheduler, seconds
  int32_t go_home_time = 0;               // collector-wide stop time set by go_home
  curs* percent_cursor = nullptr;         // the "%CURSOR" record
  int16_t reset_trace = 0;                // the probe asked to re-read the trace file
};

extern definition_anchors anchors;

// Clears the anchors and releases both record arenas (tests start from here).
void reset_definitions();
