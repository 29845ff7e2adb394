// Images of the cursor and process records in the status records: which
// record fields become which flags, states, windows, classes and holidays,
// and the answers of the three status words.
#include "driver/pxa_status.h"

#include <gtest/gtest.h>

#include <cstring>

#include "comm/comm.h"
#include "ctl/anchors.h"
#include "ctl/distributor.h"
#include "row_fixture.h"

namespace {
class PxaStatus : public RowTest {};

// Every field of a record as "name=value;", as the status tools show them.
std::string shown(std::span<const status_field> fields, const uint8_t* rec) {
  std::string s;
  for (const status_field& f : fields)
    s += std::string(f.name) + "=" + render_status_field(f, rec) + ";";
  return s;
}

TEST_F(PxaStatus, CursorFlagsAndState) {
  struct row {
    void (*set)(curs&);
    uint32_t flags;
    const char* state;
  };
  const row rows[] = {
      // nothing set: an interval cursor
      {[](curs&) {}, 0, "INTERVAL"},
      // held wins over every other state
      {[](curs& c) { c.hold = 'Y', c.demand = 1, c.virtual_ = 1; },
       kCurHeld | kCurDemand | kCurVirtual, "HELD"},
      {[](curs& c) { c.hold = 'N', c.virtual_ = 1, c.demand = 1; }, kCurVirtual | kCurDemand,
       "VIRTUAL"},
      {[](curs& c) { c.demand = 1; }, kCurDemand, "DEMAND"},
      // each of the other marks
      {[](curs& c) { c.no_sql = 1, c.once = 1, c.empty = 1; }, kCurNoSql | kCurOnce | kCurEmpty,
       "INTERVAL"},
      {[](curs& c) { c.has_col_funct = 1, c.history = 1; }, kCurColumnFunctions | kCurHistory,
       "INTERVAL"},
      // any of the three trace flags
      {[](curs& c) { c.tracem = 1; }, kCurTraced, "INTERVAL"},
      {[](curs& c) { c.held_by_definition = 1; }, kCurHeldByDefinition, "INTERVAL"},
      // a version points at its parent
      {[](curs& c) { c.parent_if = reinterpret_cast<IF_NODE*>(&c); }, kCurVersion, "INTERVAL"},
  };
  for (const row& r : rows) {
    curs c;
    r.set(c);
    cursor_status s = cursor_status_of(c);
    EXPECT_EQ(s.flags, r.flags) << r.state;
    EXPECT_EQ(s.state, r.state);
  }
}

TEST_F(PxaStatus, RecordValues) {
  curs* c = test_cursor("CPU");
  test_column(c, "A");
  test_column(c, "B");
  c->table_name = "cpu_table";
  strcpy(c->last_time, "20240305080000");
  strcpy(c->last_sqlcode_text, "           -1017");
  c->last_sqlcode = -1017;
  c->row_count = 12;
  c->interval = 60;
  operate w1{nullptr, 28800, 43200}, w2{nullptr, 46800, 61200}, sun{nullptr, 0, 86400};
  w1.next = &w2;
  c->mon_fri = &w1;
  c->sunday = &sun;
  uint8_t crec[kCursorStatusLen];
  encode_cursor_status(cursor_status_of(*c), crec);
  EXPECT_EQ(shown(cursor_status_fields(), crec),
            "cur_name=CPU;table_name=cpu_table;insert_table=;last_time=20240305080000;"
            "state=INTERVAL;last_sqlcode_text=           -1017;age_to=;flags=0;class=0;interval=60;"
            "stale=0;stale_at=0;window_open=0;window_close=0;next_time=0;previous_start=0;"
            "run_start=0;run_end=0;execution_time=0;current_interval=0;row_count=12;sample_no=0;"
            "samples=0;limit=0;time_limit=0;row_size=0;columns=2;last_sqlcode=-1017;length=0;"
            "window_open_time=;window_close_time=;next_run_time=;stale_at_time=;run_start_time=;"
            "run_end_time=;windows=mon_fri=0800-1200,1300-1700 sat=- sun=0000-2400;");

  distributor d;
  strcpy(d.distrib_name, "collector");
  strcpy(d.server_id, "ORCL");
  strcpy(d.password, "secret");
  memcpy(d.run_status, "FAIL", 4);  // not terminated: the field is full
  d.classes[0] = d.classes[9] = 1;
  d.holidays[0] = 700;
  d.holidays[1] = 701;  // the list ends at the first 0
  d.holidays[3] = 800;
  d.hold = 'Y';
  d.continuous = 'N';
  uint8_t prec[kProcessStatusLen];
  encode_process_status(process_status_of(d), prec);
  EXPECT_EQ(shown(process_status_fields(), prec),
            "distrib_name=collector;logon_id=;server_id=ORCL;run_status=FAIL;last_run=;"
            "next_run_time=;window_start_time=;window_end_time=;type=0;interval=0;time_offset=0;"
            "state=0;next_time=0;window_start=0;window_end=0;send_false=0;hold=Y;continuous=N;"
            "classes=0 9;windows=mon_fri=- sat=- sun=-;holidays=19940129 19940130;");
  // The password never leaves the collector.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(prec), sizeof prec).find("secret"),
            std::string::npos);
}

