// Status and layout answers: images of the cursor and process records and
// of a cursor's column layout, written into a request's answer.
#include "driver/pxa_status.h"

#include <cstring>

#include "comm/comm.h"
#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "rows/row_record.h"

namespace {
// Value types a column may force (num_type).
constexpr int16_t kInt = 1, kFloat = 2, kTimestamp = 3, kNoSend = 4, kInt64 = 5;
// A timestamp's record length unless set.
constexpr int32_t kTimestampLen = 16;

void copy_windows(status_windows& out, const operate* mon_fri, const operate* saturday,
                  const operate* sunday) {
  const operate* days[3] = {mon_fri, saturday, sunday};
  for (int day = 0; day < 3; ++day) {
    const operate* w = days[day];
    for (int i = 0; i < kStatusWindows && w; ++i, w = w->next) out[day][i] = {w->start, w->end};
  }
}

const char* state_of(const curs& c) {
  if (c.hold == 'Y') return "HELD";
  if (c.virtual_) return "VIRTUAL";
  if (c.demand) return "DEMAND";
  return "INTERVAL";
}

// Bytes the column takes in a record, as get_row_size lays it out (the row
// formatting keeps its own copy of this rule private).
int32_t record_length(const columns& col) {
  switch (col.num_type) {
    case kInt:
      return 4;
    case kFloat:
    case kInt64:
      return 8;
    case kNoSend:
      return 0;
    case kTimestamp:
      return col.set_length ? col.set_length : kTimestampLen;
    default:
      return col.set_length ? col.set_length : col.fmt_len;
  }
}

// Gives `entry` `count` records of `len` bytes, zero-filled.
uint8_t* size_answer(curs_list* entry, size_t count, size_t len) {
  entry->data.assign(count * len, 0);
  entry->rows = static_cast<int32_t>(count);
  entry->row_len = static_cast<int32_t>(len);
  return reinterpret_cast<uint8_t*>(entry->data.data());
}

// Answers one record of `len` bytes per node of the chain at `first`, each
// written by `encode`.
template <typename Node, typename Encode>
int answer_each(curs_list* entry, const Node* first, size_t len, Encode encode) {
  size_t count = 0;
  for (const Node* n = first; n; n = n->next) ++count;
  uint8_t* at = size_answer(entry, count, len);
  for (const Node* n = first; n; n = n->next, at += len) encode(*n, at);
  return 0;
}
}  // namespace

cursor_status cursor_status_of(const curs& c) {
  cursor_status s;
  s.cur_name = c.cur_name;
  s.table_name = c.table_name;
  s.insert_table = c.insert_table;
  s.last_time = c.last_time;
  s.state = state_of(c);
  s.last_sqlcode_text = c.last_sqlcode_text;
  s.age_to = c.age_to;
  struct flag_source {
    bool on;
    uint32_t bit;
  };
  const flag_source flags[] = {
      {c.hold == 'Y', kCurHeld},
      {c.demand != 0, kCurDemand},
      {c.virtual_ != 0, kCurVirtual},
      {c.no_sql != 0, kCurNoSql},
      {c.once != 0, kCurOnce},
      {c.empty != 0, kCurEmpty},
      {c.has_col_funct != 0, kCurColumnFunctions},
      {c.fetch_exit != nullptr, kCurFetchExit},
      {c.trace || c.traced || c.tracem, kCurTraced},
      {c.parent_if != nullptr, kCurVersion},
      {c.history != 0, kCurHistory},
      {c.held_by_definition != 0, kCurHeldByDefinition},
  };
  for (const flag_source& f : flags)
    if (f.on) s.flags |= f.bit;
  s.class_ = c.class_;
  s.interval = c.interval;
  s.stale = c.stale;
  s.stale_at = c.stale_at;
  s.window_open = c.window_open;
  s.window_close = c.window_close;
  s.next_time = c.next_time;
  s.previous_start = c.previous_start;
  s.run_start = c.run_start;
  s.run_end = c.run_end;
  s.execution_time = c.execution_time;
  s.current_interval = c.current_interval;
  s.row_count = c.row_count;
  s.sample_no = c.sample_no;
  s.samples = c.samples;
  s.limit = c.limit;
  s.time_limit = c.time_limit;
  s.row_size = c.row_size;
  for (const columns* col = c.column_list; col; col = col->next) ++s.column_count;
  s.last_sqlcode = c.last_sqlcode;
  s.length = c.length;
  copy_windows(s.windows, c.mon_fri, c.saturday, c.sunday);
  return s;
}

