// Encoding of the status and column layout records, and the field tables
// through which the probe shows them.
#include "comm/status_record.h"

#include <cstdio>
#include <cstring>

#include "util/reltime.h"

namespace {
void put_text(uint8_t* at, size_t width, const std::string& text) {
  memset(at, 0, width);
  memcpy(at, text.data(), std::min(text.size(), width - 1));
}

// The time text of relative seconds `secs`, or nothing for 0 (never).
void put_time_text(uint8_t* at, int32_t secs) {
  memset(at, 0, 16);
  if (secs == 0) return;
  char text[15];
  secs_to_date(text, secs);
  memcpy(at, text, 14);
}

void put_windows(uint8_t* at, const status_windows& w) {
  for (int day = 0; day < 3; ++day)
    for (int i = 0; i < kStatusWindows; ++i) {
      put_be32(at, w[day][i].start);
      put_be32(at + 4, w[day][i].end);
      at += 8;
    }
}

std::string render_windows(const uint8_t* at) {
  static const char* const kDays[] = {"mon_fri", "sat", "sun"};
  std::string out;
  for (int day = 0; day < 3; ++day) {
    if (day > 0) out += ' ';
    out += kDays[day];
    out += '=';
    bool any = false;
    for (int i = 0; i < kStatusWindows; ++i, at += 8) {
      int32_t start = get_be32(at), end = get_be32(at + 4);
      if (start < 0) continue;
      char pair[40];
      snprintf(pair, sizeof pair, "%s%04d-%04d", any ? "," : "", secs_to_hour(start),
               secs_to_hour(end));
      out += pair;
      any = true;
    }
    if (!any) out += '-';
  }
  return out;
}

std::string render_classes(const uint8_t* at) {
  std::string out;
  for (int k = 0; k < kStatusClasses; ++k) {
    if (!at[k]) continue;
    if (!out.empty()) out += ' ';
    out += std::to_string(k);
  }
  return out;
}

std::string render_holidays(const uint8_t* at) {
  int32_t count = get_be32(at);
  if (count < 0) count = 0;
  if (count > kStatusHolidays) count = kStatusHolidays;
  std::string out;
  for (int32_t i = 0; i < count; ++i) {
    char date[9];
    if (!out.empty()) out += ' ';
    out += real_date(date, get_be32(at + 4 + 4 * i));
  }
  return out;
}

constexpr status_field kCursorFields[] = {
    {"cur_name", 0, 16, status_kind::text},
    {"table_name", 16, 64, status_kind::text},
    {"insert_table", 80, 32, status_kind::text},
    {"last_time", 112, 16, status_kind::text},
    {"state", 128, 16, status_kind::text},
    {"last_sqlcode_text", 144, 20, status_kind::text},
    {"age_to", 164, 12, status_kind::text},
    {"flags", 176, 4, status_kind::int32},
    {"class", 180, 4, status_kind::int32},
    {"interval", 184, 4, status_kind::int32},
    {"stale", 188, 4, status_kind::int32},
    {"stale_at", 192, 4, status_kind::int32},
    {"window_open", 196, 4, status_kind::int32},
    {"window_close", 200, 4, status_kind::int32},
    {"next_time", 204, 4, status_kind::int32},
    {"previous_start", 208, 4, status_kind::int32},
    {"run_start", 212, 4, status_kind::int32},
    {"run_end", 216, 4, status_kind::int32},
    {"execution_time", 220, 4, status_kind::int32},
    {"current_interval", 224, 4, status_kind::int32},
    {"row_count", 228, 4, status_kind::int32},
    {"sample_no", 232, 4, status_kind::int32},
    {"samples", 236, 4, status_kind::int32},
    {"limit", 240, 4, status_kind::int32},
    {"time_limit", 244, 4, status_kind::int32},
    {"row_size", 248, 4, status_kind::int32},
    {"columns", 252, 4, status_kind::int32},
    {"last_sqlcode", 256, 4, status_kind::int32},
    {"length", 260, 4, status_kind::int32},
    {"window_open_time", 264, 16, status_kind::text},
    {"window_close_time", 280, 16, status_kind::text},
    {"next_run_time", 296, 16, status_kind::text},
    {"stale_at_time", 312, 16, status_kind::text},
    {"run_start_time", 328, 16, status_kind::text},
    {"run_end_time", 344, 16, status_kind::text},
    {"windows", 360, 96, status_kind::windows},
};
static_assert(360 + 96 == kCursorStatusLen);

constexpr status_field kProcessFields[] = {
    {"distrib_name", 0, 32, status_kind::text},
    {"logon_id", 32, 36, status_kind::text},
    {"server_id", 68, 36, status_kind::text},
    {"run_status", 104, 8, status_kind::text},
    {"last_run", 112, 16, status_kind::text},
    {"next_run_time", 128, 16, status_kind::text},
    {"window_start_time", 144, 16, status_kind::text},
    {"window_end_time", 160, 16, status_kind::text},
    {"type", 176, 4, status_kind::int32},
    {"interval", 180, 4, status_kind::int32},
    {"time_offset", 184, 4, status_kind::int32},
    {"state", 188, 4, status_kind::int32},
    {"next_time", 192, 4, status_kind::int32},
    {"window_start", 196, 4, status_kind::int32},
    {"window_end", 200, 4, status_kind::int32},
    {"send_false", 204, 4, status_kind::int32},
    {"hold", 208, 1, status_kind::flag},
    {"continuous", 209, 1, status_kind::flag},
    {"classes", 212, 52, status_kind::classes},
    {"windows", 264, 96, status_kind::windows},
    {"holidays", 360, 404, status_kind::holidays},
};
static_assert(360 + 404 + 24 == kProcessStatusLen);

constexpr status_field kLayoutFields[] = {
    {"name", 0, 52, status_kind::text},           {"record_offset", 52, 4, status_kind::int32},
    {"record_length", 56, 4, status_kind::int32}, {"value_type", 60, 4, status_kind::int32},
    {"db_type", 64, 4, status_kind::int32},       {"ordinal", 68, 4, status_kind::int32},
    {"text_length", 72, 4, status_kind::int32},   {"row_size", 76, 4, status_kind::int32},
};
static_assert(76 + 4 == kColumnLayoutLen);
}  // namespace

