// Start-up sequence of the collector: command line, environment, print file,
// control files, the start-up edits and the signal handlers, then the
// scheduling loop.
#include "driver/startup.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/clauses.h"
#include "ctl/col_exit_clause.h"
#include "ctl/collect.h"
#include "ctl/cursor_versions.h"
#include "ctl/dict.h"
#include "ctl/eval.h"
#include "ctl/process.h"
#include "ctl/trace_file.h"
#include "derive/derived_columns.h"
#include "derive/load_conditions.h"
#include "driver/cmdline.h"
#include "driver/cursor_edits.h"
#include "driver/npxa.h"
#include "driver/schedule.h"
#include "driver/stopping.h"
#include "driver/usage.h"
#include "exits/fetch_exits.h"
#include "expr/conditions.h"
#include "platform/db_limits.h"
#include "platform/heap.h"
#include "rows/age_to_loads.h"
#include "rows/database.h"
#include "rows/dyn_sql.h"
#include "rows/host_merge.h"
#include "rows/row_chain.h"
#include "util/banner.h"
#include "util/command_line.h"
#include "util/outfile.h"
#include "util/print.h"
#include "util/print_state.h"
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
    {set_qualifieds},     {edit_fetch_exits},
};

// The edits that bind names across cursors, redone after a cursor changed its
// version (the versions differ in columns and clauses). The column-exit marks
// and links are cleared first; the other edits rebind what they find.
constexpr cursor_step kVersionRedoSteps[] = {
    {edit_decode},        {edit_in_lists}, {edit_bases}, {edit_math},      {edit_col_exits},
    {edit_iterate_where}, {parse_loads},   {edit_loads}, {set_qualifieds},
};

int redo_version_edits() {
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (!c->col_exits) continue;
    for (cxl_ptr* x = c->col_exits; x; x = x->next) x->matched = 0;
    for (columns* col = c->column_list; col; col = col->next) col->col_exit = nullptr;
  }
  int failed = 0;
  for (const cursor_step& s : kVersionRedoSteps) failed |= s.run() != 0;
  return failed;
}

// The standard error the collector was started with, kept while start-up runs
// for the one line a failing start-up leaves there; -1 when there is none.
int startup_stderr = -1;

// --check: start-up runs up to the scheduling loop, writing to standard
// output, and the process ends with the verdict.
bool check_only = false;

// The arguments as given, for a restart: the originals are masked below.
std::vector<std::string> argument_texts;
std::vector<char*> argument_vector;

// True for "-pas" and longer beginnings of "-password" (any case): the
// keyword that takes the next argument as the database password.
bool password_keyword(const char* arg) {
  if (arg[0] != '-') return false;
  const size_t n = strlen(arg + 1);
  return n >= 3 && n <= 8 && strncasecmp(arg + 1, "password", n) == 0;
}

// The process listing shows the program's arguments; the password among them
// ("-password X", "-pas X", "-passwordX") is overwritten with asterisks there.
// The scheduling loop restarts the program with an unmasked copy.
void hide_password_argument(int argc, char** argv) {
  for (int i = 0; i < argc && argv[i]; ++i) argument_texts.emplace_back(argv[i]);
  for (std::string& text : argument_texts) argument_vector.push_back(text.data());
  argument_vector.push_back(nullptr);
  command_line.given_argv = argument_vector.data();
  for (int i = 1; i < argc && argv[i]; ++i) {
    char* arg = argv[i];
    if (password_keyword(arg) && i + 1 < argc && argv[i + 1]) {
      memset(argv[i + 1], '*', strlen(argv[i + 1]));
      ++i;
    } else if (arg[0] == '-' && strncasecmp(arg + 1, "password", 8) == 0) {
      memset(arg + 9, '*', strlen(arg + 9));
    }
  }
}

// Opens the print file and, when that worked, the log file "col.log" as
// standard output and error, so that the banner's copies already land there.
// A print file that cannot be opened leaves everything on the console.
void open_output_files() {
  if (!u_openPRINTfile(nullptr)) return;
  startup_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (u_openPRINTfile("col.log")) print_globals.my_stdout = stdout;
}

// A check leaves the files of a running collector alone: standard output
// stands in for the print file (so the parsers open none), every message is
// written there once, and nothing wraps.
void messages_to_standard_output() {
  print_globals.stder = stdout;
  print_globals.log_stream = nullptr;
  print_globals.wrap_limit = 0;
}

