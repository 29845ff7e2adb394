// The ODBC backend against a real PostgreSQL server reached through psqlODBC
// (scripts/pg-server.sh; skipped when COLLECTOR_TEST_DSN is not set): logon
// forms, how server types describe, fetched values, SQLCODEs, and a server
// that stops under an open session. Also the backend's mapping tables.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "db_test_util.h"
#include "platform/db_client.h"
#include "platform/db_odbc_codes.h"

namespace {

const char* env_or_null(const char* name) {
  const char* v = getenv(name);
  return v && *v ? v : nullptr;
}

class DbOdbcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dsn_ = env_or_null("COLLECTOR_TEST_DSN");
    if (!dsn_) GTEST_SKIP() << "COLLECTOR_TEST_DSN not set (scripts/test.sh sets it)";
    user_pw_ = std::string(getenv("COLLECTOR_TEST_USER")) + "/" + getenv("COLLECTOR_TEST_PASSWORD");
  }

  void logon() { ASSERT_EQ(session_.logon_remote(user_pw_, dsn_), 0) << session_.sqlca().message; }

  // Runs a statement that returns no rows.
  int32_t exec(const std::string& sql) {
    db_statement st(session_);
    int32_t rc = st.prepare(sql);
    if (rc == 0) rc = st.declare();
    if (rc == 0) rc = st.open();
    return rc;
  }

  const char* dsn_ = nullptr;
  std::string user_pw_;
  db_session session_;
};

TEST_F(DbOdbcTest, Logons) {
  std::string pw = getenv("COLLECTOR_TEST_PASSWORD");
  std::string port = getenv("COLLECTOR_PG_PORT");
  std::string direct = "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + port +
                       ";DATABASE=collector;TextAsLongVarchar=0;UseServerSidePrepare=0";
  struct row {
    std::string user_pw, connect;
    int32_t code;
    const char* message_part;  // within the message
  };
  const row cases[] = {
      {user_pw_, dsn_, 0, ""},                                             // data source name
      {user_pw_, direct, 0, ""},                                           // connection string
      {"collector/wrong", dsn_, -1017, "password authentication failed"},  // wrong password
      {"nobody/" + pw, dsn_, -1017, "password authentication failed"},     // unknown user
      {user_pw_, "no_such_dsn", -12154, "Data source name not found"},
      // nothing listens on port 1: refused
      {user_pw_, "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=collector", -12541,
       "Connection refused"},
      {user_pw_, "", -12154, "no data source: the connect string is empty"},
  };
  for (const row& c : cases) {
    SCOPED_TRACE(c.user_pw + " @ " + c.connect);
    db_session s;
    EXPECT_EQ(s.logon_remote(c.user_pw, c.connect), c.code);
    EXPECT_EQ(s.logged_on(), c.code == 0);
    EXPECT_EQ(s.remote(), c.code == 0);
    EXPECT_NE(s.sqlca().message.find(c.message_part), std::string::npos) << s.sqlca().message;
    EXPECT_EQ(s.sqlca().message.find('\n'), std::string::npos);
  }
}

