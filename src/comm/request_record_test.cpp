// Request records: exact bytes both ways, every refusal, and the sharing of
// one entry among requests for the same data. (Stream headers are checked
// byte for byte by the pipe transport's tests.)
#include "comm/request_record.h"

#include <gtest/gtest.h>

#include "comm/comm.h"

namespace {
using namespace std::string_literals;
using bytes = std::vector<uint8_t>;

// A record: total length (by default the record's size), name length, the rest.
bytes rec(int name_len, const std::string& rest, int total = -1) {
  if (total < 0) total = static_cast<int>(rest.size()) + 4;
  std::string s = {static_cast<char>(total >> 8), static_cast<char>(total),
                   static_cast<char>(name_len >> 8), static_cast<char>(name_len)};
  s += rest;
  return bytes(s.begin(), s.end());
}

TEST(RequestRecord, DecodesOrRefuses) {
  struct row {
    bytes record;
    record_status status;
    std::string name, path;
    std::vector<std::string> parms;
  };
  const row rows[] = {
      // parameters after the reply path
      {rec(4, "CUR1/tmp/p\0a\0bc\0\0\0"s), record_status::ok, "CUR1", "/tmp/p", {"a", "bc"}},
      // no parameters, an empty parameter kept in its place
      {rec(1, "X/p\0\0\0"s), record_status::ok, "X", "/p", {}},
      {rec(1, "X/p\0\0\0\0"s), record_status::ok, "X", "/p", {""}},
      // the longest name, 8 characters
      {rec(8, "ABCDEFGH\0\0\0"s), record_status::ok, "ABCDEFGH", "", {}},
      // total length 301
      {rec(0, std::string(297, '\0')), record_status::bad_total_length},
      // total length disagrees with the bytes, below the minimum, header cut
      {rec(1, "X/p\0\0\0"s, 0x20), record_status::bad_total_length},
      {rec(0, "\0\0"s), record_status::bad_total_length},
      {bytes{0, 6}, record_status::bad_total_length},
      // name length 9
      {rec(9, "ABCDEFGHI\0\0\0"s), record_status::bad_name_length},
      // name length 8 runs into the closing bytes
      {rec(8, "ABCDEF"s), record_status::bad_format},
      // last parameter unterminated, closing zeros missing
      {rec(1, "X/p\0ab\0\0"s), record_status::bad_format},
      {rec(1, "X/p\0\0x"s), record_status::bad_format},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.record));
    request_view view;
    ASSERT_EQ(decode_request(r.record, &view), r.status);
    EXPECT_EQ(view.name, r.name);
    EXPECT_EQ(view.reply_path, r.path);
    EXPECT_EQ(std::vector<std::string>(view.parms.begin(), view.parms.end()), r.parms);
    // What decodes is what the probe's encoder writes.
    if (r.status == record_status::ok) {
      EXPECT_EQ(encode_request(r.name, r.path, r.parms), r.record);
    }
  }
  // The encoder refuses a 9-character name, a record of 301 bytes, an embedded NUL.
  std::vector<std::string> none, nul = {"a\0b"s};
  EXPECT_TRUE(encode_request("NINECHARS", "/p", none).empty());
  EXPECT_TRUE(encode_request("C", std::string(293, 'p'), none).empty());
  EXPECT_FALSE(encode_request("C", std::string(292, 'p'), none).empty());
  EXPECT_TRUE(encode_request("C", "/p", nul).empty());
}

