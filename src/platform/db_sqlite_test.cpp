// The SQLite backend through the client interface, on real database files:
// logons, how declared types describe, the text of fetched values, skipped
// rows, steps out of order and transactions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "db_test_util.h"
#include "platform/db_client.h"
#include "test_state.h"
#include "util/settings.h"

namespace {

class DbSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    env_vars.serverid = env_store("ORCL");
    env_vars.db_home = env_store(dir_.path());
  }
  void TearDown() override { reset_process_state(); }

  // Makes the database and logs on with operating-system authentication.
  void logon_with(const char* sql) {
    make_sqlite_file(dir_.file("ORCL.db"), sql);
    ASSERT_EQ(session_.logon_os(), 0) << session_.sqlca().message;
  }

  ScratchDir dir_;
  db_session session_;
};

TEST_F(DbSqliteTest, DeclaredTypesDescribe) {
  std::string sql = "CREATE TABLE t(";
  std::vector<std::string> want;
  for (const auto& row : data_rows("platform/sqlite_types.txt", 2)) {
    std::string name = "c" + std::to_string(want.size());
    sql += (want.empty() ? "" : ", ") + name + " " + row[0];
    want.push_back(name + " " + row[1]);
  }
  logon_with((sql + ");").c_str());
  EXPECT_EQ(described_items(run_query(session_, "SELECT * FROM t")), want);
}

