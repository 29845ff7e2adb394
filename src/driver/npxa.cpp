// The "npxa" service, which prints the rows of its cursors without a probe
// request, the printing of one record, and the distribution processes.
#include "driver/npxa.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "ctl/windows.h"
#include "driver/cluster.h"
#include "rows/row_hooks.h"
#include "util/print.h"
#include "util/reltime.h"

npxa_state npxa;

void reset_npxa_state() { npxa = npxa_state{}; }

namespace {

// Value types a column may force (num_type).
constexpr int16_t kText = 0;
constexpr int16_t kInt = 1;
constexpr int16_t kFloat = 2;
constexpr int16_t kTimestamp = 3;
constexpr int16_t kNoSend = 4;
constexpr int16_t kInt64 = 5;

bool class_served(const distributor* d, int32_t cls) {
  return cls >= 0 && cls <= 50 && d->classes[cls] != 0;
}

// An age-to copy holds the previous sample of its source, not rows of its own.
bool is_age_to_copy(const curs* c) { return (c->pre_copy || c->post_copy) && !c->age_to[0]; }

// A text field up to its first NUL without trailing blanks; a field of blanks,
// or one that begins with a NUL (an empty value), keeps its first character.
std::string trimmed(const char* field, int len) {
  size_t n = 0;
  while (n < static_cast<size_t>(len) && field[n] != '\0') ++n;
  if (n == 0 && len > 0) n = 1;
  size_t keep = n;
  while (keep > 1 && field[keep - 1] == ' ') --keep;
  return std::string(field, keep);
}

// The bytes column `col` takes in a record of `cur`. The length shown for a
// 64-bit integer or a timestamp is its text length, which may pass its field
// and the record's end; reading stops at the field.
int field_bytes(const curs* cur, const columns* col, int shown) {
  int bytes = shown;
  if (col->num_type == kInt64) bytes = 8;
  if (col->num_type == kTimestamp) bytes = col->set_length ? col->set_length : 16;
  const int room = cur->row_size - col->record_offset;
  if (bytes > room) bytes = room;
  return bytes > 0 ? bytes : 0;
}

// The binary number of type T at `field`, written with printf's `format`.
template <typename T>
std::string field_number(const char* field, const char* format) {
  T value;
  memcpy(&value, field, sizeof value);
  char buffer[64];
  snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

int do_npxa(distributor* p, const char* time_text) {
  const int32_t now = static_cast<int32_t>(relative_sec(time_text));
  int rc = 0;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (c->virtual_ || is_age_to_copy(c)) continue;
    if (c->window_close <= now) set_window_c(c, now);
    if (c->window_open > now || !class_served(p, c->class_) || c->hold == 'Y') continue;
    PRINT('i', "cir1650", "Npxa for %s\n", c->cur_name);
    row_cluster* cl = open_cursor(c);
    if (!cl) continue;
    while (fetch_cur(cl) == 0) send_a_row(c, cl->current);
    rc = close_cur(cl);
  }
  return rc;
}

int send_a_row(curs* cur, const char* record) {
  if (cur != npxa.last_curs) {
    PRINT('i', "cpr1890", "%s\n", cur->table_name.c_str());
    npxa.last_curs = cur;
  }
  int number = 0;
  for (const columns* col = cur->column_list; col; col = col->next) {
    ++number;
    const char* field = record + col->record_offset;
    int shown = col->set_length ? col->set_length : col->fmt_len;
    std::string text;
    switch (col->num_type) {
      case kText:
        text = trimmed(field, field_bytes(cur, col, shown));
        break;
      case kInt:
        text = field_number<int32_t>(field, "%d");
        shown = 4;
        break;
      case kFloat:
        text = field_number<double>(field, "%f");
        shown = 8;
        break;
      case kNoSend:
        text = "ZIP";
        shown = 0;
        break;
      default:
        text.assign(field, static_cast<size_t>(field_bytes(cur, col, shown)));
        break;
    }
    PRINT('i', "cpr1895", "#=%d,n=%s,l=%d,o=%d,ll=%d:%s\n", number, col->name,
          static_cast<int>(text.size()), col->record_offset, shown, text.c_str());
  }
  return 0;
}

namespace {
int open_for_reading(curs* cur) {
  row_cluster* cl = open_cursor(cur);
  if (!cl) return 1;
  (void)close_cur(cl);
  return 0;
}
}  // namespace

void register_probe_row_steps() {
  static const probe_row_steps steps = {open_for_reading, send_a_row};
  set_probe_row_steps(&steps);
}

int distribute(distributor* d, const char* time_text) {
  PRINT('i', "cir1625", "Dist for %s at %s\n", d->distrib_name, time_text);
  return 0;
}