void put_be32(uint8_t* at, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  at[0] = static_cast<uint8_t>(u >> 24);
  at[1] = static_cast<uint8_t>(u >> 16);
  at[2] = static_cast<uint8_t>(u >> 8);
  at[3] = static_cast<uint8_t>(u);
}

int32_t get_be32(const uint8_t* at) {
  return static_cast<int32_t>(static_cast<uint32_t>(at[0]) << 24 |
                              static_cast<uint32_t>(at[1]) << 16 |
                              static_cast<uint32_t>(at[2]) << 8 | static_cast<uint32_t>(at[3]));
}

void encode_cursor_status(const cursor_status& s, uint8_t out[kCursorStatusLen]) {
  memset(out, 0, kCursorStatusLen);
  put_text(out + 0, 16, s.cur_name);
  put_text(out + 16, 64, s.table_name);
  put_text(out + 80, 32, s.insert_table);
  put_text(out + 112, 16, s.last_time);
  put_text(out + 128, 16, s.state);
  put_text(out + 144, 20, s.last_sqlcode_text);
  put_text(out + 164, 12, s.age_to);
  const int32_t numbers[] = {static_cast<int32_t>(s.flags),
                             s.class_,
                             s.interval,
                             s.stale,
                             s.stale_at,
                             s.window_open,
                             s.window_close,
                             s.next_time,
                             s.previous_start,
                             s.run_start,
                             s.run_end,
                             s.execution_time,
                             s.current_interval,
                             s.row_count,
                             s.sample_no,
                             s.samples,
                             s.limit,
                             s.time_limit,
                             s.row_size,
                             s.column_count,
                             s.last_sqlcode,
                             s.length};
  uint8_t* at = out + 176;
  for (int32_t v : numbers) {
    put_be32(at, v);
    at += 4;
  }
  put_time_text(out + 264, s.window_open);
  put_time_text(out + 280, s.window_close);
  put_time_text(out + 296, s.next_time);
  put_time_text(out + 312, s.stale_at);
  put_time_text(out + 328, s.run_start);
  put_time_text(out + 344, s.run_end);
  put_windows(out + 360, s.windows);
}

