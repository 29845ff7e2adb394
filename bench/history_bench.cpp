// History write throughput: one history cursor of N stored rows of 120
// characters, written by the history writer once per iteration into a file
// in a scratch directory (records/s is the figure to read).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/operate.h"
#include "rows/age_to_loads.h"
#include "rows/row_chain.h"
#include "util/settings.h"

namespace {

void BM_HistoryWrite(benchmark::State& state) {
  char tmpl[] = "/tmp/collector-hist.XXXXXX";
  const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  env_vars.coll_home = env_store(dir.c_str());
  const int rows = static_cast<int>(state.range(0));
  curs* cur = cursor_arena().make<curs>();
  strcpy(cur->cur_name, "HBENCH");
  cur->history = 1;
  cur->length = 120;
  cur->window_open = 0;
  cur->window_close = 0x7fffffff;
  for (int i = 0; i < rows; ++i) {
    text_row* r = alloc_text_row(cur->length);
    memset(r->text(), 'v', static_cast<size_t>(cur->length));
    for (int at = 15; at < cur->length; at += 16) r->text()[at] = '\0';
    append_row(cur, r);
  }
  anchors.cur_anchor = cur;
  const std::string file = dir + "/HBENCH.HST";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(file);  // appends to a fresh file, as the first write of a day
    cur->history_pending = 1;
    state.ResumeTiming();
    if (do_history("20240115100000") != 0) state.SkipWithError("history write failed");
  }
  state.SetItemsProcessed(state.iterations() * rows);
  anchors.cur_anchor = nullptr;
  free_all_rows(cur);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_HistoryWrite)->Arg(1)->Arg(100)->Arg(10000);

}  // namespace
