// Feeds arbitrary bytes to the COLLECT.CTL parser as the whole file; every run
// starts from empty definitions and releases what the last one built.
#include <cstdint>
#include <cstdio>

#include "../tests/test_state.h"
#include "ctl/collect.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Messages would drown the fuzzer's own output.
  if (!freopen("/dev/null", "w", stdout)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  reset_process_state();
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (in == nullptr) return 0;
  (void)parse_coll_stream(in);
  fclose(in);
  reset_process_state();
  return 0;
}