void encode_process_status(const process_status& s, uint8_t out[kProcessStatusLen]) {
  memset(out, 0, kProcessStatusLen);
  put_text(out + 0, 32, s.distrib_name);
  put_text(out + 32, 36, s.logon_id);
  put_text(out + 68, 36, s.server_id);
  put_text(out + 104, 8, s.run_status);
  put_text(out + 112, 16, s.last_run);
  put_time_text(out + 128, s.next_time);
  put_time_text(out + 144, s.window_start);
  put_time_text(out + 160, s.window_end);
  const int32_t numbers[] = {s.type,      s.interval,     s.time_offset, s.state,
                             s.next_time, s.window_start, s.window_end,  s.send_false};
  uint8_t* at = out + 176;
  for (int32_t v : numbers) {
    put_be32(at, v);
    at += 4;
  }
  out[208] = static_cast<uint8_t>(s.hold);
  out[209] = static_cast<uint8_t>(s.continuous);
  for (int k = 0; k < kStatusClasses; ++k) out[212 + k] = s.classes[k] ? 1 : 0;
  put_windows(out + 264, s.windows);
  size_t count = std::min(s.holidays.size(), static_cast<size_t>(kStatusHolidays));
  put_be32(out + 360, static_cast<int32_t>(count));
  for (size_t i = 0; i < count; ++i) put_be32(out + 364 + 4 * i, s.holidays[i]);
}

void encode_column_layout(const column_layout& c, uint8_t out[kColumnLayoutLen]) {
  memset(out, 0, kColumnLayoutLen);
  put_text(out, 52, c.name);
  const int32_t numbers[] = {c.record_offset, c.record_length, c.value_type, c.db_type,
                             c.ordinal,       c.text_length,   c.row_size};
  uint8_t* at = out + 52;
  for (int32_t v : numbers) {
    put_be32(at, v);
    at += 4;
  }
}

column_layout decode_column_layout(const uint8_t* record) {
  column_layout c;
  c.name = render_status_field(kLayoutFields[0], record);
  c.record_offset = get_be32(record + 52);
  c.record_length = get_be32(record + 56);
  c.value_type = get_be32(record + 60);
  c.db_type = get_be32(record + 64);
  c.ordinal = get_be32(record + 68);
  c.text_length = get_be32(record + 72);
  c.row_size = get_be32(record + 76);
  return c;
}

std::span<const status_field> cursor_status_fields() { return kCursorFields; }
std::span<const status_field> process_status_fields() { return kProcessFields; }
std::span<const status_field> column_layout_fields() { return kLayoutFields; }

std::string render_status_field(const status_field& f, const uint8_t* record) {
  const uint8_t* at = record + f.offset;
  switch (f.kind) {
    case status_kind::text: {
      const void* nul = memchr(at, 0, f.width);
      size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - at) : f.width;
      return std::string(reinterpret_cast<const char*>(at), len);
    }
    case status_kind::int32:
      return std::to_string(get_be32(at));
    case status_kind::flag:
      return at[0] ? std::string(1, static_cast<char>(at[0])) : std::string();
    case status_kind::windows:
      return render_windows(at);
    case status_kind::classes:
      return render_classes(at);
    case status_kind::holidays:
      return render_holidays(at);
  }
  return {};
}
