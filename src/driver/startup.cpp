// Start-up sequence of the collector: command line, environment, print file,
// control files, the start-up edits and the signal handlers, then the
// scheduling loop.
#include "driver/startup.h"

#include <clocale>
#include <cstdlib>
#include <new>

#include "ctl/anchors.h"
#include "ctl/clauses.h"
#include "ctl/collect.h"
#include "ctl/cursor_versions.h"
#include "ctl/dict.h"
#include "ctl/eval.h"
#include "ctl/process.h"
#include "ctl/trace_file.h"
#include "derive/derived_columns.h"
#include "driver/cmdline.h"
#include "driver/cursor_edits.h"
#include "driver/schedule.h"
#include "driver/stopping.h"
#include "exits/fetch_exits.h"
#include "platform/heap.h"
#include "rows/age_to_loads.h"
#include "rows/database.h"
#include "rows/dyn_sql.h"
#include "rows/evaluator.h"
#include "rows/host_merge.h"
#include "util/command_line.h"
#include "util/print.h"
#include "util/settings.h"

namespace {
// One start-up edit of init_cursors.
struct cursor_step {
  int (*run)();
};

// In this order: every edit may rely on what the ones before it bound.
constexpr cursor_step kCursorSteps[] = {
    {parse_curs},         {create_percent_cursor}, {init_virtuals},
    {edit_age_to},        {define_vers_chain},     {edit_decode},
    {edit_pre_cursors},   {edit_in_lists},         {edit_bases},
    {edit_math},          {edit_col_exits},        {edit_iterates},
    {edit_iterate_where}, {parse_loads},           {edit_loads},
    {set_qualifieds},     {edit_column_functions}, {edit_fetch_exits},
};

void allocate_work_buffer() {
  try {
    work_buff.assign(sizeof_work_buff, 0);
  } catch (const std::bad_alloc&) {
    PRINT('e', "utm5400", "Memory allocation error at:%s.%d - %s for %d bytes \n", __FILE__,
          __LINE__, "work buffer", static_cast<int>(sizeof_work_buff));
    exit(4);
  }
}
}  // namespace

int init_cursors() {
  database_reset_state();
  for (const cursor_step& step : kCursorSteps) {
    if (step.run() != 0) {
      del_curs();
      return 1;
    }
  }
  return 0;
}

int collector_main(int argc, char** argv) {
  command_line.given_argc = argc;
  command_line.given_argv = argv;
  setlocale(LC_ALL, "");
  // Numbers in control files, SQL texts and records always use a period.
  setlocale(LC_NUMERIC, "C");
  heap_tune();
  register_derived_columns();
  register_fetch_exits();

  parse_argv(argc, argv);
  allocate_work_buffer();
  QVB_getenv(argc, argv);
  init_PRINT();
  atexit(my_atexit);

  if (init_dist() != 0) {
    del_distributor();
    quitting(-1001);
  }
  if (int rc = settle_settings(anchors.collector_at); rc != 0) quitting(rc);
  if (parse_dict() != 0) quitting(-1001);
  if (init_cursors() != 0) quitting(-1001);
  // A missing or faulty trace file leaves tracing as the command line set it.
  (void)parse_trace();
  if (anchors.have_evaluator && parse_eval() != 0) quitting(-1001);
  set_signal(1);

  PRINT('a', "cml1530", "Start collecting. -------------------------------\n");
  if (FILE* f = print_stream()) fflush(f);
  schedule();
  exit(0);
}
