// Feeds arbitrary bytes to the request-record decoder: it must refuse or
// decode without reading outside the input, and a decoded record (name free of
// NULs, at most 40 parameters) must encode back to the very same bytes.
#include <algorithm>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/request_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> record(data, data + size);  // exact bounds for the sanitizer
  request_view view;
  if (decode_request(record, &view) != record_status::ok) return 0;
  if (view.name.size() > kMaxRequestName || view.parm_bytes.size() < 2) __builtin_trap();

  size_t parms =
      static_cast<size_t>(std::count(view.parm_bytes.begin(), view.parm_bytes.end(), 0)) - 2;
  if (view.name.find('\0') == std::string_view::npos && parms <= kMaxParms) {
    std::vector<std::string> strings(view.parms.begin(), view.parms.end());
    if (encode_request(view.name, view.reply_path, strings) != record) __builtin_trap();
  }
  // Filing the same request twice yields one entry with two reply paths.
  std::list<curs_list> entries;
  file_request(entries, record, view);
  request_view again;
  if (decode_request(entries.front().data_request, &again) != record_status::ok) __builtin_trap();
  file_request(entries, record, again);
  if (entries.size() != 1 || entries.front().pipe_list.size() != 2) __builtin_trap();
  return 0;
}
