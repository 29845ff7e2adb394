// Request records and stream headers: exact bytes both ways, every refusal,
// and the sharing of one entry among requests for the same data.
#include "comm/request_record.h"

#include <gtest/gtest.h>

#include "comm/comm.h"

namespace {
using bytes = std::vector<uint8_t>;

bytes raw(const std::string& s) { return bytes(s.begin(), s.end()); }

TEST(RequestRecord, EncodesExactBytes) {
  std::vector<std::string> parms = {"a", "bc"};
  EXPECT_EQ(encode_request("CUR1", "/tmp/p", parms), raw(std::string("\x00\x16\x00\x04"
                                                                     "CUR1/tmp/p\0a\0bc\0\0\0",
                                                                     22)));
  std::vector<std::string> none;
  EXPECT_EQ(encode_request("", "", none), raw(std::string("\x00\x07\x00\x00\0\0\0", 7)));
  // Refusals: a 9-character name, a record of 301 bytes, an embedded NUL.
  EXPECT_TRUE(encode_request("NINECHARS", "/p", none).empty());
  EXPECT_TRUE(encode_request("C", std::string(293, 'p'), none).empty());
  EXPECT_FALSE(encode_request("C", std::string(292, 'p'), none).empty());
  std::vector<std::string> nul = {std::string("a\0b", 3)};
  EXPECT_TRUE(encode_request("C", "/p", nul).empty());
}

TEST(RequestRecord, DecodesOrRefuses) {
  struct row {
    std::string record;
    record_status status;
    std::string name, path;
    std::vector<std::string> parms;
  };
  std::string big(301, '\0');
  big[0] = 0x01, big[1] = 0x2D;
  const row rows[] = {
      // parameters after the reply path
      {std::string("\x00\x16\x00\x04"
                   "CUR1/tmp/p\0a\0bc\0\0\0",
                   22),
       record_status::ok,
       "CUR1",
       "/tmp/p",
       {"a", "bc"}},
      // no parameters, an empty parameter kept in its place
      {std::string("\x00\x0A\x00\x01"
                   "X/p\0\0\0",
                   10),
       record_status::ok,
       "X",
       "/p",
       {}},
      {std::string("\x00\x0B\x00\x01"
                   "X/p\0\0\0\0",
                   11),
       record_status::ok,
       "X",
       "/p",
       {""}},
      // the longest name, 8 characters
      {std::string("\x00\x0F\x00\x08"
                   "ABCDEFGH\0\0\0",
                   15),
       record_status::ok,
       "ABCDEFGH",
       "",
       {}},
      // total length 301
      {big, record_status::bad_total_length, "", "", {}},
      // total length disagrees with the bytes, below the minimum, header cut
      {std::string("\x00\x20\x00\x01"
                   "X/p\0\0\0",
                   10),
       record_status::bad_total_length,
       "",
       "",
       {}},
      {std::string("\x00\x06\x00\x00\0\0", 6), record_status::bad_total_length, "", "", {}},
      {std::string("\x00\x06", 2), record_status::bad_total_length, "", "", {}},
      // name length 9
      {std::string("\x00\x10\x00\x09"
                   "ABCDEFGHI\0\0\0",
                   16),
       record_status::bad_name_length,
       "",
       "",
       {}},
      // name length 8 runs into the closing bytes
      {std::string("\x00\x0A\x00\x08"
                   "ABCDEF",
                   10),
       record_status::bad_format,
       "",
       "",
       {}},
      // last parameter unterminated, closing zeros missing
      {std::string("\x00\x0B\x00\x01"
                   "X/p\0ab\0\0",
                   11),
       record_status::bad_format,
       "",
       "",
       {}},
      {std::string("\x00\x0A\x00\x01"
                   "X/p\0\0x",
                   10),
       record_status::bad_format,
       "",
       "",
       {}},
  };
  for (const row& r : rows) {
    request_view view;
    bytes record = raw(r.record);
    ASSERT_EQ(decode_request(record, &view), r.status) << testing::PrintToString(r.record);
    EXPECT_EQ(view.name, r.name);
    EXPECT_EQ(view.reply_path, r.path);
    EXPECT_EQ(std::vector<std::string>(view.parms.begin(), view.parms.end()), r.parms);
  }
}

TEST(RequestRecord, TakesFortyParameters) {
  std::vector<std::string> parms(45, "p");
  // The encoder sends 40; a record carrying 45 has the further ones ignored.
  request_view view;
  bytes sent = encode_request("C", "/r", parms);
  ASSERT_EQ(decode_request(sent, &view), record_status::ok);
  EXPECT_EQ(view.parms.size(), 40u);
  bytes record =
      raw(std::string("\x00\x00\x00\x01"
                      "C/r\0",
                      8));
  for (int i = 0; i < 45; ++i) record.insert(record.end(), {'p', 0});
  record.insert(record.end(), {0, 0});
  record[1] = static_cast<uint8_t>(record.size());
  ASSERT_EQ(decode_request(record, &view), record_status::ok);
  EXPECT_EQ(view.parms.size(), 40u);
}

TEST(RequestRecord, StreamHeaderIsBigEndian) {
  uint8_t out[kStreamHeaderLen];
  encode_stream_header(3, 456, out);
  EXPECT_EQ(bytes(out, out + 8), bytes({0, 0, 0, 3, 0, 0, 0x01, 0xC8}));
  const uint8_t in[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00};
  int32_t rows = 0, len = 0;
  decode_stream_header(in, &rows, &len);
  EXPECT_EQ(rows, -1);
  EXPECT_EQ(len, 65536);
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
