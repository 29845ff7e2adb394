// A fetch exit of 1,000 rows (four tab-separated columns): the whole run of
// the cursor's exit, the child alone (start, output read, reap), and the
// collector's own share: parsing the 1,000 lines and merging them as rows.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/dict.h"
#include "ctl/fetch_exit.h"
#include "ctl/script_exit.h"
#include "driver/environ.h"
#include "exits/child_exec.h"
#include "exits/fetch_exits.h"
#include "rows/row_chain.h"
#include "util/settings.h"

// The dictionary resolves environment references through the driver, which
// nothing else here links in.
const char* (*volatile bench_env_lookup)(const char*) = &u_retrieveEnvVar;

namespace {

constexpr int kRows = 1000;
const char* const kRunTime = "20240101120000";

// The program and its output, made once for the whole run.
class exit_files {
 public:
  exit_files() {
    char tmpl[] = "/tmp/collector-bench.XXXXXX";
    dir_ = mkdtemp(tmpl) ? tmpl : "/tmp";
    std::ofstream data(dir_ + "/rows.txt");
    for (int i = 1; i <= kRows; ++i)
      data << "session_" << i << '\t' << i * 1000 << '\t' << "host" << i % 7 << '\t'
           << (i % 2 ? "ACTIVE" : "INACTIVE") << '\n';
    data.close();
    program_ = dir_ + "/rows.sh";
    std::ofstream prog(program_);
    prog << "#!/bin/sh\nexec cat " << dir_ << "/rows.txt\n";
    prog.close();
    chmod(program_.c_str(), 0755);
    env_vars.coll_out = env_store(dir_);
    env_vars.localtmpdir = env_store(dir_);
  }
  ~exit_files() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& program() const { return program_; }

 private:
  std::string dir_, program_;
};

exit_files& files() {
  static exit_files f;
  return f;
}

// A timed fetch-exit cursor of four result columns.
curs* exit_cursor() {
  static curs* cur = nullptr;
  if (cur) return cur;
  // The dictionary entries of the result columns (kept for the whole run).
  const std::pair<const char*, int16_t> entries[] = {
      {"name", 16}, {"reads", 12}, {"host", 8}, {"state", 8}};
  for (const auto& [name, length] : entries) {
    auto* d = new d_ptr;
    strcpy(d->name, name);
    d->length = length;
    d->next = dictionary.dict_anchor;
    dictionary.dict_anchor = d;
  }
  cur = cursor_arena().make<curs>();
  strcpy(cur->cur_name, "BENCH");
  columns** tail = &cur->column_list;
  for (const char* name : {"NAME", "READS", "HOST", "STATE"}) {
    columns* col = cursor_arena().make<columns>();
    strcpy(col->name, name);
    col->name_len = static_cast<int16_t>(strlen(name));
    *tail = col;
    tail = &col->next;
  }
  if (select_fetch_exit(cur, "fetchx3t") != 0) abort();
  cur->script = files().program();
  cur->raw_insert_select = "select name, reads, host, state from x";
  if (parse_script_exit(cur) != 0) abort();
  return cur;
}

// The whole run: command, child, parse and merge of 1,000 rows.
void BM_FetchExitRun(benchmark::State& state) {
  curs* cur = exit_cursor();
  for (auto _ : state) {
    cur->rows_this_run = 0;
    if (run_cursor_fetch_exit(cur, kRunTime) != 0) state.SkipWithError("exit failed");
    free_all_rows(cur);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FetchExitRun)->Unit(benchmark::kMillisecond);

// The child alone: started, its 1,000 lines read, reaped.
void BM_ChildOnly(benchmark::State& state) {
  files();
  for (auto _ : state) {
    execopt opt;
    opt.options = EXEC_PARMS_BY_LENGTH | EXEC_PARMS_MARKER;
    u_free_r_chain(u_exec_timed(files().program().c_str(), "", 30, &opt));
  }
}
BENCHMARK(BM_ChildOnly)->Unit(benchmark::kMillisecond);

// The collector's own share: the 1,000 lines parsed and merged as rows.
void BM_ParseAndMerge(benchmark::State& state) {
  curs* cur = exit_cursor();
  execopt opt;
  r_exec_chain* lines = u_exec_timed(files().program().c_str(), "", 30, &opt);
  for (auto _ : state) {
    cur->rows_this_run = 0;
    if (parseCmdResults(cur, 3, lines) != kRows) state.SkipWithError("parse failed");
    if (merge_DB_DATA2curs(cur, kRunTime) != 0) state.SkipWithError("merge failed");
    free_all_rows(cur);
  }
  u_free_r_chain(lines);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ParseAndMerge)->Unit(benchmark::kMicrosecond);

}  // namespace
