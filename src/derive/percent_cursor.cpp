// The percent cursor: its columns in table order, its single row holding every
// value, the lookup of a percent variable by name, and the refresh of the
// values a row about to be built may read.
#include "derive/percent_cursor.h"

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "derive/column_refs.h"
#include "derive/derived_columns.h"
#include "rows/database.h"
#include "rows/row_chain.h"
#include "rows/row_format.h"
#include "util/print.h"
#include "util/settings.h"

namespace {

// Where a percent column's value comes from.
enum class pv : uint8_t {
  machine,           // a fixed slice of machine_id, copied once
  now_time,          // the run's time stamp
  current_interval,  // the numbers of the cursor whose row is being built
  now_secs,
  rowno,
  sampleno,
  execution_time,
  sqlcode,  // the last SQLCODE text of one cursor
  parm,     // a probe parameter, placed by the request service
};

struct percent_variable {
  const char* name;
  int16_t type;    // 1 character, 2 number
  int16_t length;  // 0: expands into several columns
  pv kind;
  int16_t machine_at;  // first byte of machine_id for pv::machine
};

constexpr percent_variable kVariables[] = {
    {"%me", 1, 32, pv::machine, 64},         {"%machine", 1, 64, pv::machine, 0},
    {"%machine_me", 1, 64, pv::machine, 96}, {"%machine_me_ora", 1, 72, pv::machine, 0},
    {"%now_time", 1, 16, pv::now_time, 0},   {"%current_interval", 2, 21, pv::current_interval, 0},
    {"%now_secs", 2, 21, pv::now_secs, 0},   {"%rowno", 2, 21, pv::rowno, 0},
    {"%sampleno", 2, 21, pv::sampleno, 0},   {"%execution_time", 2, 21, pv::execution_time, 0},
    {"%sqlcode", 2, 0, pv::sqlcode, 0},      {"%parm", 2, 0, pv::parm, 0},
};

constexpr int kParms = 40;
constexpr int16_t kNumberWidth = 21;
constexpr int16_t kSqlcodeWidth = 16;

// One column of the percent cursor and what keeps it current.
struct percent_slot {
  columns* col;
  pv kind;
  int16_t machine_at;
  const curs* of;  // the cursor of a pv::sqlcode column
  char* place;     // the value's place in the percent row
  bool live;       // looked up by some reader: refreshed for every row
};

struct percent_state {
  const curs* owner = nullptr;      // the percent cursor the slots describe
  std::vector<percent_slot> slots;  // every column, in column order
  std::vector<percent_slot*> live;  // the slots refreshed per row
  curs* row_of = nullptr;           // the cursor whose row was refreshed last
};

percent_state state;

// The slots describe the current percent cursor only; after the definitions
// were replaced they are forgotten rather than written through.
bool slots_current() {
  if (state.owner && state.owner == anchors.percent_cursor) return true;
  state = percent_state{};
  return false;
}

columns* new_column(const char* name, int16_t type, int16_t length) {
  columns* col = cursor_arena().make<columns>();
  snprintf(col->name, sizeof col->name, "%s", name);
  col->name_len = static_cast<int16_t>(strlen(col->name));
  col->orig_type = type;
  col->data_type = 1;
  col->fmt_len = length;
  col->db_len = length;
  return col;
}

// Which column builder failed.
enum class build_failure { none, columns, sqlcode, parms };

void add_p_column(columns*** tail, columns* col, const percent_variable& v, const curs* of) {
  **tail = col;
  *tail = &col->next;
  state.slots.push_back({col, v.kind, v.machine_at, of, nullptr, false});
}

// One column per cursor read so far. False when a name would not fit whole:
// a cut name could match another cursor's column.
bool sqlcode_cols(columns*** tail, const percent_variable& v) {
  for (const curs* c = anchors.cur_anchor; c; c = c->next) {
    char name[sizeof columns::name];
    int n = snprintf(name, sizeof name, "%%sqlcode_%s", c->cur_name);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name) return false;
    add_p_column(tail, new_column(name, v.type, kSqlcodeWidth), v, c);
  }
  return true;
}

// %parm0 .. %parm27.
bool parmx_cols(columns*** tail, const percent_variable& v) {
  for (int k = 0; k < kParms; ++k) {
    char name[16];
    int n = snprintf(name, sizeof name, "%%parm%x", k);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name) return false;
    add_p_column(tail, new_column(name, v.type, kNumberWidth), v, nullptr);
  }
  return true;
}

// Appends one column per table row to `tail`, "%sqlcode" and "%parm"
// expanded, and records its slot.
build_failure build_p_columns(columns*** tail) {
  for (const percent_variable& v : kVariables) {
    if (v.kind == pv::sqlcode) {
      if (!sqlcode_cols(tail, v)) return build_failure::sqlcode;
    } else if (v.kind == pv::parm) {
      if (!parmx_cols(tail, v)) return build_failure::parms;
    } else {
      if (strlen(v.name) >= sizeof columns::name) return build_failure::columns;
      add_p_column(tail, new_column(v.name, v.type, v.length), v, nullptr);
    }
  }
  return build_failure::none;
}

// The bytes a column's place takes in the percent row: its value and a NUL; a
// parameter keeps room for the longest value a request may bring.
int32_t place_size(const percent_slot& s) {
  return s.kind == pv::parm ? static_cast<int32_t>(kPercentParmRoom) + 1 : s.col->fmt_len + 1;
}

