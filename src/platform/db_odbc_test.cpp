// The ODBC backend against a real PostgreSQL server reached through psqlODBC
// (scripts/pg-server.sh; skipped when COLLECTOR_TEST_DSN is not set): logon
// forms, how server types describe, fetched values, transactions, and a session
// the server ends while it is open. Also the backend's mapping tables.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <tuple>

#include "db_test_util.h"
#include "platform/db_client.h"
#include "platform/db_odbc_codes.h"

namespace {

class DbOdbcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dsn = getenv("COLLECTOR_TEST_DSN");
    if (!dsn || !*dsn) GTEST_SKIP() << "COLLECTOR_TEST_DSN not set (scripts/test.sh sets it)";
    dsn_ = dsn;
    user_pw_ = std::string(getenv("COLLECTOR_TEST_USER")) + "/" + getenv("COLLECTOR_TEST_PASSWORD");
  }
  void logon() { ASSERT_EQ(session_.logon_remote(user_pw_, dsn_), 0) << session_.sqlca().message; }
  // An ODBC connection string for the server on `port`.
  static std::string direct(const std::string& port) {
    return "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + port +
           ";DATABASE=collector;TextAsLongVarchar=0;UseServerSidePrepare=0";
  }

  std::string dsn_, user_pw_;
  db_session session_;
};

