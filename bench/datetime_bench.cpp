// Throughput of date-time normalisation over a mix of the shapes rows carry:
// separated dates with times, digits-only forms, reserved values and errors.
#include <benchmark/benchmark.h>

#include <cstring>

#include "util/datetime.h"

namespace {
const char* const kInputs[] = {
    "12/31/1999 23:59:59",
    "2011/12/04 08:30:00.123",
    "04-12-2011 08:30:00",
    "12/04/2011 083000",
    "20111204083000",
    "19991231",
    "1111204083000123",
    "0000000000000002",
    "  '2011/12/04 08:30:00'  ",
    "13/01/2011 10:00:00",
    "12/04/2011 0830",
    "",
    "2024-02-29 00:00:00.000",
    "991231",
    "Dec 4 2011 10:00:00",
    "12/04/2011 08:30:60",
};
constexpr int kCount = sizeof kInputs / sizeof kInputs[0];

void BM_NormalizeDateTime(benchmark::State& state) {
  int lengths[kCount];
  for (int i = 0; i < kCount; ++i) lengths[i] = static_cast<int>(strlen(kInputs[i]));
  char out[kAgentTimestampSize];
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(us_normalizeDateTime(kInputs[i], lengths[i], out));
    benchmark::ClobberMemory();
    if (++i == kCount) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NormalizeDateTime);
}  // namespace