// The stream of the request pipe taken apart: each step's frame as a text,
// "whole N", "damaged N why" or "partial", until the bytes are used up.
TEST(RequestRecord, StreamDropsOnlyDamage) {
  const bytes good = rec(1, "X/p\0\0\0"s);  // 10 bytes
  auto cat = [](std::initializer_list<bytes> parts) {
    bytes out;
    for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  struct row {
    bytes stream;
    bool all;  // the reader took everything written so far
    std::string frames;
  };
  const row rows[] = {
      // two records back to back
      {cat({good, good}), true, "whole 10, whole 10"},
      // garbage in front: dropped up to the record
      {cat({bytes{'h', 'e', 'l', 'l', 'o'}, good}), true, "damaged 5 length, whole 10"},
      // a well-framed record with a bad name: exactly its bytes go
      {cat({rec(9, "ABCDEFGHI\0\0\0"s), good}), true, "damaged 16 name, whole 10"},
      // a record cut short by its writer, then a whole one
      {cat({bytes(good.begin(), good.begin() + 6), good}), true, "damaged 6 format, whole 10"},
      // a cut record with nothing after it: damage once everything has arrived
      {bytes(good.begin(), good.begin() + 6), true, "damaged 6 truncated"},
      // ... but the rest may still come when the reader stopped early
      {cat({good, bytes(good.begin(), good.begin() + 6)}), false, "whole 10, partial"},
      // garbage only, and garbage ending in what may be the start of a record
      {bytes(40, 0xff), true, "damaged 40 length"},
      {cat({bytes(40, 0xff), bytes(good.begin(), good.begin() + 6)}), false,
       "damaged 40 length, partial"},
      // a record of 301 bytes is too long even when all of it is there
      {cat({rec(1, "X" + std::string(296, '\0')), good}), true, "damaged 301 length, whole 10"},
  };
  const char* why[] = {"ok", "length", "name", "format", "truncated"};
  for (const row& r : rows) {
    SCOPED_TRACE(r.frames);
    std::string frames;
    for (bytes rest = r.stream; !rest.empty();) {
      record_frame f = next_record(rest, r.all);
      if (!frames.empty()) frames += ", ";
      if (f.kind == frame_kind::partial) {
        frames += "partial";
        break;
      }
      frames += (f.kind == frame_kind::whole ? "whole " : "damaged ") + std::to_string(f.length);
      if (f.kind == frame_kind::damaged) frames += " "s + why[static_cast<int>(f.status)];
      ASSERT_GT(f.length, 0u);
      rest.erase(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(f.length));
    }
    EXPECT_EQ(frames, r.frames);
  }
}

TEST(RequestRecord, TakesFortyParameters) {
  // The encoder sends 40 of 45 exactly; a record carrying 45 has the further ones ignored.
  std::string forty = "C/r\0"s, five;
  for (int i = 0; i < 45; ++i) (i < 40 ? forty : five) += "p\0"s;
  EXPECT_EQ(encode_request("C", "/r", std::vector<std::string>(45, "p")), rec(1, forty + "\0\0"s));
  request_view view;
  ASSERT_EQ(decode_request(rec(1, forty + five + "\0\0"s), &view), record_status::ok);
  EXPECT_EQ(view.parms.size(), 40u);
}

TEST(RequestRecord, SameDataSharesOneEntry) {
  struct ask {
    std::string name, path;
    std::vector<std::string> parms;
  };
  const ask asks[] = {
      {"CUR1", "/t/prb_1", {"x"}},
      {"CUR1", "/t/prb_2", {"x"}},   // same name and parameters: joins the first
      {"CUR1", "/t/prb_3", {"y"}},   // other parameters: own entry
      {"CUR2", "/t/prb_4", {"x"}},   // other cursor: own entry
      {"CUR1", "/t/prb_55", {"x"}},  // longer reply path, so another total length: own entry
  };
  std::list<curs_list> entries;
  for (const ask& a : asks) {
    bytes record = encode_request(a.name, a.path, a.parms);
    request_view view;
    ASSERT_EQ(decode_request(record, &view), record_status::ok);
    file_request(entries, std::move(record), view);
  }
  std::vector<std::vector<std::string>> pipes;
  for (const curs_list& e : entries) pipes.push_back(e.pipe_list);
  EXPECT_EQ(pipes, (std::vector<std::vector<std::string>>{
                       {"/t/prb_1", "/t/prb_2"}, {"/t/prb_3"}, {"/t/prb_4"}, {"/t/prb_55"}}));
  EXPECT_STREQ(entries.back().name, "CUR1");
}
}  // namespace
