// A probe client for the end-to-end benchmark: opens one end of the transport
// the settings choose, asks for a cursor COUNT times one request after the
// other, and reports the round-trip times (request to last byte) and the
// throughput (over the whole run, and of the median request). Start-up
// (opening the end, the first request) is not counted.
//
//   probe_roundtrip NAME COUNT
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/probe_request.h"
#include "driver/cmdline.h"
#include "util/print_state.h"
#include "util/settings.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: probe_roundtrip NAME COUNT\n");
    return 2;
  }
  const std::string name = argv[1];
  const int count = atoi(argv[2]);
  if (count < 1) {
    fprintf(stderr, "probe_roundtrip: COUNT must be at least 1\n");
    return 2;
  }
  char program[] = "probe_roundtrip";
  char* no_args[] = {program, nullptr};
  QVB_getenv(1, no_args);
  // The transport's messages would only disturb the figures.
  print_globals.log_stream = fopen("/dev/null", "w");

  probe_answer answer;
  comm_anchor* anchor = probe_open(&answer);
  if (!anchor) {
    fprintf(stderr, "probe_roundtrip: %s\n", answer.error_text.c_str());
    return 2;
  }
  std::vector<std::string> none;
  if (probe_ask(anchor, name, none, &answer) != 0 || answer.rows == 0) {
    fprintf(stderr, "probe_roundtrip: first request failed: %s\n", answer.error_text.c_str());
    probe_close(anchor);
    return 2;
  }
  using clock = std::chrono::steady_clock;
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(count));
  double bytes = 0;
  const clock::time_point all_start = clock::now();
  for (int i = 0; i < count; ++i) {
    const clock::time_point start = clock::now();
    if (probe_ask(anchor, name, none, &answer) != 0) {
      fprintf(stderr, "probe_roundtrip: request %d failed: %s\n", i, answer.error_text.c_str());
      probe_close(anchor);
      return 2;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(clock::now() - start).count());
    bytes += 8.0 + static_cast<double>(answer.data.size());
  }
  const double seconds = std::chrono::duration<double>(clock::now() - all_start).count();
  probe_close(anchor);

  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) {
    return micros[std::min(micros.size() - 1, static_cast<size_t>(q * micros.size()))];
  };
  printf(
      "transport=%s name=%s requests=%d rows=%d row_len=%d median_us=%.1f p99_us=%.1f "
      "min_us=%.1f max_us=%.1f MB_per_s=%.1f median_MB_per_s=%.1f\n",
      use_pipes() ? "pipe" : "shm", name.c_str(), count, answer.rows, answer.row_len, at(0.5),
      at(0.99), micros.front(), micros.back(), bytes / seconds / 1e6,
      (8.0 + static_cast<double>(answer.data.size())) / at(0.5));
  return 0;
}
