// Test ground of the scheduler and cursor runs: simulated time from a Monday
// morning, the print file and a real SQLite database in a scratch directory,
// the collector's process logging on locally, and cursors and processes with
// full-day windows.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "db_test_util.h"
#include "fake_clock.h"
#include "std_capture.h"
#include "test_state.h"
#include "util/print.h"

class SchedTest : public testing::Test {
 protected:
  static constexpr time_t kMonday10 = 1705312800;  // Monday 15 January 2024, 10:00:00 UTC
  static constexpr int32_t kDay = 86400;

  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
    reset_process_state();
    clock_.install();
    env_vars.coll_out = env_store(dir_.path());
    env_vars.serverid = env_store("coll");
    env_vars.db_home = env_store(dir_.path());
    init_PRINT();
    coll_ = anchors.collector_at = process("collector", 60);
    coll_->type = 1;
    strcpy(coll_->logon_id, "scott");
    coll_->continuous = 'Y';
  }
  void TearDown() override { reset_process_state(); }

  // Relative seconds of epoch time `t` (UTC).
  static int32_t rel(time_t t) { return static_cast<int32_t>(t - 699321600); }

  // A process appended to the chain: active, class 0, full-day windows.
  distributor* process(const char* name, int32_t interval) {
    distributor* d = process_arena().make<distributor>();
    strcpy(d->distrib_name, name);
    d->interval = interval;
    d->state = 1;
    d->classes[0] = 1;
    d->saturday = d->sunday = d->mon_fri = &full_day;
    distributor** tail = &anchors.distrib_anchor;
    while (*tail) tail = &(*tail)->next;
    return *tail = d;
  }

  // A cursor appended to the chain running `select`, one column per name.
  curs* cursor(const char* name, const char* select, std::initializer_list<const char*> cols) {
    curs* c = cursor_arena().make<curs>();
    strcpy(c->cur_name, name);
    c->select = select;
    c->table_name = std::string("T_") + name;
    c->interval = 60;
    c->saturday = c->sunday = c->mon_fri = &full_day;
    columns** col = &c->column_list;
    for (const char* n : cols) {
      *col = cursor_arena().make<columns>();
      strcpy((*col)->name, n);
      (*col)->name_len = static_cast<int16_t>(strlen(n));
      col = &(*col)->next;
    }
    curs** tail = &anchors.cur_anchor;
    while (*tail) tail = &(*tail)->next;
    return *tail = c;
  }

  void make_db(const char* sql) { make_sqlite_file(dir_.file("coll.db"), sql); }

  // Appends a stored row with text `text` ('|' stands for a NUL).
  static void add_row(curs* c, std::string text, int16_t sample, int16_t row_no) {
    text_row* r = alloc_text_row(static_cast<int32_t>(text.size()));
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

  // The print file's lines since mark() that begin with `prefix`, without the
  // "(HHMMSS) " stamps.
  void mark() {
    fflush(print_stream());
    mark_ = read_whole(print_globals.stder_filename).size();
  }
  std::vector<std::string> lines(const std::string& prefix = "") {
    fflush(print_stream());
    std::istringstream in(read_whole(print_globals.stder_filename).substr(mark_));
    static const std::regex stamp(R"(^(\S+) \(\d{6}\) )");
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);)
      if (l.starts_with(prefix)) out.push_back(std::regex_replace(l, stamp, "$1 "));
    return out;
  }

  ScratchDir dir_;
  FakeClock clock_{kMonday10};
  distributor* coll_ = nullptr;
  size_t mark_ = 0;
};
