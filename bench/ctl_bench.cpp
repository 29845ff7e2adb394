// Control-file reading: the tokeniser's throughput over the statements of a
// large generated COLLECT.CTL, and whole parses of a 1,000-cursor file with
// and without math and decode clauses.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/reader.h"
#include "util/print.h"
#include "util/settings.h"

namespace {

// A cursor file of `cursors` blocks, each with five columns, a WHERE
// condition, windows and identifiers; with `clauses`, a math and two decodes.
std::string generated_collect(int cursors, bool clauses) {
  std::string text = ";; generated cursor file\n";
  char block[1024];
  for (int i = 0; i < cursors; ++i) {
    snprintf(block, sizeof block,
             "cursor C%05d;\n"
             "insert into TAB_%d (name, cpu, mem, status, total)\n"
             "  values (:name, :AVG!INT!cpu^12, :mem, :status, :total);\n"
             "insert_where status <> 'X' and cpu > 10.5E-1;\n"
             "interval 60;\nlimit 500;\nclass 1;\n"
             "mon_fri_start 0800;\nmon_fri_end 1800;\n"
             "uuidbase 0001-0002-%04d;\nobjid %d;\n",
             i, i, i % 10000, i % 100000);
    text += block;
    if (clauses) {
      text +=
          "math decimal 2 total ( cpu + mem ) * 2;\n"
          "decode status = 'A', 'Active';\n"
          "decode status default 'Other';\n";
    }
  }
  return text + "end;\n";
}

// The statements of a file as the reader assembles them.
std::vector<std::string> statements_of(const std::string& text) {
  std::vector<std::string> out;
  FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  statement_source src(in, 256);
  while (src.next() == 1) out.emplace_back(reader.buffer, reader.statement_end);
  fclose(in);
  return out;
}

void BM_GetWord(benchmark::State& state) {
  std::vector<std::string> statements = statements_of(generated_collect(2000, true));
  size_t bytes = 0;
  for (const std::string& s : statements) bytes += s.size();
  int64_t words = 0;
  for (auto _ : state) {
    for (const std::string& s : statements) {
      memcpy(reader.buffer, s.data(), s.size() + 1);
      char* end = reader.buffer + s.size();
      reader.parens = 0;
      for (char* at = reader.buffer;;) {
        int n = get_word(at, end);
        if (n <= 0) break;
        at += n;
        ++words;
      }
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["words"] =
      benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GetWord)->Unit(benchmark::kMillisecond);

// Messages go to a print file in a scratch directory for the whole run.
void open_scratch_print() {
  static std::string dir;
  if (!dir.empty()) return;
  char tmpl[] = "/tmp/ctl_bench.XXXXXX";
  dir = mkdtemp(tmpl);
  env_vars.coll_out = env_store(dir);
  init_PRINT();
}

void parse_generated(benchmark::State& state, bool clauses) {
  open_scratch_print();
  std::string text = generated_collect(1000, clauses);
  for (auto _ : state) {
    state.PauseTiming();
    reset_definitions();
    FILE* in = fmemopen(text.data(), text.size(), "r");
    state.ResumeTiming();
    int rc = parse_coll_stream(in);
    state.PauseTiming();
    fclose(in);
    if (rc != 0) {
      state.SkipWithError("the generated file did not parse (are the clause parsers built?)");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  reset_definitions();
}

void BM_ParseCollect1000(benchmark::State& state) { parse_generated(state, false); }
BENCHMARK(BM_ParseCollect1000)->Unit(benchmark::kMillisecond);

void BM_ParseCollect1000MathDecode(benchmark::State& state) { parse_generated(state, true); }
BENCHMARK(BM_ParseCollect1000MathDecode)->Unit(benchmark::kMillisecond);

}  // namespace
