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
  struct {
    const char* clauses;            // decode statements, ';' between them
    const char* column;             // the column shown
    const char* other;              // OTHER's one row ('|' a NUL), or none
    int edit;                       // result of the edit
    std::vector<std::string> want;  // the column in rows 1 to 4 (3 is all NULL)
    const char* messages;           // printed, the edit's success line left out
  } const cases[] = {
      // the first operation that holds wins; DEFAULT only when none holds
      {"s search 'ab' , 'two'; s = 'abc' , 'one'; s DEFAULT 'dflt'",
       "s",
       nullptr,
       0,
       {"two", "two", "dflt", "dflt"},
       ""},
      {"s DEFAULT 'dflt'; s NULL 'none'; s ~= 'abc' , 'other'",
       "s",
       nullptr,
       0,
       {"dflt", "other", "none", "other"},
       ""},
      // without a NULL operation a NULL is tested as its text; a failing and-part rejects
      {"s = 'NULL' , 'text'; s ~= 'q' and = 'q' , 'never'",
       "s",
       nullptr,
       0,
       {"abc", "abcdef", "text", "zz"},
       ""},
      // numbers compare by value, and-parts narrow them
      {"n > 4 and < 10 , 'mid'; n >= 10 and <= 12 and ~= 11 , 'big'",
       "n",
       nullptr,
       0,
       {"mid", "big", "0", "3"},
       ""},
      // & holds for a shared bit; a number replaces right-aligned
      {"n & 2 , 2; n & 4 and < 10 , 4", "n", nullptr, 0, {"4", "12", "0", "2"}, ""},
      // column operands of the same row: text compared over the longer length
      {"s = f , 'same'; s search f , 'has'", "s", nullptr, 0, {"abc", "has", "same", "same"}, ""},
      // columns are decoded in column order: f tests s as decoded
      {"f = s , 'same'; s = 'abc' , 'x'", "f", nullptr, 0, {"same", "abc", "same", "same"}, ""},
      // replacement by a column's value
      {"s ~= 'abc' , f", "s", nullptr, 0, {"abc", "abc", "NULL", "zz"}, ""},
      {"n > 4 , id", "n", nullptr, 0, {"1", "2", "0", "3"}, ""},
      // membership in another cursor's in-list text
      {"s in OTHER.L , 'listed'", "s", nullptr, 0, {"listed", "abcdef", "NULL", "listed"}, ""},
      {"n in OTHER.N , 'in'", "n", nullptr, 0, {"in", "12", "0", "in"}, ""},
      // another cursor's newest row; without rows the decode is skipped, the row kept
      {"s = OTHER.v , 'other'", "s", "zz|", 0, {"abc", "abcdef", "NULL", "other"}, ""},
      {"s = OTHER.v , 'x'; s DEFAULT 'd'",
       "s",
       nullptr,
       0,
       {"abc", "abcdef", "NULL", "zz"},
       "CDE4365W Decode, referenced cursor OTHER has no rows - skipping decode\n"
       "CDE4365W Decode, referenced cursor OTHER has no rows - skipping decode\n"
       "CDE4365W Decode, referenced cursor OTHER has no rows - skipping decode\n"
       "CDE4365W Decode, referenced cursor OTHER has no rows - skipping decode\n"},
      {"s = 'abc' , OTHER.v",
       "s",
       nullptr,
       0,
       {"abc", "abcdef", "NULL", "zz"},
       "CDE4420W In decode, referenced cursor OTHER has no rows - skipping decode\n"},
      // an action keeps its field; a restart asked for mid-fetch loses no rows
      {"s = 'abc' , 'hold resetdb'",
       "s",
       nullptr,
       0,
       {"abc", "abcdef", "NULL", "zz"},
       "CDE4467W Reconnecting to database because of decode in cursor T\n"},
      // names that do not resolve stop the edit, each reported
      {"q = 'a' , 'x'",
       "s",
       nullptr,
       1,
       {},
       "PDE3900E Decode Column (q) not found in cursor T\nPDE3905E Decode edits failed\n"},
      {"s = NOSUCH.v , 'x'; s = 'a' run NOSUCH; s = 'a' and = w , 'x'; s in L , 'x'",
       "s",
       nullptr,
       1,
       {},
       "PDE3965E Cursor NOSUCH not found in text NOSUCH.v\n"
       "PDE3880E Operand column(NOSUCH.v) not in cursor T\n"
       "PDE3890E Cursor to run (NOSUCH) not found T\n"
       "PDE3955E Column w not found\n"
       "PDE3895E 'And' column(w) not in cursor T\n"
       "PIN4500E In_list reference in decode is invalid : L\n"
       "PDE3905E Decode edits failed\n"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.clauses);
    parse(t, tc.clauses);
    free_all_rows(other);
    if (tc.other) add_row(other, tc.other, 1, 1);
    mark();
    ASSERT_EQ(edit_decode(), tc.edit);
    if (tc.edit == 0) {
      free_all_rows(t);
      ASSERT_EQ(run(t), 0);
      EXPECT_EQ(values(t, tc.column), tc.want);
    }
    EXPECT_EQ(printed(), tc.messages);
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
  struct {
    const char* before;  // hold states before
    bool below;          // a "hold below" is in force
    const char* text;    // replacement text, decoded in B
    int32_t len;         // length of the decoded column
    int rc;
    const char* after;  // hold states after
    const char* rows;   // rows left in A to D
    const char* messages;
    bool traced = false;  // B is traced
  } const cases[] = {
      // rows go only for cursors held after "delete"
      {"----", false, "hold next delete", 40, 1, "--d-", "1111", ""},
      {"----", false, "hold delete next", 40, 1, "--d-", "1101", ""},
      {"----", false, "HOLD,cursor a,D", 40, 1, "d--d", "1111", ""},
      {"----", false, "hold me", 40, 1, "-d--", "1111", ""},
      {"----", false, "hold previous delete", 40, 1, "d---", "1111", ""},
      // "below" holds once until released; a second one ignores what follows
      {"----", false, "hold below", 40, 1, "--bb", "1111",
       "CDE4455W Holding cursors below B due to decode\n"},
      {"----", true, "hold below me", 40, 1, "----", "1111", ""},
      {"--xd", true, "release delete below", 40, 1, "--dd", "1100",
       "CDE4460W Releasing cursors below B due to decode\n"},
      {"--bb", false, "release below next", 40, 1, "--bb", "1111", ""},
      // traced, each deletion is shown, "below" included; the percent row stays
      {"----", false, "hold delete below", 40, 1, "--bb", "1100",
       "CDE4455W Holding cursors below B due to decode\n"
       "CDE4457T Deleting all rows for cursor (C) due to decode in B\n"
       "CDE4457T Deleting all rows for cursor (D) due to decode in B\n",
       true},
      // a release lifts only its own source of hold
      {"--xo", false, "release next cursor d", 40, 1, "--bo", "1111", ""},
      // unknown words: a hold goes on, a release stops
      {"----", false, "hold bogus next", 40, 1, "--d-", "1111",
       "DSD0110W Unknown hold option 1:bogus, cursor B\n"},
      {"--d-", false, "release me next", 40, 1, "--d-", "1111",
       "DSD0120W Unknown release option:me, cursor B\n"},
      // not actions: one word, another first word, a column shorter than 8
      {"----", false, "hold", 40, 0, "----", "1111", ""},
      {"----", false, "holding next", 40, 0, "----", "1111", ""},
      {"----", false, "hold next", 7, 0, "----", "1111", ""},
      // only the column's length and one more character are read
      {"----", false, "hold me next", 8, 1, "-d--", "1111",
       "DSD0110W Unknown hold option 2:n, cursor B\n"},
      // the session is released and the collector restarted
      {"----", false, "hold resetdb", 40, 1, "----", "1111",
       "CDE4467W Reconnecting to database because of decode in cursor B\n"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.text);
    reset_decode_state();
    if (tc.below) special_decode(chain[3], "hold below", 10);
    for (size_t i = 0; i < chain.size(); ++i) {
      curs* c = chain[i];
      free_all_rows(c);
      add_row(c, "r|", 1, 1);
      const char s = tc.before[i];
      c->hold = s == '-' ? 'N' : 'Y';
      c->held_below = s == 'b' || s == 'x';
      c->held_by_decode = s == 'd' || s == 'x';
      c->held_other = s == 'o';
    }
    database_info.session_status = 1;
    b->trace = tc.traced;
    char area[OPERANDLL];
    memset(area, ' ', sizeof area);
    memcpy(area, tc.text, strlen(tc.text));
    mark();
    EXPECT_EQ(special_decode(b, area, tc.len), tc.rc);
    EXPECT_EQ(holds_of(chain), tc.after);
    std::string rows;
    for (const curs* c : chain) rows += std::to_string(c->row_count);
    EXPECT_EQ(rows, tc.rows);
    EXPECT_EQ(printed(), tc.messages);
    EXPECT_EQ(database_info.session_status, strstr(tc.text, "resetdb") ? 2 : 1);
    EXPECT_EQ(anchors.percent_cursor->row_count, 1);
  }
}

// A field's number reads as strtod and strtoll read it, sign of zero and
// last bit included, on both sides of the texts read without them.
TEST(DecodeNumbers, ReadAsTheCLibraryReadsThem) {
  const char* const texts[] = {
      "0",
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
      "1.7976931348623157e308",
  };
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    const double want = strtod(t, nullptr), got = decode_number(t);
    EXPECT_EQ(memcmp(&want, &got, sizeof want), 0) << want << " " << got;
    EXPECT_EQ(decode_integer(t), strtoll(t, nullptr, 10));
  }
}

}  // namespace
