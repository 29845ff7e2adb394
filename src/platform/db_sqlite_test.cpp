// The SQLite backend through the client interface, on real database files:
// logons, how declared types describe, the text of fetched values, and the
// SQLCODEs of its failures.
#include <gtest/gtest.h>

#include "db_test_util.h"
#include "driver/settings.h"
#include "platform/db_client.h"
#include "test_state.h"

namespace {

class DbSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    env_vars.serverid = env_store("ORCL");
    env_vars.db_home = env_store(dir_.path());
    path_ = dir_.path() + "/ORCL.db";
  }
  void TearDown() override { reset_process_state(); }

  // Makes the database and logs on with operating-system authentication.
  void logon_with(const char* sql) {
    make_sqlite_file(path_, sql);
    ASSERT_EQ(session_.logon_os(), 0) << session_.sqlca().message;
  }

  temp_dir dir_;
  std::string path_;
  db_session session_;
};

TEST_F(DbSqliteTest, DeclaredTypesDescribe) {
  logon_with(
      "CREATE TABLE t(v VARCHAR2(10), vd VARCHAR2, c CHAR(5), c1 CHAR, nv NVARCHAR2(8),"
      " nc NCHAR(3), tx TEXT, n NUMBER(6,2), np NUMBER(5), nn NUMBER, ng NUMBER(5,-2),"
      " ns DECIMAL( 10 , 3 ), i INTEGER, r REAL, d DATE, ts TIMESTAMP, rw RAW(16), b BLOB, l LONG,"
      " lr LONG  RAW, rid ROWID, w CHARACTER  VARYING(12), u WIDGET, ub UNSIGNED BIG INT, cl "
      "CLOB);");
  query_result r = run_query(session_, "SELECT * FROM t");
  ASSERT_EQ(r.rc, sql_no_data);
  struct row {
    const char* name;
    int type, length, precision, scale, chars, bytes, nls;
  };
  const row want[] = {
      {"v", 1, 10, 0, 0, 10, 10, 1},         // VARCHAR2(n): n bytes, n characters
      {"vd", 1, 4000, 0, 0, 4000, 4000, 1},  // VARCHAR2 without length: the largest
      {"c", 96, 5, 0, 0, 5, 5, 1},           // CHAR(n)
      {"c1", 96, 1, 0, 0, 1, 1, 1},          // CHAR is CHAR(1)
      {"nv", 1, 16, 0, 0, 8, 16, 2},         // national: UTF-16, two bytes a character
      {"nc", 96, 6, 0, 0, 3, 6, 2},          // NCHAR(n)
      {"tx", 1, 4000, 0, 0, 4000, 4000, 1},  // TEXT reads as VARCHAR2
      {"n", 2, 22, 6, 2, 0, 22, 0},          // NUMBER(p,s)
      {"np", 2, 22, 5, 0, 0, 22, 0},         // NUMBER(p)
      {"nn", 2, 22, 0, 0, 0, 22, 0},         // NUMBER: precision undeclared
      {"ng", 2, 22, 5, -2, 0, 22, 0},        // negative scale
      {"ns", 2, 22, 10, 3, 0, 22, 0},        // other names and blanks
      {"i", 2, 22, 19, 0, 0, 22, 0},         // INTEGER: 64-bit, 19 digits
      {"r", 2, 22, 0, 0, 0, 22, 0},          // REAL: undeclared precision
      {"d", 12, 7, 0, 0, 0, 7, 0},           // DATE
      {"ts", 12, 7, 0, 0, 0, 7, 0},          // TIMESTAMP reads as DATE
      {"rw", 23, 16, 0, 0, 0, 16, 0},        // RAW(n)
      {"b", 23, 2000, 0, 0, 0, 2000, 0},     // BLOB reads as the largest RAW
      {"l", 8, 0, 0, 0, 0, 0, 0},            // LONG
      {"lr", 24, 0, 0, 0, 0, 0, 0},          // LONG RAW, blanks collapsed
      {"rid", 11, 18, 0, 0, 0, 18, 0},       // ROWID
      {"w", 1, 12, 0, 0, 12, 12, 1},         // a two-word name
      {"u", 2, 22, 0, 0, 0, 22, 0},          // unknown name: numeric affinity
      {"ub", 2, 22, 19, 0, 0, 22, 0},        // unknown name holding INT: integer affinity
      {"cl", 1, 4000, 0, 0, 4000, 4000, 1},  // unknown name holding CLOB: text affinity
  };
  ASSERT_EQ(r.items.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const db_item& it = r.items[i];
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(it.name, want[i].name);
    EXPECT_EQ(it.type, want[i].type);
    EXPECT_EQ(it.length, want[i].length);
    EXPECT_EQ(it.precision, want[i].precision);
    EXPECT_EQ(it.scale, want[i].scale);
    EXPECT_EQ(it.col_size_chars, want[i].chars);
    EXPECT_EQ(it.col_size_bytes, want[i].bytes);
    EXPECT_EQ(it.nls_flag, want[i].nls);
  }
}

