// Status and layout records: the exact bytes each encoder writes, and the
// field tables' renderings of them, edge values included.
#include "comm/status_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/reltime.h"

namespace {
using bytes = std::vector<uint8_t>;

// `b` with texts placed at offsets: offset, text, offset, text...
bytes with(bytes b) { return b; }
template <typename... More>
bytes with(bytes b, size_t at, const std::string& text, const More&... more) {
  std::copy(text.begin(), text.end(), b.begin() + at);
  return with(std::move(b), more...);
}

std::string be(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// Relative seconds of 5 March 2024 08:00:00 and 17:00:00.
const int32_t kOpen = static_cast<int32_t>(relative_sec("20240305080000"));
const int32_t kClose = static_cast<int32_t>(relative_sec("20240305170000"));

TEST(StatusRecord, CursorRecordBytes) {
  cursor_status s;
  s.cur_name = "CPU";
  s.table_name = std::string(70, 'T');  // cut to 63 characters
  s.insert_table = "cpu_tab";
  s.last_time = "20240305081500";
  s.state = "INTERVAL";
  s.last_sqlcode_text = "           -1017";
  s.age_to = "CPU_OLD";
  s.flags = kCurDemand | kCurHistory;
  s.class_ = 3;
  s.interval = 60;
  s.window_open = kOpen;
  s.window_close = kClose;
  s.row_count = -2;  // negative values keep their two's complement
  s.last_sqlcode = -1017;
  s.windows[0][0] = {28800, 61200};
  s.windows[2][3] = {0, 86400};
  uint8_t out[kCursorStatusLen];
  encode_cursor_status(s, out);
  // Windows: the first Monday-Friday pair and the fourth Sunday pair set, the
  // pairs between them -1 (unused).
  bytes expect =
      with(bytes(kCursorStatusLen), 0, "CPU", 16, std::string(63, 'T'), 80, "cpu_tab", 112,
           "20240305081500", 128, "INTERVAL", 144, "           -1017", 164, "CPU_OLD", 176,
           be(kCurDemand | kCurHistory), 180, be(3), 184, be(60), 196, be(kOpen), 200, be(kClose),
           228, be(0xFFFFFFFEu), 256, be(-1017), 264, "20240305080000", 280, "20240305170000", 360,
           be(28800) + be(61200) + std::string(88, '\xff'), 448, be(0) + be(86400));
  EXPECT_EQ(bytes(out, out + kCursorStatusLen), expect);
}

TEST(StatusRecord, ProcessRecordBytes) {
  process_status s;
  s.distrib_name = "collector";
  s.logon_id = "scott";
  s.server_id = "ORCL";
  s.run_status = "GOOD";
  s.last_run = "20240305080000";
  s.type = 1;
  s.interval = 300;
  s.state = 5;
  s.window_start = kOpen;
  s.hold = 'N';
  s.continuous = 'Y';
  s.classes[0] = s.classes[7] = s.classes[50] = true;
  s.holidays = std::vector<int32_t>(101, 7);  // only 100 are kept
  uint8_t out[kProcessStatusLen];
  encode_process_status(s, out);
  std::string holidays = be(100);
  for (int i = 0; i < 100; ++i) holidays += be(7);
  bytes expect = with(bytes(kProcessStatusLen), 0, "collector", 32, "scott", 68, "ORCL", 104,
                      "GOOD", 112, "20240305080000", 144, "20240305080000", 176, be(1), 180,
                      be(300), 188, be(5), 196, be(kOpen), 208, "NY", 212, "\x01", 219, "\x01", 262,
                      "\x01", 264, std::string(96, '\xff'), 360, holidays);
  EXPECT_EQ(bytes(out, out + kProcessStatusLen), expect);
}

TEST(StatusRecord, LayoutRecordBytes) {
  column_layout c{"BUSY", 8, 8, 2, 2, 3, 21, 40};
  uint8_t out[kColumnLayoutLen];
  encode_column_layout(c, out);
  EXPECT_EQ(bytes(out, out + kColumnLayoutLen),
            with(bytes(kColumnLayoutLen), 0, "BUSY", 52,
                 be(8) + be(8) + be(2) + be(2) + be(3) + be(21) + be(40)));
  // A 60-character name keeps 51 characters and its terminator.
  c.name = std::string(60, 'n');
  encode_column_layout(c, out);
  EXPECT_EQ(decode_column_layout(out).name, std::string(51, 'n'));
}

TEST(StatusRecord, RendersFields) {
  struct row {
    status_field field;
    bytes record;
    std::string shown;
  };
  bytes windows(96, 0xff);
  const row rows[] = {
      // a text stops at its first NUL
      {{"t", 0, 4, status_kind::text}, bytes{'a', 0, 'c', 'd'}, "a"},
      // big-endian integers, negative included
      {{"n", 1, 4, status_kind::int32}, bytes{9, 0xff, 0xff, 0xfc, 0x19}, "-999"},
      // a flag of NUL is shown as nothing
      {{"f", 0, 1, status_kind::flag}, bytes{0}, ""},
      // two weekday windows, one past midnight, and a whole Sunday
      {{"w", 0, 96, status_kind::windows},
       with(windows, 0, be(28800) + be(43200) + be(79200) + be(93600), 88, be(0) + be(86400)),
       "mon_fri=0800-1200,2200-2600 sat=- sun=0000-2400"},
      // holidays: a negative count shows none, one above 100 shows 100
      {{"h", 0, 404, status_kind::holidays}, with(bytes(404), 0, be(-5)), ""},
  };
  for (const row& r : rows) EXPECT_EQ(render_status_field(r.field, r.record.data()), r.shown);
  bytes many = with(bytes(404), 0, be(1000));
  std::string shown = render_status_field({"h", 0, 404, status_kind::holidays}, many.data());
  EXPECT_EQ(std::count(shown.begin(), shown.end(), ' '), 99);
}

TEST(StatusRecord, FieldTablesCoverTheRecords) {
  // Fields follow each other without overlap and end inside the record.
  struct table {
    std::span<const status_field> fields;
    size_t len;
  };
  for (const table& t : {table{cursor_status_fields(), kCursorStatusLen},
                         table{process_status_fields(), kProcessStatusLen},
                         table{column_layout_fields(), kColumnLayoutLen}}) {
    size_t end = 0;
    for (const status_field& f : t.fields) {
      EXPECT_GE(f.offset, end) << f.name;
      end = f.offset + f.width;
    }
    EXPECT_LE(end, t.len);
  }
}
}  // namespace