TEST_F(DbOdbcTest, Logons) {
  const struct {
    std::string user_pw, connect;
    int32_t code;
    const char* message_part;  // within the message
  } cases[] = {
      {user_pw_, dsn_, 0, ""},                                 // data source name
      {user_pw_, direct(getenv("COLLECTOR_PG_PORT")), 0, ""},  // connection string
      {user_pw_, "no_such_dsn", -12154, "Data source name not found"},
      {user_pw_, direct("1"), -12541, "Connection refused"},  // nothing listens on port 1
      {user_pw_, "", -12154, "no data source: the connect string is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user_pw + " @ " + c.connect);
    db_session s;
    EXPECT_EQ(s.logon_remote(c.user_pw, c.connect), c.code);
    EXPECT_EQ(s.remote(), c.code == 0);
    EXPECT_NE(s.sqlca().message.find(c.message_part), std::string::npos) << s.sqlca().message;
    EXPECT_EQ(s.sqlca().message.find('\n'), std::string::npos);
  }
}

TEST_F(DbOdbcTest, ServerTypesDescribe) {
  logon();
  std::string sql = "SELECT ";
  std::vector<std::string> want;
  for (const auto& row : data_rows("platform/odbc_types.txt", 2)) {
    std::string name = "c" + std::to_string(want.size());
    sql += std::string(want.empty() ? "" : ", ") + "CAST(NULL AS " + row[0] + ") AS " + name;
    want.push_back(name + " " + row[1]);
  }
  EXPECT_EQ(described_items(run_query(session_, sql)), want) << session_.sqlca().message;
}

TEST_F(DbOdbcTest, ValuesAsText) {
  logon();
  ASSERT_EQ(exec_sql(session_,
                     "CREATE TEMP TABLE t(k int, n numeric(6,2), nn numeric, f float8, d date,"
                     " ts timestamp, b bytea, c char(4), v varchar(20))"),
            0);
  ASSERT_EQ(exec_sql(session_,
                     "INSERT INTO t VALUES (1, 12.345, 1.50, 0.1, '2024-03-05',"
                     " '1999-12-31 23:59:59', '\\x00ff', 'ab', 'Grüße'), (2, -0.004,"
                     " -12345678901234567890.125, -2.5e-7, '2000-02-29', '2024-01-01 00:00:00',"
                     " '', 'abcd', ''), (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"),
            0);
  EXPECT_EQ(run_query(session_, "SELECT n, nn, f, d, ts, b, c, v FROM t ORDER BY k").rows,
            (std::vector<std::string>{
                // stored rounded; trailing zeros dropped; shortest real; dates as
                // DD-MON-RR; bytea as hex; char padded
                "12.35|1.5|0.1|05-MAR-24|31-DEC-99|00FF|ab  |Grüße",
                "0|-12345678901234567890.125|-2.5e-07|29-FEB-00|01-JAN-24||abcd|",
                "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
            }));
}

TEST_F(DbOdbcTest, CommitAndRollback) {
  logon();
  ASSERT_EQ(exec_sql(session_, "CREATE TEMP TABLE t(a int) ON COMMIT PRESERVE ROWS"), 0);
  ASSERT_EQ(session_.commit(false), 0);
  ASSERT_EQ(exec_sql(session_, "INSERT INTO t VALUES (1)"), 0);
  ASSERT_EQ(session_.rollback(false), 0);
  // A statement without a result set describes empty and fetches no row.
  query_result r = run_query(session_, "INSERT INTO t VALUES (2)");
  EXPECT_EQ(r.rc, sql_no_data);
  EXPECT_TRUE(r.items.empty() && r.rows.empty());
  ASSERT_EQ(session_.commit(false), 0);
  ASSERT_EQ(session_.rollback(false), 0);
  EXPECT_EQ(run_query(session_, "SELECT a FROM t").rows, std::vector<std::string>({"2"}));
}

TEST_F(DbOdbcTest, ServerEndsAnOpenSession) {
  logon();
  db_statement st(session_);
  ASSERT_EQ(st.prepare("SELECT 1"), 0);
  // A second session ends the server process of the first, as a stopping server does.
  db_session admin;
  ASSERT_EQ(admin.logon_remote(user_pw_, dsn_), 0);
  const std::string pid = run_query(session_, "SELECT pg_backend_pid()").rows.at(0);
  ASSERT_EQ(run_query(admin, "SELECT pg_terminate_backend(" + pid + ")").rows,
            std::vector<std::string>({"1"}));
  int32_t rc = st.prepare("SELECT 2");
  if (rc == 0) rc = st.declare();
  if (rc == 0) rc = st.open();
  EXPECT_EQ(rc, sql_link_lost) << session_.sqlca().message;
  // Later steps do not reach for the lost link; releasing ends the session.
  EXPECT_EQ(st.prepare("SELECT 3"), sql_not_connected);
  EXPECT_EQ(session_.commit(false), sql_not_connected);
  EXPECT_EQ(session_.rollback(true), sql_not_connected);
  EXPECT_FALSE(session_.logged_on());
  logon();
  EXPECT_EQ(run_query(session_, "SELECT 4").rows, std::vector<std::string>({"4"}));
}

TEST(DbOdbcCodesTest, StatesAsSqlcodes) {
  for (const auto& row : data_rows("platform/odbc_states.txt", 5))
    EXPECT_EQ(odbc_map_code({row[0], std::stoi(row[1]), row[2]}, row[3] == "1"), std::stoi(row[4]))
        << row[2];
}

TEST(DbOdbcCodesTest, OracleTypesDescribe) {
  const std::tuple<SQLSMALLINT, SQLULEN, const char*, bool, std::vector<int>> cases[] = {
      // ODBC type, size, type name, from Oracle's driver; type, nls flag, length
      {SQL_WVARCHAR, 10, "NVARCHAR2", true, {1, 2, 20}},  // national from Oracle's driver
      {SQL_WVARCHAR, 10, "varchar", false, {1, 1, 10}},   // any other driver's wide text
      {SQL_WCHAR, 3, "NCHAR", true, {96, 2, 6}},
      {SQL_VARCHAR, 18, "ROWID", true, {11, 0, 18}},  // told by the type name
      {SQL_LONGVARCHAR, 0, "LONG", true, {8, 0, 0}},
      {SQL_LONGVARBINARY, 0, "LONG RAW", true, {24, 0, 0}},
      {SQL_VARBINARY, 16, "RAW", true, {23, 0, 16}},
      {SQL_WLONGVARCHAR, 0, "text", false, {8, 0, 0}},  // text as LONG VARCHAR: LONG
      {SQL_INTERVAL_DAY, 10, "INTERVAL", true, {SQL_INTERVAL_DAY, 0, 10}},  // unknown: as is
  };
  for (const auto& [sql_type, size, type_name, oracle, want] : cases) {
    db_item it;
    odbc_describe_item(sql_type, size, 0, 0, type_name, oracle, &it);
    EXPECT_EQ(std::vector<int>({it.type, it.nls_flag, it.length}), want) << type_name;
  }
}

TEST(DbOdbcCodesTest, ConnectionStrings) {
  EXPECT_EQ(odbc_connection_string("scott", "tiger", "prod"), "DSN=prod;UID=scott;PWD=tiger;");
  EXPECT_EQ(odbc_connection_string("scott", "a;b}c", "DRIVER=x;SERVER=h"),
            "DRIVER=x;SERVER=h;UID=scott;PWD={a;b}}c};");  // braces quote and double
  EXPECT_EQ(odbc_connection_string("", "", "prod"), "DSN=prod;");
}

}  // namespace