TEST_F(DbSqliteTest, ExpressionsDescribeByTheirFirstValue) {
  logon_with("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  query_result r =
      run_query(session_, "SELECT count(*) AS cnt, 1.5, 'abc' || a, x'AB', NULL, a FROM t", 40);
  ASSERT_EQ(r.rc, sql_no_data);
  ASSERT_EQ(r.items.size(), 6u);
  EXPECT_EQ(r.items[0].name, "cnt");
  EXPECT_EQ(r.items[1].name, "1.5");
  const int want_type[] = {2, 2, 1, 23, 1, 2};  // integer, real, text, blob, NULL, untyped column
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(r.items[i].type, want_type[i]) << i;
  EXPECT_EQ(r.items[0].precision, 0);  // no rounding of a later real value
  EXPECT_EQ(r.items[2].col_size_chars, 4000);
  EXPECT_EQ(r.items[3].length, 2000);
  EXPECT_EQ(r.rows, std::vector<std::string>({"1|1.5|abc1|AB|NULL|1"}));
  // Without a row nothing is known: every expression is text.
  r = run_query(session_, "SELECT count(*) + 1 FROM t WHERE a > 5 GROUP BY a");
  ASSERT_EQ(r.items.size(), 1u);
  EXPECT_EQ(r.items[0].type, 1);
}

TEST_F(DbSqliteTest, ValuesAsText) {
  logon_with(
      "CREATE TABLE t(k INTEGER, n NUMBER(6,2), ng NUMBER(5,-2), nn NUMBER, i INTEGER, r REAL,"
      " d DATE, rw RAW(4), c CHAR(5), v VARCHAR2(10), nc NCHAR(2));"
      "INSERT INTO t VALUES (1, 12.345, 12351, 7, 42, 0.1, '2024-03-05 10:11:12', x'00FFab', 'ab',"
      " 'x', 'é');"
      "INSERT INTO t VALUES (2, -0.001, -149, '  007.50 ', -9223372036854775808, 1e300,"
      " '1999-12-31', 'AZ', 'abcde', 'Grüße', 'ab');"
      "INSERT INTO t VALUES (3, '1.5e1', 50, '-0', 9223372036854775807, -2.5e-7, "
      "'2000-02-29T08:00',"
      " x'', '€', '', 'x');");
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
  };
  EXPECT_EQ(r.rows, want);
}

TEST_F(DbSqliteTest, NullsInEveryType) {
  logon_with(
      "CREATE TABLE t(n NUMBER(3), d DATE, rw RAW(2), c CHAR(3), v VARCHAR2(4), nc NCHAR(1));"
      "INSERT INTO t VALUES (NULL, NULL, NULL, NULL, NULL, NULL);");
  query_result r = run_query(session_, "SELECT * FROM t");
  ASSERT_EQ(r.rc, sql_no_data);
  EXPECT_EQ(r.rows, std::vector<std::string>({"NULL|NULL|NULL|NULL|NULL|NULL"}));
}