TEST_F(DbSqliteTest, ExpressionsDescribeByTheirFirstValue) {
  logon_with("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  query_result r =
      run_query(session_, "SELECT count(*) AS cnt, 1.5, 'abc' || a, x'AB', NULL, a FROM t");
  EXPECT_EQ(described_items(r), (std::vector<std::string>{
                                    "cnt 2 22 0 0 0 22 0",                // integer, no precision
                                    "1.5 2 22 0 0 0 22 0",                // real
                                    "'abc' || a 1 4000 0 0 4000 4000 1",  // text
                                    "x'AB' 23 2000 0 0 0 2000 0",         // blob
                                    "NULL 1 4000 0 0 4000 4000 1",        // NULL reads as text
                                    "a 2 22 0 0 0 22 0",                  // untyped column
                                }));
  EXPECT_EQ(r.rows, std::vector<std::string>({"1|1.5|abc1|AB|NULL|1"}));
  // Without a row nothing is known: every expression is text.
  r = run_query(session_, "SELECT count(*) + 1 AS n FROM t WHERE a > 5 GROUP BY a");
  EXPECT_EQ(described_items(r), std::vector<std::string>({"n 1 4000 0 0 4000 4000 1"}));
}

TEST_F(DbSqliteTest, ValuesAsText) {
  logon_with(
      "CREATE TABLE t(k INTEGER, n NUMBER(6,2), ng NUMBER(5,-2), nn NUMBER, i INTEGER, r REAL,"
      " d DATE, rw RAW(4), c CHAR(5), v VARCHAR2(10), nc NCHAR(2));"
      "INSERT INTO t VALUES (1, 12.345, 12351, 7, 42, 0.1, '2024-03-05 10:11:12', x'00FFab', 'ab',"
      " 'x', 'é'), (2, -0.001, -149, '  007.50 ', -9223372036854775808, 1e300, '1999-12-31', 'AZ',"
      " 'abcde', 'Grüße', 'ab'), (3, '1.5e1', 50, '-0', 9223372036854775807, -2.5e-7,"
      " '2000-02-29T08:00', x'', '€', '', 'x'), (4, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
      " NULL, NULL, NULL);");
  query_result r = run_query(session_, "SELECT n, ng, nn, i, r, d, rw, c, v, nc FROM t ORDER BY k");
  ASSERT_EQ(r.rc, sql_no_data) << session_.sqlca().message;
  const std::vector<std::string> want = {
      // rounded to the scale; to hundreds; text number; shortest real; day only; hex;
      // CHAR blank-padded; national in UTF-16BE
      "12.35|12400|7|42|0.1|05-MAR-24|00FFAB|ab   |x|" + std::string("\0\xE9\0 ", 4),
      // tiny negative rounds to zero; blanks and zeros of a text number dropped;
      // text in RAW as the hex of its bytes
      "0|-100|7.5|-9223372036854775808|1e+300|31-DEC-99|415A|abcde|Grüße|" +
          std::string("\0a\0b", 4),
      // exponent text; -0 is 0; a T before the time; empty blob; multi-byte CHAR padding
      "15|100|0|9223372036854775807|-2.5e-07|29-FEB-00||€    ||" + std::string("\0x\0 ", 4),
      // NULL in every type
      "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
  };
  EXPECT_EQ(r.rows, want);
}

TEST_F(DbSqliteTest, NationalAndRealValuesInAShortBuffer) {
  logon_with(
      "CREATE TABLE t(k INTEGER, nv NVARCHAR2(10), n NUMBER);"
      "INSERT INTO t VALUES (1, 'ab€', 3.14159265358979), (2, '𝄞xy', 1);");
  EXPECT_EQ(run_query(session_, "SELECT nv, n FROM t ORDER BY k", 4).rows,
            (std::vector<std::string>{
                std::string("\0a\0b~6|3.14", 11),        // a real loses digits, is not cut
                std::string("\xD8\x34\xDD\x1E~8|1", 8),  // a surrogate pair fits whole
            }));
}

TEST_F(DbSqliteTest, RowsWithBadValuesAreSkipped) {
  logon_with(
      "CREATE TABLE t(k INTEGER, n NUMBER, d DATE);"
      "INSERT INTO t VALUES (1, 5, '2024-01-01'), (2, 'abc', '2024-01-02'), (3, x'01', "
      "'2024-01-03'),"
      " (4, 6, '2024-02-30'), (5, 7, 20240101), (6, 8, '2024-01-06');");
  EXPECT_EQ(run_query(session_, "SELECT n, d FROM t ORDER BY k").rows,
            (std::vector<std::string>{
                "5|01-JAN-24",
                "#-1722",  // text that is no number
                "#-1722",  // a blob in a NUMBER column
                "#-1861",  // 30 February
                "#-1861",  // a number in a DATE column
                "8|06-JAN-24",
            }));
}

TEST_F(DbSqliteTest, Logons) {
  make_sqlite_file(dir_.file("ORCL.db"),
                   "CREATE TABLE collector_logon(logon_id, password, account_status);"
                   "INSERT INTO collector_logon VALUES ('SCOTT', 'tiger', 'OPEN'),"
                   " ('old', 'pw', 'EXPIRED(GRACE)'), ('gone', 'pw', 'EXPIRED'),"
                   " ('shut', 'pw', 'EXPIRED & LOCKED');");
  for (const auto& row : data_rows("platform/logons.txt", 4)) {
    int32_t code = std::stoi(row[2]);
    EXPECT_EQ(session_.logon(row[0], row[1]), code) << row[0];
    EXPECT_EQ(session_.logged_on(), code >= 0) << row[0];
    EXPECT_EQ(session_.sqlca().message, row[3]);
  }
  EXPECT_EQ(session_.logon_os(), 0);  // "/" is not checked against the table
  // Without the table any pair is accepted; the control directory stands in
  // for an unset database directory.
  env_vars.db_home = nullptr;
  env_vars.ctl_home = env_store(dir_.file("ctl/"));
  ASSERT_EQ(mkdir(dir_.file("ctl").c_str(), 0700), 0);
  make_sqlite_file(dir_.file("ctl/ORCL.db"), "CREATE TABLE t(a);");
  EXPECT_EQ(session_.logon("anyone", "anything"), 0);
}

TEST_F(DbSqliteTest, UnusableDatabaseFiles) {
  write_whole(dir_.file("JUNK.db"), std::string(100, 'j'));
  const std::pair<const char*, const char*> cases[] = {
      // server id, the message after the path
      {"MISSING", " cannot be opened: No such file or directory"},  // not created either
      {"JUNK", " cannot be used: file is not a database"},
  };
  for (auto [serverid, message] : cases) {
    env_vars.serverid = env_store(serverid);
    EXPECT_EQ(session_.logon_os(), sql_not_available);
    EXPECT_EQ(session_.sqlca().message, "database file " + dir_.file(serverid) + ".db" + message);
  }
  EXPECT_EQ(read_whole(dir_.file("MISSING.db")), "<missing>");
  env_vars.serverid = nullptr;
  EXPECT_EQ(session_.logon("u", "p"), sql_not_available);
  EXPECT_EQ(session_.sqlca().message, "no server id is set: no local database file to open");
}

TEST_F(DbSqliteTest, NotLoggedOn) {
  db_statement st(session_);
  db_descriptor d(60);
  EXPECT_EQ(st.prepare("SELECT 1"), sql_not_logged_on);
  EXPECT_EQ(session_.sqlca().message, "not logged on");
  // A release ends the open cursor; a statement outliving its session is refused.
  logon_with("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  ASSERT_EQ(st.prepare("SELECT a FROM t"), 0);
  ASSERT_EQ(st.declare(), 0);
  ASSERT_EQ(st.open(), 0);
  EXPECT_EQ(session_.commit(true), 0);
  EXPECT_EQ(st.fetch(d), sql_not_logged_on);
  auto s = std::make_unique<db_session>();
  db_statement orphan(*s);
  s.reset();
  EXPECT_EQ(orphan.prepare("SELECT 1"), sql_not_logged_on);
}

}  // namespace