// The record sizes of a C-LAYOUT answer's records.
std::vector<int32_t> decode_layout_answer_sizes(const curs_list& e) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < e.rows; ++i)
    out.push_back(
        decode_column_layout(reinterpret_cast<const uint8_t*>(e.data.data()) + i * 80).row_size);
  return out;
}

// The answers of the three control words: row counts, row lengths and the
// records in chain order; C-LAYOUT with the offsets the records really use.
TEST_F(PxaStatus, Answers) {
  curs* a = test_cursor("A");
  curs* b = test_cursor("BB");
  a->next = b;
  b->next = test_cursor("CCC");
  anchors.cur_anchor = a;
  distributor p1, p2;
  strcpy(p1.distrib_name, "collector");
  strcpy(p2.distrib_name, "pxa");
  p1.next = &p2;
  anchors.distrib_anchor = &p1;
  test_column(b, "NAME")->fmt_len = 10;
  test_column(b, "HIDDEN", 4);  // NS!
  test_column(b, "N", 1);       // INT!

  curs_list e;
  ASSERT_EQ(answer_c_status(&e), 0);
  ASSERT_EQ(e.data.size(), 3 * 456u);
  EXPECT_EQ(std::vector<int32_t>({e.rows, e.row_len}), std::vector<int32_t>({3, 456}));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::string(e.data.data() + i * 456), std::string(i + 1, 'A' + i));
  ASSERT_EQ(answer_d_status(&e), 0);
  ASSERT_EQ(e.data.size(), 2 * 788u);
  EXPECT_EQ(std::vector<int32_t>({e.rows, e.row_len}), std::vector<int32_t>({2, 788}));
  EXPECT_EQ(std::string(e.data.data()) + "," + (e.data.data() + 788), "collector,pxa");
  // Neither process sets hold or continuous: both bytes still say no.
  EXPECT_EQ(std::string(e.data.data() + 208, 2) + std::string(e.data.data() + 788 + 208, 2),
            "NNNN");

  // Text first, NS! taking no bytes, INT! aligned to 4.
  const char* expect[] = {"NAME 0 10 0", "HIDDEN 0 0 4", "N 12 4 1"};
  ASSERT_EQ(answer_c_layout(&e, "BB"), 0);
  ASSERT_EQ(e.data.size(), 3 * 80u);
  EXPECT_EQ(std::vector<int32_t>({e.rows, e.row_len}), std::vector<int32_t>({3, 80}));
  for (size_t i = 0; i < 3; ++i) {
    column_layout l =
        decode_column_layout(reinterpret_cast<const uint8_t*>(e.data.data()) + i * 80);
    EXPECT_EQ(l.name + " " + std::to_string(l.record_offset) + " " +
                  std::to_string(l.record_length) + " " + std::to_string(l.value_type),
              expect[i]);
    EXPECT_EQ(l.ordinal, static_cast<int32_t>(i + 1));
    EXPECT_EQ(l.row_size, 16);
  }
  // Before the cursor's first row a text column without a declared length
  // has none yet: the record size is 0, which no answer's row length matches.
  columns* later = test_column(b, "LATER");
  ASSERT_EQ(answer_c_layout(&e, "BB"), 0);
  EXPECT_EQ(decode_layout_answer_sizes(e), (std::vector<int32_t>{0, 0, 0, 0}));
  later->set_length = 5;  // declared: known from start-up on
  ASSERT_EQ(answer_c_layout(&e, "BB"), 0);
  EXPECT_EQ(decode_layout_answer_sizes(e), (std::vector<int32_t>{21, 21, 21, 21}));
  later->set_length = 0;
  b->cols_resolved = 1;  // the first row fixed the lengths
  ASSERT_EQ(answer_c_layout(&e, "BB"), 0);
  EXPECT_EQ(decode_layout_answer_sizes(e), (std::vector<int32_t>{16, 16, 16, 16}));
  // Unknown, absent and prefix names answer no rows.
  for (const char* name : {"ZZ", "B", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(answer_c_layout(&e, name), 1);
    EXPECT_EQ(e.rows, 0);
    EXPECT_TRUE(e.data.empty());
  }
}
}  // namespace