TEST_F(DbSqliteTest, ValuesCutToTheBuffer) {
  logon_with(
      "CREATE TABLE t(k INTEGER, v VARCHAR2(100), nv NVARCHAR2(10), n NUMBER, rw RAW(8));"
      "INSERT INTO t VALUES (1, 'ab€cd', 'ab€', 3.14159265358979, x'0102030405');"
      "INSERT INTO t VALUES (2, 'abcdefgh', '𝄞xy', 123456789, x'01');");
  query_result r = run_query(session_, "SELECT v, nv, n, rw FROM t ORDER BY k", 4);
  ASSERT_EQ(r.rc, sql_no_data);
  EXPECT_EQ(r.rows, (std::vector<std::string>{
                        // the euro sign does not fit: cut before it, indicator = whole length;
                        // a real loses digits rather than being cut
                        "ab~7|" + std::string("\0a\0b", 4) + "~6|3.14|0102~10",
                        // a surrogate pair fits whole; an integer too long is cut
                        "abcd~8|" + std::string("\xD8\x34\xDD\x1E", 4) + "~8|1234~9|01",
                    }));
}

TEST_F(DbSqliteTest, RowsWithBadValuesAreSkipped) {
  logon_with(
      "CREATE TABLE t(k INTEGER, n NUMBER, d DATE);"
      "INSERT INTO t VALUES (1, 5, '2024-01-01');"
      "INSERT INTO t VALUES (2, 'abc', '2024-01-02');"
      "INSERT INTO t VALUES (3, x'01', '2024-01-03');"
      "INSERT INTO t VALUES (4, 6, '2024-02-30');"
      "INSERT INTO t VALUES (5, 7, 20240101);"
      "INSERT INTO t VALUES (6, 8, '2024-01-06');");
  query_result r = run_query(session_, "SELECT n, d FROM t ORDER BY k");
  ASSERT_EQ(r.rc, sql_no_data);
  EXPECT_EQ(r.rows, (std::vector<std::string>{
                        "5|01-JAN-24",
                        "#-1722",  // text that is no number
                        "#-1722",  // a blob in a NUMBER column
                        "#-1861",  // 30 February
                        "#-1861",  // a number in a DATE column
                        "8|06-JAN-24",
                    }));
}

TEST_F(DbSqliteTest, FailuresAndTheirCodes) {
  logon_with(
      "CREATE TABLE t(a INTEGER); INSERT INTO t VALUES (1);"
      "CREATE TABLE u(q NUMBER); INSERT INTO u VALUES ('x1');");
  struct row {
    const char* sql;
    int32_t code;
    const char* message;
  };
  const row cases[] = {
      {"SELEC a FROM t", -900, "near \"SELEC\": syntax error"},   // syntax error
      {"SELECT a FROM nowhere", -942, "no such table: nowhere"},  // unknown table
      {"SELECT b FROM t", -904, "no such column: b"},             // unknown column
      {"SELECT nofunc(a) FROM t", -904, "no such function: nofunc"},
      {"SELECT 1; SELECT 2", -900, "more than one statement in the text"},
      {"   ", -900, "the text holds no statement"},
      {"SELECT abs(-9223372036854775807 - 1) FROM t", -100001, "integer overflow"},  // at open
  };
  for (const row& c : cases) {
    SCOPED_TRACE(c.sql);
    query_result r = run_query(session_, c.sql);
    EXPECT_EQ(r.rc, c.code);
    EXPECT_EQ(session_.sqlca().sqlcode, c.code);
    EXPECT_EQ(session_.sqlca().message, c.message);
  }
  // A bad value names its column.
  db_statement st(session_);
  db_descriptor d(60);
  ASSERT_EQ(st.prepare("SELECT q FROM u"), 0);
  ASSERT_EQ(st.declare(), 0);
  ASSERT_EQ(st.open(), 0);
  ASSERT_EQ(st.describe(d), 0);
  EXPECT_EQ(st.fetch(d), -1722);
  EXPECT_EQ(session_.sqlca().message, "invalid number: column q holds 'x1'");
  EXPECT_EQ(session_.sqlca().sqlerrm(), "invalid number: column q holds 'x1'");
}

