// Cursors that feed one another, on real SQLite files: host variables merged
// into a SELECT text (quoting, bare forms, in-lists, missing sources), base
// rows with their fallbacks and dummy rows, and the start-up edits that bind
// the names.
#include "rows/host_merge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/clauses.h"
#include "ctl/collect.h"
#include "ctl_fixture.h"
#include "sql_fixture.h"

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, sep);) out.push_back(part);
  return out;
}

// The message lines of `printed` whose id starts with `prefix`, joined.
std::string messages(const std::string& printed, const std::string& prefixes) {
  std::string out;
  for (const std::string& l : split(printed, '\n'))
    for (const std::string& p : split(prefixes, ' '))
      if (l.compare(0, p.size(), p) == 0) out += l + "\n";
  return out;
}

// The fields of a stored row's text, cut at its NULs (shown as '|'), without
// their blanks around.
std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> out;
  for (std::string& f : split(text, '|')) {
    size_t from = f.find_first_not_of(' '), to = f.find_last_not_of(' ');
    if (from != std::string::npos) out.push_back(f.substr(from, to - from + 1));
  }
  return out;
}

class HostMerge : public SqlTest {
 protected:
  // A clean state and a new database file for the next table row.
  void next_row() {
    TearDown();
    std::filesystem::remove(dir_.file("coll.db"));
    SetUp();
  }
  void clause(int (*parse)(curs*, char*), curs* cur, std::string text) {
    ASSERT_EQ(parse(cur, text.data()), 0);
  }
};

// Rows of tests/data/rows/host_variables.txt: cursor SRC reads the names given
// into its rows; cursor DST runs its insert_select text with SRC's values.
TEST_F(HostMerge, SelectTextTakesOtherCursorsValues) {
  for (const auto& r : data_rows("rows/host_variables.txt", 5)) {
    SCOPED_TRACE(r[1]);
    next_row();
    std::string sql =
        "CREATE TABLE t(k INTEGER, name VARCHAR(20));"
        "INSERT INTO t VALUES(1, 'alpha'), (2, 'it''s'), (3, 'x -- y'), (4, 'a;b'),"
        " (5, 'line' || char(10) || 'break');"
        "CREATE TABLE src(n NUMBER(2), name VARCHAR(20), cmd_DISABLE VARCHAR(20));";
    std::vector<std::string> names = split(r[0], '~');
    for (size_t i = 0; i < names.size(); ++i) {
      std::string q;
      for (char c : names[i]) q += c == '\'' ? std::string("''") : std::string(1, c);
      sql += "INSERT INTO src VALUES(" + std::to_string(i + 1) + ", '" + q + "', '" + q + "');";
    }
    make_db(sql.c_str());
    curs* src = cursor("SRC", "SELECT n, name, cmd_DISABLE FROM src ORDER BY n",
                       {"n", "name", "cmd_DISABLE"});
    clause(parse_in_list, src, "NAMES using name");
    clause(parse_in_list, src, "KS using n");
    curs* dst = cursor("DST", "SELECT -1 AS k", {"k"});
    dst->raw_insert_select = r[1];
    dst->raw_has_brackets = 1;
    PrintCapture capture;
    ASSERT_EQ(run(src), 0);
    ASSERT_EQ(run(dst), 0);
    EXPECT_EQ(db_state.statement, r[2]);
    std::string ks;
    for (const std::string& t : texts(dst)) ks += (ks.empty() ? "" : " ") + fields(t)[0];
    EXPECT_EQ(ks, r[3]);
    EXPECT_EQ(messages(capture.lines(), "CMG"), r[4]);
    // A later run walks the pieces kept from the first.
    ASSERT_EQ(run(dst), 0);
    EXPECT_EQ(db_state.statement, r[2]);
  }
}

// Rows of tests/data/rows/base_rows.txt: cursor DST reads BS.label from the
// row of BS matched through its base clause.
TEST_F(HostMerge, BaseRowsMatchWithFallbacks) {
  for (const auto& r : data_rows("rows/base_rows.txt", 6)) {
    SCOPED_TRACE(r[2] + " / " + r[3]);
    next_row();
    std::string sql = "CREATE TABLE b(id INTEGER, label VARCHAR(10)); CREATE TABLE d(id INTEGER);";
    for (const std::string& row : split(r[0], '~'))
      sql += "INSERT INTO b VALUES(" + row.substr(0, row.find(':')) + ", '" +
             row.substr(row.find(':') + 1) + "');";
    for (const std::string& id : split(r[3], ' ')) sql += "INSERT INTO d VALUES(" + id + ");";
    make_db(sql.c_str());
    curs* bs = cursor("BS", "SELECT id, label FROM b ORDER BY rowid", {"id", "label"});
    bs->conditional_dummy_last_row = static_cast<int16_t>(r[1] == "1");
    curs* dst = cursor("DST", "SELECT id FROM d ORDER BY rowid", {"id", "BS.label"});
    dst->column_list->next->qualified = 1;
    clause(parse_base, dst, r[2]);
    PrintCapture capture;
    ASSERT_EQ(edit_bases(), 0);
    ASSERT_EQ(set_qualifieds(), 0);
    ASSERT_EQ(run(bs), 0);
    run(dst);
    std::string labels = dst->hold == 'Y' ? "held" : "";
    for (const std::string& t : texts(dst)) labels += (labels.empty() ? "" : "~") + fields(t)[1];
    EXPECT_EQ(labels, r[4]);
    EXPECT_EQ(messages(capture.lines(), "CBA CAT"), r[5]);
  }
}

// A dummy last row follows every run with dummy_last_row, and only an empty
// run with conditional_dummy_last_row; it holds "N/A" and '0' fields.
TEST_F(HostMerge, DummyLastRows) {
  make_db("CREATE TABLE b(id INTEGER, label VARCHAR(2)); INSERT INTO b VALUES(7, 'ab');");
  curs* always = cursor("ALWAYS", "SELECT id, label FROM b", {"id", "label"});
  always->dummy_last_row = 1;
  curs* empty = cursor("EMPTY", "SELECT id, label FROM b WHERE id < 0", {"id", "label"});
  empty->conditional_dummy_last_row = 1;
  curs* full = cursor("FULL", "SELECT id, label FROM b", {"id", "label"});
  full->conditional_dummy_last_row = 1;
  for (curs* c : {always, empty, full}) ASSERT_EQ(run(c), 0);
  const std::string number(20, ' ');
  EXPECT_EQ(texts(always), (std::vector<std::string>{number + "7|ab|||||", number + "0 N/A    "}));
  EXPECT_EQ(texts(empty), std::vector<std::string>{number + "0 N/A    "});
  EXPECT_EQ(texts(full), std::vector<std::string>{number + "7|ab|||||"});
  EXPECT_EQ(always->last_row->row_no, 2);
}

// The start-up edits of in-lists, bases and qualified names over the files of
// tests/data/ctl/merge_edits: what each binds and reports.
class MergeEdits : public ctl_test {};

// Start-up stops at the first edit that fails.
int parse_and_edit() {
  if (int rc = parse_curs()) return rc;
  if (edit_in_lists() || edit_bases()) return 1;
  return set_qualifieds();
}

TEST_F(MergeEdits, BindNamesOrReportThem) {
  check_file_cases("merge_edits", "coll", parse_and_edit, -1, [] {});
}

}  // namespace