// Writes `v` right-aligned in `width` blanks, as "%*d" would.
void put_number(char* place, int width, int64_t v) {
  char* p = place + width;
  const bool negative = v < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u && p > place);
  if (negative && p > place) *--p = '-';
  memset(place, ' ', static_cast<size_t>(p - place));
}

void refresh(const percent_slot& s, const curs* cur) {
  char* place = s.place;
  switch (s.kind) {
    case pv::now_time:
      memcpy(place, fetch_time_stamp(), 16);
      break;
    case pv::current_interval:
      put_number(place, kNumberWidth, cur->current_interval);
      break;
    case pv::now_secs:
      put_number(place, kNumberWidth, cur->last_run_time);
      break;
    case pv::rowno:
      put_number(place, kNumberWidth, cur->rows_this_run);
      break;
    case pv::sampleno:
      put_number(place, kNumberWidth, cur->sample_no);
      break;
    case pv::execution_time:
      put_number(place, kNumberWidth, cur->execution_time);
      break;
    case pv::sqlcode:
      memcpy(place, s.of->last_sqlcode_text, kSqlcodeWidth);
      break;
    case pv::machine:
    case pv::parm:
      break;
  }
}

// The first values of the row: the fixed ones for good, the others as they
// stand before any cursor ran.
void initial_value(const percent_slot& s) {
  size_t len = static_cast<size_t>(s.col->fmt_len);
  switch (s.kind) {
    case pv::machine:
      memcpy(s.place, machine_id + s.machine_at, len);
      break;
    case pv::now_time:
      memcpy(s.place, fetch_time_stamp(), len);
      break;
    case pv::sqlcode:
      memset(s.place, ' ', len);
      if (s.of->last_sqlcode_text[0]) memcpy(s.place, s.of->last_sqlcode_text, len);
      break;
    case pv::parm:
      memset(s.place, ' ', len);
      break;
    default:
      put_number(s.place, static_cast<int>(len), 0);
  }
}

percent_slot* slot_of(const columns* col) {
  for (percent_slot& s : state.slots)
    if (s.col == col) return &s;
  return nullptr;
}

}  // namespace

int create_percent_cursor() {
  state = percent_state{};
  curs* pc = cursor_arena().make<curs>();
  strcpy(pc->cur_name, "%CURSOR");
  pc->demand = 1;
  pc->no_sql = 1;
  // Held for good: no pass of the collection loop lifts this hold.
  pc->hold = 'Y';
  pc->held_other = 1;
  pc->vers_list = pc;
  columns** tail = &pc->column_list;
  switch (build_p_columns(&tail)) {
    case build_failure::none:
      break;
    case build_failure::columns:
      PRINT('e', "PCV4600", "Can not build columns for percent-cursor\n");
      return 1;
    case build_failure::sqlcode:
      PRINT('e', "PCV4610", "Can not build columns for percent-cursor\n");
      return 1;
    case build_failure::parms:
      PRINT('e', "PCV4620", "Can not build columns for percent-cursor\n");
      return 1;
  }
  set_col_ordinals(pc);

  // Every value lives in the row itself, at its column's offset, so a reader
  // through the row and a reader through the column's source see one value.
  int32_t length = 0;
  for (const percent_slot& s : state.slots) length += place_size(s);
  text_row* row = alloc_text_row(length);
  if (!row) {
    PRINT('e', "PCV4600", "Can not build columns for percent-cursor\n");
    return 1;
  }
  int32_t at = 0;
  for (percent_slot& s : state.slots) {
    s.place = row->text() + at;
    s.col->source = s.place;
    initial_value(s);
    at += place_size(s);
  }
  (void)row_form(pc->column_list, row->text());
  pc->length = length;
  pc->cols_resolved = 1;
  append_row(pc, row);

  curs** end = &anchors.cur_anchor;
  while (*end) end = &(*end)->next;
  *end = pc;
  anchors.percent_cursor = pc;
  state.owner = pc;
  return 0;
}

columns* find_pcnt_col(const char* name) {
  curs* pc = anchors.percent_cursor;
  if (!pc) return nullptr;
  const char* wanted = name;
  if (strncasecmp(name, "%machine_me", sizeof columns::name) == 0 &&
      strcmp(database_info.db_kind, "ORA") == 0)
    wanted = "%machine_me_ora";
  columns* found = nullptr;
  for (columns* col = pc->column_list; col && !found; col = col->next)
    if (strncasecmp(col->name, wanted, sizeof col->name) == 0) found = col;
  if (found && slots_current())
    if (percent_slot* s = slot_of(found); s && !s->live) {
      s->live = true;
      state.live.push_back(s);
      // Columns are bound while their cursor's first row is built, after its
      // refresh: that row reads the value too.
      if (state.row_of) refresh(*s, state.row_of);
    }
  return found;
}

void refresh_percent_values(curs* cur, const char*) {
  state.row_of = cur;
  if (state.live.empty() || !slots_current()) return;
  for (const percent_slot* s : state.live) refresh(*s, cur);
}

int set_percent_parm(columns* col, const char* text, size_t len) {
  if (!slots_current()) return 1;
  const percent_slot* s = slot_of(col);
  if (!s || s->kind != pv::parm) return 1;
  if (len > kPercentParmRoom) len = kPercentParmRoom;
  memset(s->place, 0, kPercentParmRoom + 1);
  memcpy(s->place, text, len);
  col->fmt_len = static_cast<int16_t>(len);
  return 0;
}
