// The database client's common behaviour, run on both backends: a local SQLite
// file, and over ODBC the PostgreSQL server of the test run (skipped when
// COLLECTOR_TEST_DSN is not set). The SQLCODEs and messages of failures,
// values cut to a short buffer, and the statement timeout.
#include "platform/db_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "db_test_util.h"
#include "platform/db_limits.h"
#include "test_state.h"
#include "util/settings.h"

namespace {

class DbClientTest : public ::testing::TestWithParam<bool> {
 protected:
  // Logs on to the backend of the parameter (true: remote) with a table t(a).
  void SetUp() override {
    reset_process_state();
    if (remote()) {
      const char* dsn = getenv("COLLECTOR_TEST_DSN");
      if (!dsn || !*dsn) GTEST_SKIP() << "COLLECTOR_TEST_DSN not set (scripts/test.sh sets it)";
      std::string user_pw =
          std::string(getenv("COLLECTOR_TEST_USER")) + "/" + getenv("COLLECTOR_TEST_PASSWORD");
      ASSERT_EQ(session_.logon_remote(user_pw, dsn), 0) << session_.sqlca().message;
      ASSERT_EQ(exec_sql(session_, "CREATE TEMP TABLE t(a integer)"), 0);
      ASSERT_EQ(session_.commit(false), 0);
    } else {
      env_vars.serverid = env_store("ORCL");
      env_vars.db_home = env_store(dir_.path());
      make_sqlite_file(dir_.file("ORCL.db"), "CREATE TABLE t(a INTEGER);");
      ASSERT_EQ(session_.logon_os(), 0) << session_.sqlca().message;
    }
  }
  void TearDown() override {
    reset_process_state();
    db_set_timeouts({});
  }
  bool remote() const { return GetParam(); }

  ScratchDir dir_;
  db_session session_;
};

INSTANTIATE_TEST_SUITE_P(Backends, DbClientTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Sqlite"; });

TEST_P(DbClientTest, FailuresAndTheirCodes) {
  for (const auto& row : data_rows("platform/failures.txt", 4)) {
    const std::string& want = row[remote() ? 3 : 2];
    if (want == "-") continue;
    SCOPED_TRACE(row[0]);
    int32_t code = std::stoi(row[1]);
    EXPECT_EQ(run_query(session_, row[0]).rc, code);
    EXPECT_EQ(session_.sqlca().sqlcode, code);
    const std::string& message = session_.sqlca().message;
    EXPECT_EQ(remote() ? message.substr(0, want.size()) : message, want);
    EXPECT_EQ(message.find('\n'), std::string::npos);
    // A failed statement spoils a server's transaction; a rollback makes it usable again.
    EXPECT_EQ(session_.rollback(false), 0);
  }
  EXPECT_EQ(run_query(session_, "SELECT 1").rows, std::vector<std::string>({"1"}));
}

TEST_P(DbClientTest, ValuesCutToTheBuffer) {
  for (const auto& row : data_rows("platform/short_values.txt", 3)) {
    const std::string& sql = remote() && row[1] != "-" ? row[1] : row[0];
    query_result r = run_query(session_, sql, 4);
    EXPECT_EQ(r.rc, sql_no_data) << sql << ": " << session_.sqlca().message;
    EXPECT_EQ(r.rows, std::vector<std::string>({row[2]})) << sql;
  }
}

// A statement past the statement timeout is cancelled (-1013); the session
// goes on. (The login timeout meets a silent server in the end-to-end tests.)
TEST_P(DbClientTest, AStatementPastItsTimeIsCancelled) {
  db_set_timeouts({10, remote() ? 1000 : 200});
  const char* slow = remote() ? "SELECT pg_sleep(30)"
                              : "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                                "SELECT max(x) FROM c";
  EXPECT_EQ(run_query(session_, slow).rc, sql_cancelled) << session_.sqlca().message;
  EXPECT_EQ(run_query(session_, "SELECT 5").rows, std::vector<std::string>({"5"}));
}

}  // namespace
