// The session and cursor runs over ODBC against the real PostgreSQL server of
// the test run (skipped without COLLECTOR_TEST_DSN): remote logons through the
// collector's process definition and their refusal, NULLs, numbers, dates,
// long text, and a session the server ends between runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/db_client.h"
#include "sql_fixture.h"

namespace {

class OdbcRunTest : public SqlTest {
 protected:
  void SetUp() override {
    const char* dsn = getenv("COLLECTOR_TEST_DSN");
    if (!dsn || !*dsn) GTEST_SKIP() << "COLLECTOR_TEST_DSN not set";
    SqlTest::SetUp();
    coll_->type = 2;  // sql*net
    snprintf(coll_->logon_id, sizeof coll_->logon_id, "%s", getenv("COLLECTOR_TEST_USER"));
    snprintf(coll_->password, sizeof coll_->password, "%s", getenv("COLLECTOR_TEST_PASSWORD"));
    snprintf(coll_->server_id, sizeof coll_->server_id, "%s", getenv("COLLECTOR_TEST_DSN"));
  }

  // Runs statements that return no rows on the collector's session.
  void exec(const char* sql) {
    ASSERT_TRUE(database_connected() || connect_to_DB(coll_) == 0);
    ASSERT_EQ(exec_sql(*database_session(), sql), 0) << database_session()->sqlca().message;
  }
};

TEST_F(OdbcRunTest, RemoteLogonAndRefusal) {
  tracing.trace_all = 1;
  {
    PrintCapture capture;
    EXPECT_EQ(connect_to_DB(coll_), 0);
    EXPECT_EQ(capture.lines(), "OIN0110T Connecting to:collector_test, user:collector\n");
  }
  EXPECT_TRUE(database_session()->remote());
  EXPECT_EQ(commit_collect(1), 0);
  tracing.trace_all = 0;

  // The server's refusal of a password reads as the local one: -1017 and its messages.
  snprintf(coll_->password, sizeof coll_->password, "wrong");
  PrintCapture capture;
  EXPECT_EQ(connect_to_DB(coll_), -1017);
  EXPECT_EQ(capture.lines().substr(0, 84),
            "RCD0100E Unable to connect to ORACLE at collector\n"
            "RCD0105E Connect sql code = -1017\n");
}

TEST_F(OdbcRunTest, ValuesOfServerTypes) {
  exec(
      "CREATE TEMPORARY TABLE vals(k integer, n numeric(7,2), b bigint, d date,"
      " t varchar(300), c char(4), f double precision)");
  exec(
      "INSERT INTO vals VALUES (1, -12.5, 9000000000, '2011-12-04', repeat('y', 300), 'ab',"
      " 0.25), (2, NULL, NULL, NULL, NULL, NULL, NULL)");
  curs* cur = cursor("VALS", "SELECT k, n, b, d, t, c, f FROM vals ORDER BY k",
                     {"k", "n", "b", "d", "t", "c", "f"});
  ASSERT_EQ(run(cur), 0);
  std::vector<std::string> rows = texts(cur);
  ASSERT_EQ(rows.size(), 2u);
  // integer 12 bytes, numeric(7,2) 9, bigint 21, date 9, varchar(300) capped at 384,
  // char(4) 12, double 21.
  EXPECT_EQ(rows[0], std::string(11, ' ') + "1|    -12.5|" + std::string(11, ' ') +
                         "9000000000|04-DEC-11|" + std::string(300, 'y') + std::string(84, '|') +
                         "|ab  |||||||||" + std::string(17, ' ') + "0.25|");
  EXPECT_EQ(rows[1], std::string(11, ' ') + "2|" + std::string(8, ' ') + "0|" +
                         std::string(20, ' ') + "0|NULL     |NULL" + std::string(380, ' ') +
                         "|NULL" + std::string(8, ' ') + "|" + std::string(20, ' ') + "0|");
}

TEST_F(OdbcRunTest, ServerEndsTheSessionBetweenRuns) {
  curs* cur = cursor("PID", "SELECT pg_backend_pid() AS pid", {"pid"});
  ASSERT_EQ(run(cur), 0);
  EXPECT_EQ(commit_collect(0), 0);  // a continuous collector keeps its session
  std::string pid(cur->last_row->text(), static_cast<size_t>(cur->column_list->fmt_len));

  // The server process of the collector's session ends, as when the server stops.
  db_session admin;
  std::string user_pw =
      std::string(getenv("COLLECTOR_TEST_USER")) + "/" + getenv("COLLECTOR_TEST_PASSWORD");
  ASSERT_EQ(admin.logon_remote(user_pw, getenv("COLLECTOR_TEST_DSN")), 0);
  query_result killed = run_query(admin, "SELECT pg_terminate_backend(" + pid + ")");
  ASSERT_EQ(killed.rows, std::vector<std::string>{"1"});
  admin.rollback(true);

  // The next run fails and releases the session, the cursor is not held.
  int rc = run(cur);
  EXPECT_TRUE(rc == sql_link_lost || rc == sql_not_connected) << rc;
  EXPECT_FALSE(database_connected());
  EXPECT_EQ(cur->hold, 0);
  // The run after it logs on again and collects.
  EXPECT_EQ(run(cur), 0);
  EXPECT_EQ(cur->row_count, 2);
  EXPECT_NE(std::string(cur->last_row->text(), pid.size()), pid);
}

}  // namespace