TEST_F(DbOdbcTest, ServerTypesDescribe) {
  logon();
  query_result r = run_query(
      session_,
      "SELECT CAST('a' AS varchar(10)) AS v, CAST('a' AS char(5)) AS c, CAST('a' AS text) AS t,"
      " CAST(1 AS numeric(6,2)) AS n, CAST(1 AS integer) AS i, CAST(1 AS bigint) AS b,"
      " CAST(1 AS smallint) AS s, CAST(1 AS float8) AS f, CAST('2024-01-01' AS date) AS d,"
      " CAST('2024-01-01' AS timestamp) AS ts, CAST('a' AS bytea) AS by,"
      " CAST('1 day' AS interval) AS iv");
  ASSERT_EQ(r.rc, sql_no_data) << session_.sqlca().message;
  struct row {
    const char* name;
    int type, length, precision, scale, chars, bytes, nls;
  };
  const row want[] = {
      {"v", 1, 40, 0, 0, 10, 40, 1},        // varchar(n): bytes as the driver counts them
      {"c", 96, 20, 0, 0, 5, 20, 1},        // char(n)
      {"t", 1, 4000, 0, 0, 4000, 4000, 1},  // text: VARCHAR at the data source's limit
      {"n", 2, 22, 6, 2, 0, 22, 0},         // numeric(p,s)
      {"i", 2, 22, 10, 0, 0, 22, 0},        // integer
      {"b", 2, 22, 19, 0, 0, 22, 0},        // bigint
      {"s", 2, 22, 5, 0, 0, 22, 0},         // smallint
      {"f", 2, 22, 0, 0, 0, 22, 0},         // float8: undeclared precision
      {"d", 12, 7, 0, 0, 0, 7, 0},          // date
      {"ts", 12, 7, 0, 0, 0, 7, 0},         // timestamp
      {"by", 23, 2000, 0, 0, 0, 2000, 0},   // bytea: RAW
      {"iv", 1, 32, 0, 0, 32, 32, 1},       // interval: text
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

TEST_F(DbOdbcTest, ValuesAsText) {
  logon();
  ASSERT_EQ(exec("CREATE TEMP TABLE t(k int, n numeric(6,2), nn numeric, f float8, d date,"
                 " ts timestamp, b bytea, c char(4), v varchar(20))"),
            0);
  ASSERT_EQ(exec("INSERT INTO t VALUES"
                 " (1, 12.345, 1.50, 0.1, '2024-03-05', '1999-12-31 23:59:59', '\\x00ff', 'ab',"
                 "  'Grüße'),"
                 " (2, -0.004, -12345678901234567890.125, -2.5e-7, '2000-02-29',"
                 "  '2024-01-01 00:00:00', '', 'abcd', ''),"
                 " (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"),
            0);
  query_result r = run_query(session_, "SELECT n, nn, f, d, ts, b, c, v FROM t ORDER BY k", 40);
  ASSERT_EQ(r.rc, sql_no_data) << session_.sqlca().message;
  EXPECT_EQ(r.rows, (std::vector<std::string>{
                        // stored rounded; trailing zeros dropped; shortest real; dates as
                        // DD-MON-RR; bytea as hex; char padded
                        "12.35|1.5|0.1|05-MAR-24|31-DEC-99|00FF|ab  |Grüße",
                        "0|-12345678901234567890.125|-2.5e-07|29-FEB-00|01-JAN-24||abcd|",
                        "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
                    }));
  EXPECT_EQ(session_.rollback(false), 0);
}

TEST_F(DbOdbcTest, LongTextCutToTheBuffer) {
  logon();
  query_result r =
      run_query(session_,
                "SELECT repeat('x', 5000) AS a, 'ab' || chr(8364) || 'cd' AS b,"
                " CAST('\\x0102030405' AS bytea) AS c, CAST(123456789 AS integer) AS d",
                4);
  ASSERT_EQ(r.rc, sql_no_data) << session_.sqlca().message;
  // Cut on a character boundary; the indicator gives the whole length.
  EXPECT_EQ(r.rows, std::vector<std::string>({"xxxx~5000|ab~7|0102~10|1234~9"}));
}

TEST_F(DbOdbcTest, FailuresAndTheirCodes) {
  logon();
  struct row {
    const char* sql;
    int32_t code;
    const char* message;
  };
  const row cases[] = {
      {"SELEC 1", -900, "ERROR: syntax error at or near \"SELEC\""},
      {"SELECT a FROM nowhere", -942, "ERROR: relation \"nowhere\" does not exist"},
      {"SELECT nosuch FROM pg_class", -904, "ERROR: column \"nosuch\" does not exist"},
      {"SELECT CAST('abc' AS integer)", -1722,
       "ERROR: invalid input syntax for type integer: \"abc\""},
      {"SELECT 1/0", -1476, "ERROR: division by zero"},
      {"SELECT CAST(100000 AS smallint)", -1426, "ERROR: smallint out of range"},
  };
  for (const row& c : cases) {
    SCOPED_TRACE(c.sql);
    query_result r = run_query(session_, c.sql);
    EXPECT_EQ(r.rc, c.code);
    EXPECT_EQ(session_.sqlca().message.rfind(c.message, 0), 0u) << session_.sqlca().message;
    // The failed statement spoiled the transaction; a rollback makes it usable again.
    EXPECT_EQ(session_.rollback(false), 0);
  }
  EXPECT_EQ(run_query(session_, "SELECT 1").rows, std::vector<std::string>({"1"}));
}

TEST_F(DbOdbcTest, CommitAndRollback) {
  logon();
  ASSERT_EQ(exec("CREATE TEMP TABLE t(a int) ON COMMIT PRESERVE ROWS"), 0);
  ASSERT_EQ(session_.commit(false), 0);
  ASSERT_EQ(exec("INSERT INTO t VALUES (1)"), 0);
  ASSERT_EQ(session_.rollback(false), 0);
  EXPECT_EQ(run_query(session_, "SELECT count(*) FROM t").rows, std::vector<std::string>({"0"}));
  {
    // A statement without a result set describes empty and fetches no row.
    db_statement st(session_);
    db_descriptor d(60);
    ASSERT_EQ(st.prepare("INSERT INTO t VALUES (2)"), 0);
    ASSERT_EQ(st.declare(), 0);
    ASSERT_EQ(st.open(), 0);
    ASSERT_EQ(st.describe(d), 0);
    EXPECT_EQ(d.found, 0);
    EXPECT_EQ(st.fetch(d), sql_no_data);
  }
  ASSERT_EQ(session_.commit(false), 0);
  ASSERT_EQ(session_.rollback(false), 0);
  EXPECT_EQ(run_query(session_, "SELECT a FROM t").rows, std::vector<std::string>({"2"}));
  EXPECT_EQ(session_.commit(true), 0);
  EXPECT_FALSE(session_.logged_on());
  EXPECT_EQ(session_.commit(false), sql_not_logged_on);
}

// A private server, so that stopping it disturbs no other test. Stopped (and
// its folder removed) at the end whatever happened.
class private_server {
 public:
  private_server()
      : script_(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                "scripts/pg-server.sh") {}
  ~private_server() { (void)run("stop"); }
  // Runs the script; returns the port its `start` printed, or "" on failure.
  std::string run(const char* cmd) {
    std::string command = script_ + " " + cmd + " " + dir_.path() + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return "";
    std::string out;
    char line[512];
    while (fgets(line, sizeof line, p)) out += line;
    if (pclose(p) != 0) {
      ADD_FAILURE() << command << ":\n" << out;
      return "";
    }
    const char key[] = "export COLLECTOR_PG_PORT=";
    size_t at = out.find(key);
    if (at == std::string::npos) return "ok";
    at += sizeof key - 1;
    return out.substr(at, out.find('\n', at) - at);
  }

 private:
  temp_dir dir_;
  std::string script_;
};

TEST_F(DbOdbcTest, ServerStoppedUnderAnOpenSession) {
  private_server server;
  std::string port = server.run("start");
  ASSERT_FALSE(port.empty());
  std::string cs = "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + port +
                   ";DATABASE=collector;TextAsLongVarchar=0;UseServerSidePrepare=0";
  ASSERT_EQ(session_.logon_remote(user_pw_, cs), 0) << session_.sqlca().message;
  db_statement st(session_);
  ASSERT_EQ(st.prepare("SELECT 1"), 0);
  ASSERT_EQ(server.run("stop"), "ok");
  int32_t rc = st.prepare("SELECT 2");
  if (rc == 0) rc = st.declare();
  if (rc == 0) rc = st.open();
  EXPECT_EQ(rc, sql_link_lost) << session_.sqlca().message;
  // Later steps do not reach for the lost link; releasing ends the session.
  EXPECT_EQ(st.prepare("SELECT 3"), sql_not_connected);
  EXPECT_EQ(session_.commit(false), sql_not_connected);
  EXPECT_EQ(session_.rollback(true), sql_not_connected);
  EXPECT_FALSE(session_.logged_on());
  // While it is down a logon is refused; once it is back a logon works.
  EXPECT_EQ(session_.logon_remote(user_pw_, cs), sql_no_listener);
  ASSERT_EQ(server.run("start"), port);
  ASSERT_EQ(session_.logon_remote(user_pw_, cs), 0) << session_.sqlca().message;
  EXPECT_EQ(run_query(session_, "SELECT 4").rows, std::vector<std::string>({"4"}));
  EXPECT_EQ(session_.rollback(true), 0);
}

TEST(DbOdbcCodesTest, StatesAsSqlcodes) {
  struct row {
    odbc_diag diag;
    bool oracle;
    int32_t code;
  };
  const row cases[] = {
      {{"08001", 101, "FATAL:  password authentication failed for user \"x\""}, false, -1017},
      {{"08001", 101, "could not connect: Connection refused"}, false, -12541},
      {{"28000", 0, "Login failed"}, false, -1017},
      {{"HY000", 1017, "ORA-01017: invalid username/password"}, true, -1017},  // passed through
      {{"HY000", 942, "ORA-00942: table or view does not exist"}, true, -942},
      {{"HY000", 3113, "ORA-03113: end-of-file on communication channel"}, true, -3113},
      {{"08S01", 35, "Could not send query"}, false, -3113},
      {{"HY000", 7, "server closed the connection unexpectedly"}, false, -3113},
      {{"22P02", 7, "invalid input syntax"}, false, -1722},
      {{"25P02", 7, "current transaction is aborted"}, false, -200007},  // no counterpart
      {{"HY000", 0, "something else"}, false, -200000},
      {{"", 0, ""}, true, -200000},  // no native number even from Oracle's driver
  };
  for (const row& c : cases) EXPECT_EQ(odbc_map_code(c.diag, c.oracle), c.code) << c.diag.message;
}

TEST(DbOdbcCodesTest, OracleTypesDescribe) {
  struct row {
    SQLSMALLINT sql_type;
    SQLULEN size;
    const char* type_name;
    bool oracle;
    int type, nls, length;
  };
  const row cases[] = {
      {SQL_WVARCHAR, 10, "NVARCHAR2", true, 1, 2, 20},  // national from Oracle's driver
      {SQL_WVARCHAR, 10, "varchar", false, 1, 1, 10},   // any other driver's wide text
      {SQL_WCHAR, 3, "NCHAR", true, 96, 2, 6},
      {SQL_VARCHAR, 18, "ROWID", true, 11, 0, 18},  // told by the type name
      {SQL_LONGVARCHAR, 0, "LONG", true, 8, 0, 0},
      {SQL_LONGVARBINARY, 0, "LONG RAW", true, 24, 0, 0},
      {SQL_VARBINARY, 16, "RAW", true, 23, 0, 16},
      {SQL_WLONGVARCHAR, 0, "text", false, 8, 0, 0},  // text as LONG VARCHAR: LONG
      {SQL_INTERVAL_DAY, 10, "INTERVAL", true, SQL_INTERVAL_DAY, 0, 10},  // unknown: as is
  };
  for (const row& c : cases) {
    db_item it;
    odbc_describe_item(c.sql_type, c.size, 0, 0, c.type_name, c.oracle, &it);
    EXPECT_EQ(it.type, c.type) << c.type_name;
    EXPECT_EQ(it.nls_flag, c.nls) << c.type_name;
    EXPECT_EQ(it.length, c.length) << c.type_name;
  }
}

TEST(DbOdbcCodesTest, ConnectionStrings) {
  EXPECT_EQ(odbc_connection_string("scott", "tiger", "prod"), "DSN=prod;UID=scott;PWD=tiger;");
  EXPECT_EQ(odbc_connection_string("scott", "a;b}c", "DRIVER=x;SERVER=h"),
            "DRIVER=x;SERVER=h;UID=scott;PWD={a;b}}c};");
  EXPECT_EQ(odbc_connection_string("", "", "prod"), "DSN=prod;");
}

}  // namespace
