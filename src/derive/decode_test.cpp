// Decodes over rows fetched from a real SQLite file: the tests and their
// and-parts, NULL and DEFAULT, column and in-list operands, replacements, the
// start-up edit's messages; then the hold and release actions on a cursor chain.
#include "derive/decode.h"

#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/decode_clause.h"
#include "derive/derived_columns.h"
#include "derive/run_list.h"
#include "rows/database.h"
#include "rows/host_merge.h"
#include "sched_fixture.h"

namespace {

class DecodeTest : public SchedTest {
 protected:
  void SetUp() override {
    SchedTest::SetUp();
    make_db(
        "CREATE TABLE t(id INTEGER, s VARCHAR(8), n NUMBER(6), f VARCHAR(8));"
        "INSERT INTO t VALUES(1, 'abc', 5, 'x'), (2, 'abcdef', 12, 'abc'),"
        " (3, NULL, NULL, NULL), (4, 'zz', 3, 'zz');");
  }
  // Parses the decode statements of `clauses` (separated by ';') into `c`.
  static void parse(curs* c, const std::string& clauses) {
    c->decodes = nullptr;
    std::istringstream in(clauses);
    for (std::string one; std::getline(in, one, ';');) ASSERT_EQ(parse_decode(c, one.data()), 0);
  }
  // The value of column `name` in every row of `c`, without its padding.
  static std::vector<std::string> values(const curs* c, const char* name) {
    const columns* col = c->column_list;
    while (strcmp(col->name, name) != 0) col = col->next;
    std::vector<std::string> out;
    for (const text_row* r = c->first_row; r; r = r->next) {
      std::string v(r->text() + col->offset, strnlen(r->text() + col->offset, col->fmt_len));
      v.erase(0, v.find_first_not_of(' '));
      v.erase(v.find_last_not_of(' ') + 1);
      out.push_back(v);
    }
    return out;
  }
  std::string printed() {
    std::string out;
    for (const std::string& l : lines())
      if (!l.starts_with("PDE3910I")) out += l + "\n";
    return out;
  }
};

TEST_F(DecodeTest, TestsPickTheFirstOperationThatHolds) {
  curs* t = cursor("T", "SELECT id, s, n, f FROM t ORDER BY id", {"id", "s", "n", "f"});
  curs* other = cursor("OTHER", "", {"v"});
  other->column_list->fmt_len = 3;
  const char* const text_list = "( 'abc' , 'zz' )";
  const char* const number_list = "( 5 , 3 )";
  for (auto [name, text] : {std::pair{"L", text_list}, std::pair{"N", number_list}}) {
    auto* l = cursor_arena().make<in_list>();
    strcpy(l->name, name);
    l->text = text;
    l->text_len = static_cast<int32_t>(strlen(text));
    l->next = other->in_lists;
    other->in_lists = l;
  }
  for (const auto& tc : data_rows("derive/decodes.txt", 6)) {
    SCOPED_TRACE(tc[0]);
    parse(t, tc[0]);
    free_all_rows(other);
    if (!tc[2].empty()) add_row(other, tc[2], 1, 1);
    mark();
    ASSERT_EQ(edit_decode(), std::stoi(tc[3]));
    if (tc[3] == "0") {
      free_all_rows(t);
      ASSERT_EQ(run(t), 0);
      std::string got;
      for (const std::string& v : values(t, tc[1].c_str())) got += (got.empty() ? "" : "/") + v;
      EXPECT_EQ(got, tc[4]);
    }
    EXPECT_EQ(printed(), tc[5]);
  }
  // A row schedules a cursor once however many of its decodes ask for it.
  parse(t, "s search 'ab' run OTHER; s search 'a' run OTHER; f = 'zz' run OTHER");
  ASSERT_EQ(edit_decode(), 0);
  ASSERT_EQ(run(t), 0);
  std::vector<int32_t> rows;
  for (run_list_entry* e = t->run_list; e; e = e->next) rows.push_back(e->row_no);
  EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 4}));
  release_run_list(t);

  // With a base, another cursor's column is read in the row the base matched
  // for the row being built (the newest when none matches, reported).
  make_db(
      "CREATE TABLE b(id INTEGER, label VARCHAR(8));"
      "INSERT INTO b VALUES(1, 'abc'), (2, 'zz');");
  curs* bs = cursor("BS", "SELECT id, label FROM b ORDER BY id", {"id", "label"});
  std::string base_text = "BS on id -> id    ";
  ASSERT_EQ(parse_base(t, base_text.data()), 0);
  parse(t, "s = BS.label , 'same'");
  ASSERT_EQ(edit_bases(), 0);
  ASSERT_EQ(edit_decode(), 0);
  ASSERT_EQ(run(bs), 0);
  free_all_rows(t);
  ASSERT_EQ(run(t), 0);
  EXPECT_EQ(values(t, "s"), (std::vector<std::string>{"same", "abcdef", "NULL", "same"}));
}

