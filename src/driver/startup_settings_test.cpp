// The settings steps after PROCESS.CTL: disabled cursors exported, the
// settings listing, the required-settings stop, the machine id, the logon
// taken from the collector's process record and the dictionary parameters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "child_run.h"
#include "ctl/arena.h"
#include "ctl/distributor.h"
#include "driver/startup.h"
#include "message_lines.h"
#include "scoped_env.h"
#include "test_state.h"
#include "util/trace.h"

namespace {
class StartupSettings : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }

  // All four required settings present.
  static void set_required() {
    env_vars.serverid = "S1";
    env_vars.hostname = "host1";
    env_vars.logonid = "scott";
    env_vars.db_type = "zdb";
  }
};

TEST_F(StartupSettings, DisabledCursorsAreExported) {
  struct row {
    std::optional<std::string> value;  // COLL_DISABLE_CURSORS as get_envs read it
    std::vector<std::string> lines;
    std::vector<std::pair<const char*, const char*>> exported;
  } rows[] = {
      // Blanks removed, upper-cased; KF1 gets its file-id condition.
      {"kf1, abc",
       {"CML1526I Disable Cursors Environment Settings:",
        "CML1527I \t COLL_DISABLE_CURSORS=KF1,ABC",
        "CML1527I \t COLL_DISABLE_CURSOR_KF1=AND FIL.FILE_ID < 128",
        "CML1527I \t COLL_DISABLE_CURSOR_ABC=1"},
       {{"COLL_DISABLE_CURSOR_KF1", "AND FIL.FILE_ID < 128"}, {"COLL_DISABLE_CURSOR_ABC", "1"}}},
      // KF4 is 0; empty names between commas name nothing.
      {" Kf4,,x ,",
       {"CML1526I Disable Cursors Environment Settings:",
        "CML1527I \t COLL_DISABLE_CURSORS=KF4,,X,", "CML1527I \t COLL_DISABLE_CURSOR_KF4=0",
        "CML1527I \t COLL_DISABLE_CURSOR_X=1"},
       {{"COLL_DISABLE_CURSOR_KF4", "0"},
        {"COLL_DISABLE_CURSOR_X", "1"},
        {"COLL_DISABLE_CURSOR_", nullptr}}},
      // Only blanks: listed, nothing exported.
      {"   ",
       {"CML1526I Disable Cursors Environment Settings:", "CML1527I \t COLL_DISABLE_CURSORS="},
       {{"COLL_DISABLE_CURSOR_", nullptr}}},
      // Not set.
      {std::nullopt, {"CML1526I Disable Cursors Environment is not set..."}, {}},
  };
  for (const row& r : rows) {
    reset_process_state();
    ScopedEnv env;
    for (const char* name :
         {"COLL_DISABLE_CURSOR_KF1", "COLL_DISABLE_CURSOR_ABC", "COLL_DISABLE_CURSOR_KF4",
          "COLL_DISABLE_CURSOR_X", "COLL_DISABLE_CURSOR_"})
      env.unset(name);
    globals.disable_cursors = r.value;
    OutputCapture capture;
    apply_disabled_cursors();
    SCOPED_TRACE(r.value.value_or("(unset)"));
    EXPECT_EQ(message_lines(capture.finish()), r.lines);
    for (const auto& [name, value] : r.exported) {
      if (value)
        EXPECT_STREQ(getenv(name), value) << name;
      else
        EXPECT_EQ(getenv(name), nullptr) << name;
    }
  }
}

TEST_F(StartupSettings, EachRequiredSettingIsChecked) {
  const char* env_table::*required[] = {&env_table::serverid, &env_table::hostname,
                                        &env_table::logonid, &env_table::db_type};
  for (auto slot : required) {
    for (const char* missing : {static_cast<const char*>(nullptr), ""}) {
      reset_process_state();
      set_required();
      env_vars.*slot = missing;
      OutputCapture capture;
      EXPECT_EQ(settle_settings(nullptr), -1003);
      std::vector<std::string> lines = message_lines(capture.finish());
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.back(), "CML1528S Missing required environment variables.");
    }
  }
  // With all four present and tracing off, no listing and no stop.
  reset_process_state();
  set_required();
  OutputCapture capture;
  EXPECT_EQ(settle_settings(nullptr), 0);
  EXPECT_EQ(message_lines(capture.finish()),
            std::vector<std::string>{"CML1526I Disable Cursors Environment is not set..."});
}

TEST_F(StartupSettings, LogonFromTheCollectorProcessAndDictionaryParameters) {
  // No logon on the command line or in the environment: PROCESS.CTL's is used.
  // A server id too long for the process record is cut to its field.
  const std::string long_server(40, 'S');
  env_vars.hostname = "host1";
  env_vars.db_type = "zdb";
  env_vars.serverid = long_server.c_str();
  env_vars.errorlog = "/e";
  env_vars.db_home = "/db";
  env_vars.db_version = "19";
  globals.dict_parms.emplace_back("custom", "from the command line");
  distributor* collector = process_arena().make<distributor>();
  strcpy(collector->logon_id, "procuser");
  strcpy(collector->password, "procpw");
  strcpy(collector->server_id, "PROCSRV");
  OutputCapture capture;
  EXPECT_EQ(settle_settings(collector), 0);
  capture.finish();
  EXPECT_EQ(env_vars.logonid, collector->logon_id);
  EXPECT_EQ(env_vars.password, collector->password);
  EXPECT_EQ(std::string(collector->server_id), std::string(33, 'S'));
  EXPECT_EQ(globals.dict_parms,
            (std::vector<std::pair<std::string, std::string>>{{"custom", "from the command line"},
                                                              {"rdbms", long_server},
                                                              {"errlog", "/e"},
                                                              {"logonid", "procuser"},
                                                              {"dbhome", "/db"},
                                                              {"dbversion", "19"},
                                                              {"dbtype", "zdb"},
                                                              {"password", "procpw"}}));
}

TEST_F(StartupSettings, MachineIdIsHostServerAndBlanks) {
  struct row {
    std::optional<std::string> hostname;
    std::optional<std::string> serverid;
    std::string expected;  // 160 bytes
  } rows[] = {
      {"alpha", "S1", "alpha" + std::string(59, ' ') + "S1" + std::string(30 + 64, ' ')},
      // Longer texts are cut at 64 and 32 characters.
      {std::string(70, 'h'), std::string(40, 's'),
       std::string(64, 'h') + std::string(32, 's') + std::string(64, ' ')},
      {std::nullopt, std::nullopt, std::string(160, ' ')},
  };
  for (const row& r : rows) {
    env_vars.hostname = r.hostname ? r.hostname->c_str() : nullptr;
    env_vars.serverid = r.serverid ? r.serverid->c_str() : nullptr;
    memset(globals.machine_id, 'x', sizeof globals.machine_id);
    build_machine_id();
    EXPECT_EQ(std::string(globals.machine_id, 160), r.expected);
  }
}
}  // namespace