// Ends a check with its verdict: 0 when start-up would have succeeded.
[[noreturn]] void end_check(bool passed) {
  release_all_rows();  // the percent cursor's row and any dummy rows
  del_curs();
  del_distributor();
  printf("collector: %s\n", passed ? "start-up would succeed" : "start-up would fail");
  fflush(stdout);
  exit(passed ? 0 : 1);
}

// A step of start-up failed: a check reports it, a collector stops.
void startup_failed(int code) {
  if (check_only) end_check(false);
  quitting(code);
}

// Start-up is over: its failures no longer need the original standard error.
void startup_done() {
  if (startup_stderr >= 0) close(startup_stderr);
  startup_stderr = -1;
}

// Seconds of a timeout setting: a whole number from 0 (no bound) to a day;
// anything else leaves the default.
int timeout_seconds(const char* text, int fallback) {
  if (!env_set(text)) return fallback;
  char* end = nullptr;
  const long n = strtol(text, &end, 10);
  return *end == '\0' && n >= 0 && n <= 86400 ? static_cast<int>(n) : fallback;
}

[[noreturn]] void out_of_memory() {
  // Nothing is left to spare: the message is composed on the stack.
  std::set_new_handler(nullptr);
  PRINT('e', "utm5400", "Memory allocation error at:%s.%d - %s for %d bytes \n", __FILE__, __LINE__,
        "operator new", 0);
  report_startup_failure();
  exit(4);
}

void allocate_work_buffer() {
  try {
    work_buff.assign(sizeof_work_buff, 0);
  } catch (const std::bad_alloc&) {
    PRINT('e', "utm5400", "Memory allocation error at:%s.%d - %s for %d bytes \n", __FILE__,
          __LINE__, "work buffer", static_cast<int>(sizeof_work_buff));
    exit(4);
  }
}

int run_collector(int argc, char** argv) {
  if (wants_help(argc, argv)) {
    fputs(kCollectorUsage, stdout);
    exit(0);
  }
  check_only = take_check_option(&argc, argv);
  command_line.given_argc = argc;
  command_line.given_argv = argv;
  setlocale(LC_ALL, "");
  // Numbers in control files, SQL texts and records always use a period.
  setlocale(LC_NUMERIC, "C");
  heap_tune();
  register_derived_columns();
  register_fetch_exits();
  register_expressions();
  set_version_redo(redo_version_edits);
  register_probe_row_steps();

  parse_argv(argc, argv);
  allocate_work_buffer();
  QVB_getenv(argc, argv);
  hide_password_argument(argc, argv);
  apply_database_timeouts();
  if (check_only) {
    messages_to_standard_output();
    write_banner();
  } else {
    open_output_files();
    init_PRINT();
    atexit(my_atexit);
  }

  if (init_dist() != 0) {
    del_distributor();
    startup_failed(-1001);
  }
  if (int rc = settle_settings(anchors.collector_at); rc != 0) startup_failed(rc);
  if (parse_dict() != 0) startup_failed(-1001);
  if (init_cursors() != 0) startup_failed(-1001);
  // A missing or faulty trace file leaves tracing as the command line set it.
  (void)parse_trace();
  if (anchors.have_evaluator && parse_eval() != 0) startup_failed(-1001);
  // Nothing past this point runs for a check: no signal handlers, no
  // transport, no logon.
  if (check_only) end_check(true);
  set_signal(1);

  PRINT('a', "cml1530", "Start collecting. -------------------------------\n");
  if (FILE* f = print_stream()) fflush(f);
  startup_done();
  schedule();
  exit(0);
}
}  // namespace

void apply_database_timeouts() {
  db_timeouts t;
  t.login_seconds = timeout_seconds(env_vars.logon_timeout, t.login_seconds);
  t.statement_ms = timeout_seconds(env_vars.sql_timeout, t.statement_ms / 1000) * 1000;
  db_set_timeouts(t);
}

void install_memory_handler() { std::set_new_handler(out_of_memory); }

void report_startup_failure() {
  if (startup_stderr < 0) return;
  char line[u_path_size + 64];
  const int n = snprintf(line, sizeof line, "collector: start-up failed, see %s\n",
                         print_globals.stder_filename);
  if (n > 0) (void)!write(startup_stderr, line, strlen(line));
  startup_done();
}

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
  install_memory_handler();
  try {
    return run_collector(argc, argv);
  } catch (const std::bad_alloc&) {
    out_of_memory();
  }
}
