// Feeds arbitrary bytes as a whole DICT.CTL, TRACE.CTL and eval file in turn
// (the eval and trace files against two parsed cursors).
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "../tests/test_state.h"
#include "ctl/collect.h"
#include "ctl/dict.h"
#include "ctl/eval.h"
#include "ctl/trace_file.h"

namespace {
const char cursors[] =
    "cursor SESS;\ninsert into T (x) values (:x);\ninterval 5;\nlimit 1;\n"
    "cursor DEM;\ninsert into T (x) values (:x);\ndemand;\nend;\n";

template <class F>
void on_stream(const uint8_t* data, size_t size, F parse) {
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (in == nullptr) return;
  parse(in);
  fclose(in);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Messages would drown the fuzzer's own output.
  if (!freopen("/dev/null", "w", stdout)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  reset_process_state();
  on_stream(data, size, parse_dict_stream);
  on_stream(reinterpret_cast<const uint8_t*>(cursors), strlen(cursors), parse_coll_stream);
  on_stream(data, size, parse_trace_stream);
  on_stream(data, size, parse_eval_stream);
  reset_process_state();
  return 0;
}
