// Resets every process-wide state so that each test starts clean.
#pragma once

#include "comm/comm.h"
#include "ctl/anchors.h"
#include "ctl/dict.h"
#include "ctl/reader.h"
#include "derive/decode.h"
#include "derive/derived_columns.h"
#include "driver/cluster.h"
#include "driver/cursor_edits.h"
#include "driver/cursor_run.h"
#include "driver/environ.h"
#include "driver/npxa.h"
#include "driver/pxa_service.h"
#include "driver/schedule.h"
#include "driver/stopping.h"
#include "exits/fetch_exits.h"
#include "expr/conditions.h"
#include "expr/terms.h"
#include "rows/code_page.h"
#include "rows/database.h"
#include "rows/row_chain.h"
#include "util/command_line.h"
#include "util/print_state.h"
#include "util/settings.h"
#include "util/trace.h"
#include "util/umem.h"

inline void reset_process_state() {
  reset_comm_state();
  reset_trace_switches();
  reset_print_state();
  reset_alloc_state();
  reset_env_vars();
  reset_command_line();
  reset_environ_state();
  reset_database_state();
  reset_clusters();
  reset_run_state();
  reset_cursor_bindings();
  reset_scheduler_state();
  reset_npxa_state();
  release_all_rows();
  systm.reset();
  reset_expr_state();
  reset_definitions();
  reset_dictionary();
  reset_reader_state();
  reset_signal_state();
  reset_decode_state();
  register_derived_columns();
  register_expressions();
  register_fetch_exits();
  reset_fetch_exits();
  register_probe_row_steps();
}
