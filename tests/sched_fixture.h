// Test ground of the scheduler and cursor runs: the session fixture moved to
// a Monday morning, the collector's process and the cursors with full-day
// windows, and the print file's lines since a mark.
#pragma once

#include <optional>
#include <sstream>

#include "ctl/operate.h"
#include "sql_fixture.h"

class SchedTest : public SqlTest {
 protected:
  static constexpr time_t kMonday10 = 1705312800;  // Monday 15 January 2024, 10:00:00 UTC

  void SetUp() override {
    SqlTest::SetUp();
    clock_.set(kMonday10);
    ready(coll_, 60)->continuous = 'Y';
  }

  // Relative seconds of epoch time `t` (UTC).
  static int32_t rel(time_t t) { return static_cast<int32_t>(t - 699321600); }

  // `d` made active, of class 0, with full-day windows.
  static distributor* ready(distributor* d, int32_t interval) {
    d->interval = interval;
    d->state = 1;
    d->classes[0] = 1;
    d->saturday = d->sunday = d->mon_fri = &full_day;
    return d;
  }
  // A ready process appended to the chain.
  distributor* process(const char* name, int32_t interval) {
    distributor** tail = &anchors.distrib_anchor;
    while (*tail) tail = &(*tail)->next;
    *tail = process_arena().make<distributor>();
    strcpy((*tail)->distrib_name, name);
    return ready(*tail, interval);
  }

  // A cursor on the chain with table T_<name>, a minute's interval and full-day windows.
  curs* cursor(const char* name, const char* select, std::initializer_list<const char*> cols) {
    curs* c = SqlTest::cursor(name, select, cols);
    c->table_name = std::string("T_") + name;
    c->interval = 60;
    c->saturday = c->sunday = c->mon_fri = &full_day;
    return c;
  }

  // Appends a stored row of sample `sample` with text `text` ('|' stands for a NUL).
  static void add_row(curs* c, std::string text, int16_t sample, int16_t row_no) {
    const int32_t newest = c->sample_no;
    c->sample_no = sample;
    text_row* r = alloc_sample_row(c, static_cast<int32_t>(text.size()));
    c->sample_no = newest;
    for (char& ch : text) ch = ch == '|' ? '\0' : ch;
    memcpy(r->text(), text.data(), text.size());
    r->sample_no = sample;
    r->row_no = row_no;
    append_row(c, r);
  }

  // The rows of `c` as "sample/row:first value".
  static std::vector<std::string> rows_of(const curs* c) {
    std::vector<std::string> out;
    for (const text_row* r = c->first_row; r; r = r->next)
      out.push_back(std::to_string(r->sample_no) + "/" + std::to_string(r->row_no) + ":" +
                    r->text());
    return out;
  }

  // The print file's lines since mark() that begin with `prefix`.
  void mark() { capture_.emplace(); }
  std::vector<std::string> lines(const std::string& prefix = "") {
    std::istringstream in(capture_->lines());
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);)
      if (l.starts_with(prefix)) out.push_back(l);
    return out;
  }
  std::optional<PrintCapture> capture_;
};