TEST_F(DbSqliteTest, StepsOutOfOrder) {
  logon_with("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  db_statement st(session_);
  db_descriptor d(60);
  EXPECT_EQ(st.declare(), sql_invalid_cursor);  // nothing prepared
  EXPECT_EQ(st.fetch(d), sql_fetch_out_of_sequence);
  ASSERT_EQ(st.prepare("SELECT a FROM t"), 0);
  EXPECT_EQ(st.open(), sql_invalid_cursor);  // not declared
  EXPECT_EQ(st.describe(d), sql_invalid_cursor);
  ASSERT_EQ(st.declare(), 0);
  ASSERT_EQ(st.open(), 0);
  ASSERT_EQ(st.describe(d), 0);
  EXPECT_EQ(st.fetch(d), 0);  // no buffers bound: the row is consumed unseen
  EXPECT_EQ(st.fetch(d), sql_no_data);
  EXPECT_EQ(st.fetch(d), sql_no_data);
  EXPECT_EQ(st.close(), 0);
  EXPECT_EQ(st.close(), sql_invalid_cursor);
  EXPECT_EQ(st.fetch(d), sql_fetch_out_of_sequence);
  // Reopening runs the statement again.
  ASSERT_EQ(st.open(), 0);
  EXPECT_EQ(st.fetch(d), 0);
}

TEST_F(DbSqliteTest, MoreItemsThanTheDescriptorHolds) {
  logon_with("CREATE TABLE t(a);");
  std::string sql = "SELECT 0";
  for (int i = 1; i < 61; ++i) sql += ", " + std::to_string(i);
  db_statement st(session_);
  db_descriptor d(60);
  ASSERT_EQ(st.prepare(sql), 0);
  ASSERT_EQ(st.declare(), 0);
  ASSERT_EQ(st.open(), 0);
  ASSERT_EQ(st.describe(d), 0);
  EXPECT_EQ(d.found, -61);
  EXPECT_EQ(d.item.size(), 60u);
  EXPECT_EQ(d.item[59].name, "59");
}

TEST_F(DbSqliteTest, Logons) {
  make_sqlite_file(path_,
                   "CREATE TABLE collector_logon(logon_id, password, account_status);"
                   "INSERT INTO collector_logon VALUES ('SCOTT', 'tiger', 'OPEN');"
                   "INSERT INTO collector_logon VALUES ('old', 'pw', 'EXPIRED(GRACE)');"
                   "INSERT INTO collector_logon VALUES ('gone', 'pw', 'EXPIRED');"
                   "INSERT INTO collector_logon VALUES ('shut', 'pw', 'EXPIRED & LOCKED');");
  struct row {
    const char* user;
    const char* password;
    int32_t code;
    bool on;
    const char* message;
  };
  const row cases[] = {
      {"scott", "tiger", 0, true, ""},  // logon ids compare without case
      {"SCOTT", "TIGER", -1017, false, "invalid username/password; logon denied"},  // case counts
      {"nobody", "x", -1017, false, "invalid username/password; logon denied"},
      {"old", "pw", 28002, true, "the password will expire soon"},  // warning, logged on
      {"gone", "pw", -28001, false, "the password has expired"},
      {"shut", "pw", -28000, false, "the account is locked"},
  };
  for (const row& c : cases) {
    SCOPED_TRACE(c.user);
    db_session s;
    EXPECT_EQ(s.logon(c.user, c.password), c.code);
    EXPECT_EQ(s.logged_on(), c.on);
    EXPECT_EQ(s.sqlca().message, c.message);
    EXPECT_FALSE(s.remote());
  }
  // "/" is not checked against the table.
  EXPECT_EQ(session_.logon_os(), 0);
  EXPECT_TRUE(session_.logged_on());
  // Without the table any pair is accepted.
  temp_dir other;
  env_vars.db_home = nullptr;
  env_vars.ctl_home = env_store(other.path() + "/");
  make_sqlite_file(other.path() + "/ORCL.db", "CREATE TABLE t(a);");
  EXPECT_EQ(db_local_path(), other.path() + "/ORCL.db");  // falls back to the control directory
  EXPECT_EQ(session_.logon("anyone", "anything"), 0);
}

TEST_F(DbSqliteTest, UnusableDatabaseFiles) {
  FILE* f = fopen((dir_.path() + "/JUNK.db").c_str(), "w");
  ASSERT_TRUE(f);
  fputs("this is no database, only text long enough to be read as a header......", f);
  fclose(f);
  struct row {
    const char* serverid;
    const char* message;  // after the path
  };
  const row cases[] = {
      {"MISSING", " cannot be opened: No such file or directory"},  // never made
      {"JUNK", " cannot be used: file is not a database"},
  };
  for (const row& c : cases) {
    env_vars.serverid = env_store(c.serverid);
    EXPECT_EQ(session_.logon_os(), sql_not_available);
    EXPECT_FALSE(session_.logged_on());
    EXPECT_EQ(session_.sqlca().message,
              "database file " + dir_.path() + "/" + c.serverid + ".db" + c.message);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/MISSING.db"));  // not created
  env_vars.serverid = nullptr;
  EXPECT_EQ(session_.logon("u", "p"), sql_not_available);
  EXPECT_EQ(session_.sqlca().message, "no server id is set: no local database file to open");
}

TEST_F(DbSqliteTest, NotLoggedOn) {
  db_statement st(session_);
  db_descriptor d(60);
  EXPECT_EQ(st.prepare("SELECT 1"), sql_not_logged_on);
  EXPECT_EQ(session_.sqlca().message, "not logged on");
  EXPECT_EQ(st.fetch(d), sql_not_logged_on);
  EXPECT_EQ(session_.commit(false), sql_not_logged_on);
  EXPECT_EQ(session_.rollback(true), sql_not_logged_on);
  // A release ends the cursor; a new logon lets the same statement start again.
  logon_with("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
  ASSERT_EQ(st.prepare("SELECT a FROM t"), 0);
  ASSERT_EQ(st.declare(), 0);
  ASSERT_EQ(st.open(), 0);
  EXPECT_EQ(session_.commit(true), 0);
  EXPECT_FALSE(session_.logged_on());
  EXPECT_EQ(st.fetch(d), sql_not_logged_on);
  ASSERT_EQ(session_.logon_os(), 0);
  EXPECT_EQ(st.open(), sql_invalid_cursor);
  EXPECT_EQ(st.prepare("SELECT a FROM t"), 0);
  // A statement that outlives its session answers "not logged on".
  auto s = std::make_unique<db_session>();
  db_statement orphan(*s);
  s.reset();
  EXPECT_EQ(orphan.prepare("SELECT 1"), sql_not_logged_on);
}

TEST_F(DbSqliteTest, CommitAndRollback) {
  logon_with("CREATE TABLE t(a);");
  auto exec = [&](const char* sql) {
    db_statement st(session_);
    int32_t rc = st.prepare(sql);
    if (rc == 0) rc = st.declare();
    if (rc == 0) rc = st.open();
    return rc;
  };
  EXPECT_EQ(session_.commit(false), 0);  // nothing begun: nothing to do
  ASSERT_EQ(exec("BEGIN"), 0);
  ASSERT_EQ(exec("INSERT INTO t VALUES (1)"), 0);
  EXPECT_EQ(session_.rollback(false), 0);
  EXPECT_EQ(run_query(session_, "SELECT count(*) FROM t").rows, std::vector<std::string>({"0"}));
  ASSERT_EQ(exec("BEGIN"), 0);
  ASSERT_EQ(exec("INSERT INTO t VALUES (2)"), 0);
  EXPECT_EQ(session_.commit(true), 0);
  EXPECT_FALSE(session_.logged_on());
  ASSERT_EQ(session_.logon_os(), 0);
  EXPECT_EQ(run_query(session_, "SELECT a FROM t").rows, std::vector<std::string>({"2"}));
  // Rolling back with release undoes and logs off.
  ASSERT_EQ(exec("BEGIN"), 0);
  ASSERT_EQ(exec("INSERT INTO t VALUES (3)"), 0);
  EXPECT_EQ(session_.rollback(true), 0);
  EXPECT_FALSE(session_.logged_on());
  ASSERT_EQ(session_.logon_os(), 0);
  EXPECT_EQ(run_query(session_, "SELECT a FROM t").rows, std::vector<std::string>({"2"}));
}

}  // namespace