process_status process_status_of(const distributor& d) {
  process_status s;
  s.distrib_name = d.distrib_name;
  s.logon_id = d.logon_id;
  s.server_id = d.server_id;
  s.run_status.assign(d.run_status, strnlen(d.run_status, sizeof d.run_status));
  s.last_run.assign(d.last_run, strnlen(d.last_run, sizeof d.last_run));
  s.type = d.type;
  s.interval = d.interval;
  s.time_offset = d.time_offset;
  s.state = d.state;
  s.next_time = d.next_time;
  s.window_start = d.window_start;
  s.window_end = d.window_end;
  s.send_false = d.send_false;
  // The record always says yes or no: a process file that leaves them out means 'N'.
  s.hold = d.hold == 'Y' ? 'Y' : 'N';
  s.continuous = d.continuous == 'Y' ? 'Y' : 'N';
  for (int k = 0; k < kStatusClasses; ++k) s.classes[k] = d.classes[k] != 0;
  copy_windows(s.windows, d.mon_fri, d.saturday, d.sunday);
  for (int i = 0; i < kStatusHolidays && d.holidays[i] != 0; ++i)
    s.holidays.push_back(d.holidays[i]);
  return s;
}

std::vector<column_layout> column_layouts_of(curs* c) {
  int32_t size = get_row_size(c);
  // Before the first row fixes the columns' lengths, a text column without a
  // declared length has none yet: the record size is then given as 0, which
  // no answer's row length matches, so the probe asks again after the data.
  for (const columns* col = c->column_list; col && !c->cols_resolved; col = col->next)
    if (record_length(*col) == 0 && col->num_type != kNoSend) size = 0;
  std::vector<column_layout> out;
  if (size < 0) return out;  // too wide to be sent: no layout either
  for (const columns* col = c->column_list; col; col = col->next) {
    column_layout l;
    l.name.assign(col->name, strnlen(col->name, sizeof col->name));
    l.record_offset = col->record_offset;
    l.record_length = record_length(*col);
    l.value_type = col->num_type;
    l.db_type = col->orig_type;
    l.ordinal = col->col_ordinal;
    l.text_length = col->fmt_len;
    l.row_size = size;
    out.push_back(std::move(l));
  }
  return out;
}

curs* find_request_cursor(const char* name) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (strcmp(c->cur_name, name) == 0) return c;
  return nullptr;
}

int answer_c_status(curs_list* entry) {
  return answer_each(entry, anchors.cur_anchor, kCursorStatusLen, [](const curs& c, uint8_t* at) {
    encode_cursor_status(cursor_status_of(c), at);
  });
}

int answer_d_status(curs_list* entry) {
  return answer_each(
      entry, anchors.distrib_anchor, kProcessStatusLen,
      [](const distributor& d, uint8_t* at) { encode_process_status(process_status_of(d), at); });
}

int answer_c_layout(curs_list* entry, const char* name) {
  curs* c = name ? find_request_cursor(name) : nullptr;
  if (!c) {
    size_answer(entry, 0, 0);
    return 1;
  }
  std::vector<column_layout> layouts = column_layouts_of(c);
  uint8_t* at = size_answer(entry, layouts.size(), kColumnLayoutLen);
  for (const column_layout& l : layouts) {
    encode_column_layout(l, at);
    at += kColumnLayoutLen;
  }
  return 0;
}