// Hold states of A to D as letters: '-' free, 'b' held below, 'd' held by a
// decode, 'o' held otherwise, 'x' held below and by a decode.
std::string holds_of(const std::vector<curs*>& chain) {
  std::string out;
  for (const curs* c : chain) {
    if (c->hold != 'Y') {
      out += '-';
      continue;
    }
    out += c->held_below && c->held_by_decode ? 'x'
           : c->held_below                    ? 'b'
           : c->held_by_decode                ? 'd'
           : c->held_other                    ? 'o'
                                              : 'Y';
  }
  return out;
}

TEST_F(DecodeTest, ActionsHoldAndReleaseOnlyWhatTheyName) {
  std::vector<curs*> chain;
  for (const char* name : {"A", "B", "C", "D"}) chain.push_back(cursor(name, "", {"v"}));
  curs* b = chain[1];
  ASSERT_EQ(create_percent_cursor(), 0);  // last on the chain, below D
  // Rows of tests/data/derive/decode_actions.txt.
  for (const auto& tc : data_rows("derive/decode_actions.txt", 9)) {
    SCOPED_TRACE(tc[2]);
    reset_decode_state();
    if (tc[1] == "1") special_decode(chain[3], "hold below", 10);
    for (size_t i = 0; i < chain.size(); ++i) {
      curs* c = chain[i];
      free_all_rows(c);
      add_row(c, "r|", 1, 1);
      const char s = tc[0][i];
      c->hold = s == '-' ? 'N' : 'Y';
      c->held_below = s == 'b' || s == 'x';
      c->held_by_decode = s == 'd' || s == 'x';
      c->held_other = s == 'o';
    }
    database_info.session_status = 1;
    b->trace = tc[8] == "1";
    char area[OPERANDLL];
    memset(area, ' ', sizeof area);
    memcpy(area, tc[2].data(), tc[2].size());
    mark();
    const int rc = special_decode(b, area, std::stoi(tc[3]));
    std::string rows;
    for (const curs* c : chain) rows += std::to_string(c->row_count);
    EXPECT_EQ((std::vector<std::string>{std::to_string(rc), holds_of(chain), rows, printed()}),
              std::vector<std::string>(tc.begin() + 4, tc.begin() + 8));
    EXPECT_EQ(database_info.session_status, tc[2].find("resetdb") != std::string::npos ? 2 : 1);
    EXPECT_EQ(anchors.percent_cursor->row_count, 1);
  }
}

// A field's number reads as strtod and strtoll read it, sign of zero and
// last bit included, on both sides of the texts read without them.
TEST(DecodeNumbers, ReadAsTheCLibraryReadsThem) {
  const char* const texts[] = {"0",
                               "-0",
                               "+7",
                               "12.5",
                               "-.5",
                               ".",
                               "5.",
                               "-",
                               "abc",
                               "12.5.3",
                               "1e5",
                               "1.5e",
                               "0x1A",
                               "inf",
                               "nan",
                               "123456789012345",
                               "1234567890123456",
                               "0.1234567890123456789",
                               "999999999999999999",
                               "9999999999999999999",
                               "-9223372036854775808",
                               "3.14159265358979",
                               "12 ",
                               "7\t",
                               "1.7976931348623157e308"};
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    const double want = strtod(t, nullptr), got = decode_number(t);
    EXPECT_EQ(memcmp(&want, &got, sizeof want), 0) << want << " " << got;
    EXPECT_EQ(decode_integer(t), strtoll(t, nullptr, 10));
  }
}

}  // namespace
