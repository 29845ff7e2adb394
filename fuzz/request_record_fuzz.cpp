// Feeds arbitrary bytes to the request-record decoder: it must refuse or
// decode without reading outside the input, and a decoded record (name free of
// NULs, at most 40 parameters) must encode back to the very same bytes. The
// same bytes as a stream from the request pipe are then taken apart record by
// record: every whole record decodes, damage is dropped a byte at least.
#include <algorithm>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/request_record.h"

namespace {
void split_stream(std::vector<uint8_t> bytes) {
  // Read in full, the stream holds no partial record; read in part, only its
  // last few hundred bytes may wait.
  std::vector<uint8_t> exact(bytes);  // exact bounds for the sanitizer
  record_frame cut = next_record(exact, false);
  if (cut.kind == frame_kind::partial && (cut.length != 0 || bytes.size() >= kMaxRequestLen))
    __builtin_trap();
  while (!bytes.empty()) {
    std::vector<uint8_t> now(bytes);  // exact bounds again
    record_frame frame = next_record(now);
    if (frame.kind == frame_kind::partial || frame.length == 0 || frame.length > bytes.size())
      __builtin_trap();
    request_view view;
    std::span<const uint8_t> front(now.data(), frame.length);
    if ((frame.kind == frame_kind::whole) != (decode_request(front, &view) == record_status::ok))
      __builtin_trap();
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(frame.length));
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> record(data, data + size);  // exact bounds for the sanitizer
  split_stream(record);
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
