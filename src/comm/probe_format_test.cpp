// The probe's decoding and renderings: cursor records through a column
// layout (and the layouts refused), status answers, and the exact text of the
// table, csv, json and raw forms.
#include "comm/probe_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "comm/probe_openmetrics.h"
#include "std_capture.h"

namespace {
// Value types and database types of the layouts below.
constexpr int kText = 0, kInt = 1, kFloat = 2, kTs = 3, kNs = 4, kInt64 = 5, kChar = 1, kNum = 2;

// One 40-byte record: INT! at 0, FLOAT! at 8, a right-aligned number text at
// 16 (5 bytes), a character text at 21 (6 bytes), TS! cut to 5 bytes at 27,
// INT64! at 32; an NS! column takes no bytes.
std::vector<column_layout> layout40() {
  return {{"N", 0, 4, kInt, kNum, 1, 21, 40},   {"F", 8, 8, kFloat, kNum, 2, 21, 40},
          {"R", 16, 5, kText, kNum, 3, 5, 40},  {"C", 21, 6, kText, kChar, 4, 6, 40},
          {"SKIP", 0, 0, kNs, kChar, 5, 3, 40}, {"T", 27, 5, kTs, kChar, 6, 16, 40},
          {"B", 32, 8, kInt64, kNum, 7, 21, 40}};
}

void put_record(std::vector<char>& data, int32_t n, double f, const char* r, const char* c,
                const char* t, int64_t b) {
  size_t at = data.size();
  data.resize(at + 40, 0);
  char* rec = data.data() + at;
  memcpy(rec, &n, 4);
  memcpy(rec + 8, &f, 8);
  memcpy(rec + 16, r, 5);
  memcpy(rec + 21, c, 6);
  memcpy(rec + 27, t, 5);
  memcpy(rec + 32, &b, 8);
}

probe_answer two_rows() {
  probe_answer a;
  a.rows = 2;
  a.row_len = 40;
  put_record(a.data, -7, 0.5, "  123", "ab    ", "2024 ", INT64_C(9223372036854775807));
  put_record(a.data, 2147483647, 1e300, "    0", "x\0yz  ", "     ", -1);
  return a;
}

TEST(ProbeFormat, DecodesCursorRecords) {
  answer_table t;
  ASSERT_TRUE(decode_cursor_answer(two_rows(), layout40(), &t));
  EXPECT_EQ(t.names, (std::vector<std::string>{"N", "F", "R", "C", "T", "B"}));
  EXPECT_EQ(t.kinds,
            (std::vector<cell_kind>{cell_kind::integer, cell_kind::real, cell_kind::text,
                                    cell_kind::text, cell_kind::text, cell_kind::integer}));
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0],
            (std::vector<std::string>{"-7", "0.5", "123", "ab", "2024", "9223372036854775807"}));
  // A text stops at its first NUL; an all-blank value is empty.
  EXPECT_EQ(t.rows[1], (std::vector<std::string>{"2147483647", "1e+300", "0", "x", "", "-1"}));
}

TEST(ProbeFormat, RefusesLayoutsThatDoNotFit) {
  struct row {
    column_layout bad;
    const char* why;
  };
  const row rows[] = {
      {{"X", 0, 4, kInt, kNum, 1, 21, 44}, "record size differs from the row length"},
      {{"X", 38, 4, kText, kChar, 1, 4, 40}, "column passes the record's end"},
      {{"X", -1, 4, kText, kChar, 1, 4, 40}, "negative offset"},
      {{"X", 0, 8, kInt, kNum, 1, 21, 40}, "INT! that is not 4 bytes"},
      {{"X", 0, 4, kFloat, kNum, 1, 21, 40}, "FLOAT! that is not 8 bytes"},
      {{"X", 0, 4, 6, kNum, 1, 21, 40}, "unknown value type"},
  };
  answer_table t;
  for (const row& r : rows) {
    std::vector<column_layout> layout = layout40();
    layout.push_back(r.bad);
    t.names = {"stale"};
    EXPECT_FALSE(decode_cursor_answer(two_rows(), layout, &t)) << r.why;
    EXPECT_TRUE(t.names.empty() && t.rows.empty()) << r.why;
  }
  EXPECT_FALSE(decode_cursor_answer(two_rows(), {}, &t));  // no layout at all
  probe_answer cut = two_rows();
  cut.data.resize(79);  // fewer bytes than the counts claim
  EXPECT_FALSE(decode_cursor_answer(cut, layout40(), &t));
  // Records of another length than a layout's are neither layouts nor layout
  // rows (the probe then shows them in hex).
  t.names = {"stale"};
  EXPECT_TRUE(decode_layout_answer(two_rows()).empty());
  EXPECT_FALSE(decode_status_answer(two_rows(), column_layout_fields(), kColumnLayoutLen, &t));
  EXPECT_TRUE(t.names.empty());
}

