// Encoding and decoding of request records and stream headers, and the filing
// of requests so that probes asking for the same data share one entry.
#include "comm/request_record.h"

#include <algorithm>
#include <cstring>

#include "comm/comm.h"

namespace {
// Header (4), the reply path's terminator (1) and the two closing zero bytes.
constexpr size_t kRecordOverhead = 7;

void put16(std::vector<uint8_t>& out, size_t at, size_t v) {
  out[at] = static_cast<uint8_t>(v >> 8);
  out[at + 1] = static_cast<uint8_t>(v);
}
enum class look { whole, partial, damaged };

// What the bytes at `at` hold; `total` gets the length the header claims.
look look_at(std::span<const uint8_t> bytes, size_t at, size_t* total, record_status* why) {
  size_t left = bytes.size() - at;
  if (left < 4) return look::partial;
  const uint8_t* head = bytes.data() + at;
  *total = record_total_len(head);
  size_t name_len = record_name_len(head);
  if (*total > kMaxRequestLen || *total < kRecordOverhead) {
    *why = record_status::bad_total_length;
    return look::damaged;
  }
  if (name_len > kMaxRequestName) {
    *why = record_status::bad_name_length;
    return look::damaged;
  }
  if (name_len + kRecordOverhead > *total) {
    *why = record_status::bad_format;
    return look::damaged;
  }
  if (left < *total) return look::partial;
  request_view view;
  *why = decode_request(bytes.subspan(at, *total), &view);
  return *why == record_status::ok ? look::whole : look::damaged;
}
}  // namespace

record_frame next_record(std::span<const uint8_t> bytes, bool all) {
  size_t total = 0, unused = 0;
  record_status why = record_status::ok, ignored = record_status::ok;
  look front = look_at(bytes, 0, &total, &why);
  if (front == look::whole) return {frame_kind::whole, total, record_status::ok};
  if (bytes.empty() || (front == look::partial && !all)) return {};
  if (front == look::partial) why = record_status::truncated;
  if (front == look::damaged && why != record_status::bad_total_length && total <= bytes.size() &&
      (total == bytes.size() || look_at(bytes, total, &unused, &ignored) == look::whole))
    return {frame_kind::damaged, total, why};
  size_t cut = bytes.size();  // where a record cut by the reader may begin
  for (size_t at = 1; at < bytes.size(); ++at) {
    look here = look_at(bytes, at, &unused, &ignored);
    if (here == look::whole) return {frame_kind::damaged, at, why};
    if (here == look::partial && cut == bytes.size()) cut = at;
  }
  return {frame_kind::damaged, all ? bytes.size() : cut, why};
}

record_status decode_request(std::span<const uint8_t> record, request_view* out, size_t max_len) {
  *out = request_view{};
  if (record.size() < 4) return record_status::bad_total_length;
  size_t total = record_total_len(record.data());
  size_t name_len = record_name_len(record.data());
  if (total > max_len || total > kMaxFiledRequestLen || total < kRecordOverhead ||
      total != record.size())
    return record_status::bad_total_length;
  if (name_len > kMaxRequestName) return record_status::bad_name_length;
  if (name_len + kRecordOverhead > total) return record_status::bad_format;
  // The record must close with two zero bytes, preceded by the terminator of
  // the last string (the reply path or the last parameter).
  if (record[total - 1] != 0 || record[total - 2] != 0 || record[total - 3] != 0)
    return record_status::bad_format;

  const char* base = reinterpret_cast<const char*>(record.data());
  out->name = std::string_view(base + 4, name_len);
  size_t path_at = 4 + name_len;
  const char* path_end = static_cast<const char*>(memchr(base + path_at, 0, total - 2 - path_at));
  if (!path_end) return record_status::bad_format;
  out->reply_path =
      std::string_view(base + path_at, static_cast<size_t>(path_end - base) - path_at);

  size_t parm_at = static_cast<size_t>(path_end - base) + 1;
  out->parm_bytes = record.subspan(parm_at);
  // Parameters fill the bytes up to the closing zeros, each NUL-terminated;
  // the check above guarantees the last one is terminated.
  size_t at = parm_at;
  while (at < total - 2) {
    size_t len = strlen(base + at);
    if (out->parms.size() < static_cast<size_t>(kMaxParms)) out->parms.emplace_back(base + at, len);
    at += len + 1;
  }
  return record_status::ok;
}

std::vector<uint8_t> encode_request(std::string_view name, std::string_view reply_path,
                                    std::span<const std::string> parms, size_t max_len) {
  if (name.size() > kMaxRequestName) return {};
  auto has_nul = [](std::string_view s) { return s.find('\0') != std::string_view::npos; };
  if (has_nul(name) || has_nul(reply_path)) return {};
  size_t count = std::min(parms.size(), static_cast<size_t>(kMaxParms));
  size_t total = name.size() + reply_path.size() + kRecordOverhead;
  for (size_t i = 0; i < count; ++i) {
    if (has_nul(parms[i])) return {};
    total += parms[i].size() + 1;
  }
  if (total > max_len || total > kMaxFiledRequestLen) return {};

  std::vector<uint8_t> out(total, 0);
  put16(out, 0, total);
  put16(out, 2, name.size());
  size_t at = 4;
  memcpy(out.data() + at, name.data(), name.size());
  at += name.size();
  memcpy(out.data() + at, reply_path.data(), reply_path.size());
  at += reply_path.size() + 1;
  for (size_t i = 0; i < count; ++i) {
    memcpy(out.data() + at, parms[i].data(), parms[i].size());
    at += parms[i].size() + 1;
  }
  return out;
}

curs_list* file_request(std::list<curs_list>& entries, std::vector<uint8_t> record,
                        const request_view& view) {
  for (curs_list& entry : entries) {
    request_view other;
    if (decode_request(entry.data_request, &other, kMaxFiledRequestLen) != record_status::ok)
      continue;
    if (other.name == view.name && entry.data_request.size() == record.size() &&
        std::ranges::equal(other.parm_bytes, view.parm_bytes)) {
      entry.pipe_list.emplace_back(view.reply_path);
      return &entry;
    }
  }
  curs_list& entry = entries.emplace_back();
  memcpy(entry.name, view.name.data(), view.name.size());
  entry.pipe_list.emplace_back(view.reply_path);
  entry.data_request = std::move(record);
  return &entry;
}

void encode_stream_header(int32_t rows, int32_t row_len, uint8_t out[kStreamHeaderLen]) {
  uint32_t r = static_cast<uint32_t>(rows), w = static_cast<uint32_t>(row_len);
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(r >> (24 - 8 * i));
    out[4 + i] = static_cast<uint8_t>(w >> (24 - 8 * i));
  }
}

void decode_stream_header(const uint8_t in[kStreamHeaderLen], int32_t* rows, int32_t* row_len) {
  uint32_t r = 0, w = 0;
  for (int i = 0; i < 4; ++i) {
    r = r << 8 | in[i];
    w = w << 8 | in[4 + i];
  }
  *rows = static_cast<int32_t>(r);
  *row_len = static_cast<int32_t>(w);
}
