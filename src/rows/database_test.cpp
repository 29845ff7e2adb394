// The database session on real SQLite files: the local logon forms through the
// collector's process definition, the memory of a refused password, the
// password-expiry warning, the server-status text, and commit and rollback.
#include "rows/database.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <tuple>

#include "platform/db_client.h"
#include "sql_fixture.h"

namespace {

class DatabaseTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    db_state.servstatus = status_;
    db_state.servstatus_len = 8;
    memset(status_, '#', sizeof status_);
  }
  std::string status() const { return std::string(status_, 8); }
  char status_[9] = {};
};

const char* kLogonTable =
    "CREATE TABLE collector_logon(logon_id TEXT, password TEXT, account_status TEXT);";

TEST_F(DatabaseTest, LocalLogonForms) {
  make_db("CREATE TABLE t(a INTEGER);");
  tracing.trace_all = 1;
  PrintCapture capture;
  EXPECT_EQ(connect_to_DB(coll_), 0);
  EXPECT_EQ(capture.lines(), "OIN0105T Connecting to Oracle, user:scott\n");
  EXPECT_STREQ(database_info.db_kind, "ORA");
  EXPECT_STREQ(db_state.pword, "tiger");
  // Without a password the logon is by operating-system authentication, not checked.
  rollback();
  coll_->password[0] = '\0';
  EXPECT_EQ(connect_to_DB(coll_), 0);
  EXPECT_STREQ(db_state.pword, "/");
}

TEST_F(DatabaseTest, RefusedPasswordIsNeverTriedAgain) {
  make_db(kLogonTable);
  make_db("INSERT INTO collector_logon VALUES('scott', 'lion', 'OPEN');");
  {
    PrintCapture capture;
    EXPECT_EQ(connect_to_DB(coll_), -1017);
    EXPECT_EQ(capture.lines(),
              "RCD0100E Unable to connect to ORACLE at collector\n"
              "RCD0105E Connect sql code = -1017\n"
              "RCD0105E Connect sql code msg detail = invalid username/password; logon denied\n");
  }
  EXPECT_EQ(status(), "-1017   ");
  EXPECT_EQ(database_info.session_status, 1);
  // Even with the database gone (which would answer -1034) the refusal stands.
  ASSERT_EQ(unlink(dir_.file("coll.db").c_str()), 0);
  memset(status_, '#', sizeof status_);
  PrintCapture capture;
  EXPECT_EQ(connect_to_DB(coll_), -1017);
  EXPECT_EQ(capture.lines(),
            "RCD0110E Invalid Oracle logon id (scott) or password given\n"
            " Please contact DBA to correct userid or password\n");
  EXPECT_EQ(status(), "-1017   ");
}

TEST_F(DatabaseTest, AccountStatesAtLogon) {
  const std::tuple<const char*, int, const char*> cases[] = {
      // account status, result, messages
      // password expires soon: logged on, the warning and its detail reported
      {"EXPIRED(GRACE)", 0,
       "RCD0105W Connect sql code = 28002\n"
       "RCD0105W Connect sql code msg detail = the password will expire soon\n"},
      // locked: refused, but not remembered
      {"LOCKED", -28000,
       "RCD0100E Unable to connect to ORACLE at collector\n"
       "RCD0105E Connect sql code = -28000\n"
       "RCD0105E Connect sql code msg detail = the account is locked\n"},
  };
  make_db(kLogonTable);
  for (auto [account_status, code, messages] : cases) {
    make_db(("DELETE FROM collector_logon; INSERT INTO collector_logon VALUES('scott', 'tiger', '" +
             std::string(account_status) + "');")
                .c_str());
    rollback();
    PrintCapture capture;
    EXPECT_EQ(connect_to_DB(coll_), code);
    EXPECT_EQ(capture.lines(), messages);
  }
  // After the lock is lifted the next pass tries again and succeeds; within
  // the pass the refusal stands.
  make_db("UPDATE collector_logon SET account_status = 'OPEN';");
  EXPECT_EQ(connect_to_DB(coll_), -28000);
  database_new_pass();
  EXPECT_EQ(connect_to_DB(coll_), 0);
}

TEST_F(DatabaseTest, CommitAndRollback) {
  make_db("CREATE TABLE t(a INTEGER);");
  EXPECT_EQ(commit_collect(1), 0);  // released: nothing is done
  ASSERT_EQ(connect_to_DB(coll_), 0);
  EXPECT_EQ(commit_collect(0), 0);
  EXPECT_TRUE(database_connected());
  // A requested restart survives the commit that releases the session.
  database_info.session_status = 2;
  EXPECT_EQ(commit_collect(1), 0);
  EXPECT_FALSE(database_connected());
  EXPECT_EQ(database_info.session_status, 2);
}

TEST_F(DatabaseTest, ClassifyingSteps) {
  make_db("CREATE TABLE t(a INTEGER);");
  ASSERT_EQ(connect_to_DB(coll_), 0);
  db_sqlca& ca = database_session()->sqlca();
  for (const auto& row : data_rows("rows/sql_codes.txt", 5)) {  // the rows of that file
    ca.set(std::stoi(row[0]), "gone");
    PrintCapture capture;
    EXPECT_EQ(check_sql_code("SELECT 1", "OPEN", std::stoi(row[1])), std::stoi(row[2])) << row[0];
    EXPECT_EQ(capture.lines(), row[3]);
    EXPECT_EQ(status(), row[4]) << row[0];
  }
  ca.set(-1012, "");  // a success-like code is cleared
  check_sql_code("SELECT 1", "OPEN", 1);
  EXPECT_EQ(ca.sqlcode, 0);
}

}  // namespace