TEST(ProbeFormat, RendersEachForm) {
  answer_table t{{"name", "n", "f"},
                 {cell_kind::text, cell_kind::integer, cell_kind::real},
                 {{"alpha", "5", "0.25"}, {"b,\"q\"", "-123", "nan"}, {" lead", "0", "inf"}}};
  struct row {
    output_format format;
    std::string text;
  };
  const row rows[] = {
      // people: left-aligned texts, right-aligned numbers, no trailing blanks
      {output_format::table,
       "name   n     f\n"
       "-----  ----  ----\n"
       "alpha     5  0.25\n"
       "b,\"q\"  -123   nan\n"
       " lead     0   inf\n"},
      // scripts: quoting only where a field needs it
      {output_format::csv,
       "name,n,f\n"
       "alpha,5,0.25\n"
       "\"b,\"\"q\"\"\",-123,nan\n"
       "\" lead\",0,inf\n"},
      // json numbers stay numbers; nan and inf become null
      {output_format::json,
       "[\n"
       "{\"name\":\"alpha\",\"n\":5,\"f\":0.25},\n"
       "{\"name\":\"b,\\\"q\\\"\",\"n\":-123,\"f\":null},\n"
       "{\"name\":\" lead\",\"n\":0,\"f\":null}\n"
       "]\n"},
  };
  for (const row& r : rows) EXPECT_EQ(format_answer(t, r.format), r.text);
  t.rows.clear();
  EXPECT_EQ(format_answer(t, output_format::json), "[\n]\n");
}

// Rows of tests/data/comm/unsafe_values.txt: values that would break each
// form. Every form stays one line per row, json stays valid UTF-8 and tables
// count characters, not bytes.
TEST(ProbeFormat, ValuesCannotBreakTheOutput) {
  for (const auto& r : data_rows("comm/unsafe_values.txt", 4)) {
    SCOPED_TRACE(r[1]);
    answer_table t{{"s", "n"}, {cell_kind::text, cell_kind::integer}, {{r[0], "1"}}};
    // The column is as wide as the shown value's characters.
    size_t chars = 0;
    for (unsigned char ch : r[1]) chars += (ch & 0xC0) != 0x80;
    std::string pad(chars - 1, ' ');
    EXPECT_EQ(format_answer(t, output_format::table),
              "s" + pad + "  n\n" + std::string(chars, '-') + "  -\n" + r[1] + "  1\n");
    EXPECT_EQ(format_answer(t, output_format::csv), "s,n\n" + r[2] + ",1\n");
    EXPECT_EQ(format_answer(t, output_format::json), "[\n{\"s\":" + r[3] + ",\"n\":1}\n]\n");
  }
}

TEST(ProbeFormat, WideRowsAreShownOneColumnALine) {
  answer_table t{{"id", "description"},
                 {cell_kind::integer, cell_kind::text},
                 {{"1", std::string(170, 'd')}, {"2", "short"}}};
  EXPECT_EQ(format_answer(t, output_format::table),
            "-[ RECORD 1 ]-\nid          | 1\ndescription | " + std::string(170, 'd') +
                "\n-[ RECORD 2 ]-\nid          | 2\ndescription | short\n");
}

// Rendering the records in place gives the bytes of rendering their decoded
// table, in every form.
TEST(ProbeFormat, RendersRecordsAsTheirTable) {
  struct row {
    probe_answer answer;
    std::vector<column_layout> layout;
    const char* what;
  };
  // One text column of 200 bytes: a row too wide for a table, with values
  // that every form escapes or quotes.
  probe_answer wide;
  wide.rows = 2;
  wide.row_len = 200;
  std::string texts = std::string(170, 'w') + "\n\"q,\\\xc2\x85\xe9" + std::string(22, ' ') +
                      " \x01 \xe6\x97\xa5" + std::string(194, ' ');
  wide.data.assign(texts.begin(), texts.end());
  const row rows[] = {
      {two_rows(), layout40(), "every value type, numbers right-aligned"},
      {wide, {{"WIDE", 0, 200, kText, kChar, 1, 200, 200}}, "one column a line, escapes"},
  };
  for (const row& r : rows) {
    answer_table t;
    ASSERT_TRUE(decode_cursor_answer(r.answer, r.layout, &t)) << r.what;
    for (auto f : {output_format::table, output_format::csv, output_format::json}) {
      std::string out;
      ASSERT_TRUE(format_cursor_answer(r.answer, r.layout, f, &out)) << r.what;
      EXPECT_EQ(out, format_answer(t, f)) << r.what << " format " << static_cast<int>(f);
    }
    std::string metrics;
    ASSERT_TRUE(format_cursor_openmetrics(r.answer, r.layout, "p", "CUR", &metrics)) << r.what;
    EXPECT_EQ(metrics, format_openmetrics(t, "p", "CUR")) << r.what;
  }
  std::string out = "kept";
  EXPECT_FALSE(format_cursor_answer(two_rows(), {}, output_format::csv, &out));
  EXPECT_EQ(out, "kept");
}

TEST(ProbeFormat, RawDumpsEveryRecord) {
  probe_answer a;
  a.rows = 2;
  a.row_len = 18;
  std::string bytes = "ABCDEFGHIJKLMNOP\x01\xff" + std::string("0123456789abcdef\n ", 18);
  a.data.assign(bytes.begin(), bytes.end());
  EXPECT_EQ(format_raw(a),
            "rows=2 row_len=18\n"
            "record 1\n"
            "00000000  41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50  |ABCDEFGHIJKLMNOP|\n"
            "00000010  01 ff                                            |..|\n"
            "record 2\n"
            "00000000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66  |0123456789abcdef|\n"
            "00000010  0a 20                                            |. |\n");
  EXPECT_EQ(hex_records(a).rows,
            (std::vector<std::vector<std::string>>{{"4142434445464748494a4b4c4d4e4f5001ff"},
                                                   {"30313233343536373839616263646566"
                                                    "0a20"}}));
  a.rows = 0;
  EXPECT_EQ(format_raw(a), "rows=0 row_len=18\n");
}
}  // namespace
