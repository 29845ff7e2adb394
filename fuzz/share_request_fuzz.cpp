// Overwrites the request segment with arbitrary bytes and lets the collector
// take the "request": every text must be read within its field, a name that
// cannot be served refused, and a request filed into an entry must decode
// back to the name and parameters the segment held. The channels are real
// System V objects, made once and removed at exit.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comm/comm.h"
#include "comm/request_record.h"
#include "comm/share_init.h"
#include "util/print_state.h"

namespace {
comm_anchor* collector_end = nullptr;

void remove_channels() {
  if (collector_end) qvzcomm2("term", collector_end);
  DestroyShareCommObject();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Messages would drown the fuzzer's own output (and, once many lines are
  // copied, move standard error into a log file).
  if (!freopen("/dev/null", "w", stdout)) return 1;
  print_globals.log_stream = fopen("/dev/null", "w");
  setenv("COLL_WRAPLINES", "0", 1);
  setenv("COLL_WAIT_TIMEOUT", "1", 1);
  if (CreateShareCommObject() != 0) return 1;
  collector_end = qvzcomm2("initc").anchor;
  atexit(remove_channels);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || !collector_end) return 0;
  request_area* area = share_state.request_obj->request();
  // The first byte says whether the times are kept as given or made fresh,
  // so that both the lifetime check and the filing are reached.
  const bool fresh = data[0] & 1;
  ++data;
  --size;
  memset(area, 0, sizeof *area);
  memcpy(area, data, std::min(size, sizeof *area));
  if (fresh) {
    area->lifetime = 45;
    area->request_time = share_now();
  }
  share_state.request_obj->semaphore().Give(kSemFilled);

  std::list<curs_list>* list = qvzcomm2("get", collector_end).list;
  if (!list) __builtin_trap();
  // The semaphores are back at available 1, filled 0 whatever came.
  if (share_state.request_obj->semaphore().Value(kSemAvailable) != 1 ||
      share_state.request_obj->semaphore().Value(kSemFilled) != 0)
    __builtin_trap();
  for (const curs_list& entry : *list) {
    request_view view;
    if (decode_request(entry.data_request, &view, kMaxFiledRequestLen) != record_status::ok)
      __builtin_trap();
    if (view.name.size() > kMaxRequestName || strnlen(entry.name, 9) > kMaxRequestName ||
        view.parms.size() > static_cast<size_t>(kMaxParms))
      __builtin_trap();
    for (std::string_view parm : view.parms)
      if (parm.size() >= sizeof area->parms[0]) __builtin_trap();
  }
  return 0;
}
