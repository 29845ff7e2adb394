// Evaluation of a 20-term condition over the rows of a cursor: each row is
// made current and the RPN is evaluated afresh, as the internal select and the
// version conditions do; an internal select grouping the same rows; version
// selection over 100 cursors.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "exits/child_exec.h"
#include "expr/conditions.h"
#include "expr/expression.h"
#include "expr/interpreter.h"
#include "expr/select.h"
#include "rows/row_chain.h"

namespace {

constexpr int kRows = 10000;

// The condition: 20 terms (columns, constants, a working variable).
const char* const kCondition =
    "(cpu * 2 + io - 3 > 10 AND name LIKE 'db%' OR cpu / 4 <= io + 7.5) AND "
    "(io - cpu * 2 ^= w + 1 OR name = 'db7' OR cpu + io > 100)";

// BENCH: name (text), cpu and io (Number) over kRows rows.
curs* make_bench_cursor() {
  reset_definitions();
  curs* c = cursor_arena().make<curs>();
  memcpy(c->cur_name, "BENCH", 5);
  anchors.cur_anchor = c;
  const char* names[] = {"name", "cpu", "io"};
  columns* prev = nullptr;
  for (int i = 0; i < 3; ++i) {
    columns* col = cursor_arena().make<columns>();
    strcpy(col->name, names[i]);
    col->offset = i * 11;
    col->fmt_len = 10;
    col->orig_type = i == 0 ? 1 : 2;
    (prev ? prev->next : c->column_list) = col;
    prev = col;
  }
  for (int r = 0; r < kRows; ++r) {
    text_row* row = alloc_text_row(33);
    snprintf(row->text(), 34, "db%-8d", r % 50);
    snprintf(row->text() + 11, 11, "%10d", r % 97);
    snprintf(row->text() + 22, 11, "%10.2f", (r % 13) * 1.5);
    append_row(c, row);
  }
  return c;
}

void BM_EvaluateCondition(benchmark::State& state) {
  curs* c = make_bench_cursor();
  open_lexer(nullptr);
  set_current_cursor(c);
  lexeme* rpn = parse_expression(kCondition);
  lexeme* assign = parse_expression("w := 2");
  release_result(evaluate_copy(assign));
  free_lex_list(assign);
  long truths = 0;
  for (auto _ : state) {
    for (text_row* row = c->first_row; row; row = row->next) {
      c->current_row = row;
      TERM_TABLE* result = evaluate_copy(rpn);
      truths += result && result->ival;
      release_result(result);
    }
  }
  benchmark::DoNotOptimize(truths);
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["ns_per_row"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kRows,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  free_lex_list(rpn);
  set_current_cursor(nullptr);
  reset_expr_state();
  release_all_rows();
  reset_definitions();
}
BENCHMARK(BM_EvaluateCondition)->Unit(benchmark::kMillisecond);

// A select grouping the rows by name (runs of one row: every row starts a
// group) with a SUM and a where clause, into a row target.
void BM_InternalSelect(benchmark::State& state) {
  make_bench_cursor();
  lex_block list, where;
  TERM_TABLE* table = nullptr;
  for (auto _ : state) {
    r_exec_chain* lines = nullptr;
    start_exec_sql(table);
    int rc = perform_select(&list, "name, SUM(cpu + io)", "BENCH", &lines, TARGET_ROW, &where,
                            "io < 15 OR cpu > 3");
    end_exec_sql(&table);
    benchmark::DoNotOptimize(rc);
    u_free_r_chain(lines);
  }
  state.counters["ns_per_row"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kRows,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  free_lex_block(&list);
  free_lex_block(&where);
  reset_expr_state();
  release_all_rows();
  reset_definitions();
}
BENCHMARK(BM_InternalSelect)->Unit(benchmark::kMillisecond);

// One pass of version selection over 100 cursors, each with an IF/ELSE on a
// column of a driving cursor D and a nested IF in the then-branch (three
// versions each); D's value alternates, so every cursor changes its version
// at every pass.
void BM_SelectVersions(benchmark::State& state) {
  reset_definitions();
  register_expressions();
  curs* d = cursor_arena().make<curs>();
  memcpy(d->cur_name, "D", 1);
  columns* col = cursor_arena().make<columns>();
  strcpy(col->name, "x");
  col->fmt_len = 4;
  col->orig_type = 2;
  d->column_list = col;
  text_row* row = alloc_text_row(4);
  memcpy(row->text(), "   0", 4);
  append_row(d, row);
  anchors.cur_anchor = d;
  curs** tail = &d->next;
  for (int i = 0; i < 100; ++i) {
    curs* c = cursor_arena().make<curs>();
    snprintf(c->cur_name, sizeof c->cur_name, "C%d", i);
    curs* at = c;
    char cond[40];
    snprintf(cond, sizeof cond, "D.x > %d", i % 5);
    if (parse_if(&at, cond) || parse_if(&at, "D.x < 100") || parse_endif(&at) || parse_else(&at) ||
        parse_endif(&at) || edit_curs_version_set(c)) {
      state.SkipWithError("versions not built");
      return;
    }
    *tail = c;
    tail = &c->next;
  }
  if (define_vers_chain() != 0) state.SkipWithError("chain failed");
  int pass = 0;
  for (auto _ : state) {
    row->text()[3] = pass++ & 1 ? '0' : '9';
    benchmark::DoNotOptimize(tune_up_cursor_versions("20240115100000"));
  }
  state.counters["us_per_pass"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  reset_expr_state();
  release_all_rows();
  reset_definitions();
}
BENCHMARK(BM_SelectVersions)->Unit(benchmark::kMicrosecond);

}  // namespace
