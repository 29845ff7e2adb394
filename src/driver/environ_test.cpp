// Settings from the environment: lookup modes and their messages, exporting,
// the symbolic lookup of control-file references, the defaults get_envs
// fills, and the steps after PROCESS.CTL (disabled cursors, the required
// settings, the logon from the collector's record, the machine id).
#include "driver/environ.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <sstream>

#include "child_run.h"
#include "ctl/arena.h"
#include "ctl/dict.h"
#include "ctl/distributor.h"
#include "driver/startup.h"
#include "message_lines.h"
#include "scoped_env.h"
#include "settings_text.h"
#include "test_state.h"
#include "util/trace.h"

namespace {
class Environment : public ::testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }
};

// The message lines of `output`, each ending in a newline.
std::string joined(const std::string& output) {
  std::string s;
  for (const std::string& l : message_lines(output)) s += l + "\n";
  return s;
}

// A data-file field as an optional text: "(null)" stands for none.
const char* opt(const std::string& field) { return field == "(null)" ? nullptr : field.c_str(); }

// Rows of tests/data/driver/getenv.txt.
TEST_F(Environment, GetenvModesAndMessages) {
  for (const auto& r : data_rows("driver/getenv.txt", 6)) {
    SCOPED_TRACE(r[0] + " mode " + r[1] + " trace " + r[3]);
    reset_process_state();
    if (r[3] != "-1") tracing.my_trace_all[std::stoi(r[3])] = 1;
    ScopedEnv env;
    env.set("T_ENV", opt(r[0]));
    OutputCapture capture;
    std::optional<std::string> got = u_getenv("T_ENV", std::stoi(r[1]), opt(r[2]));
    EXPECT_EQ(joined(capture.finish()), r[5]);
    EXPECT_EQ(got.value_or("(null)"), r[4]);
    if (!opt(r[0])) {
      EXPECT_EQ(getenv("T_ENV") != nullptr, r[1] == "-1" && opt(r[4]));
    }
  }
}

TEST_F(Environment, PutenvSetsRemovesAndRefuses) {
  ScopedEnv env;
  env.unset("T_PUT");
  EXPECT_STREQ(u_putenv("T_PUT", "v 1"), "v 1");
  EXPECT_STREQ(getenv("T_PUT"), "v 1");
  EXPECT_STREQ(u_putenv("T_PUT", nullptr), "");  // without a value it goes away
  EXPECT_EQ(getenv("T_PUT"), nullptr);
  // No name, and a name that would set A.
  for (const char* name : {"", "A=B", static_cast<const char*>(nullptr)}) {
    OutputCapture capture;
    EXPECT_EQ(u_putenv(name, "x"), nullptr);
    EXPECT_EQ(joined(capture.finish()), std::string("UEN0045E Environment variable \"") +
                                            (name ? name : "") + "\" could not be set.\n");
  }
  EXPECT_EQ(getenv("A"), nullptr);
}

// Rows of tests/data/driver/retrieve_env.txt.
TEST_F(Environment, RetrieveEnvVarBindsSymbolsToSlots) {
  for (const auto& r : data_rows("driver/retrieve_env.txt", 5)) {
    SCOPED_TRACE(r[0]);
    reset_process_state();
    ScopedEnv env;
    std::string upper = r[0];
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    env.set(upper, opt(r[2]));
    env.set("ORACLE_SID", "SID1");
    env.set("ORACLE_HOME", "/ora");
    env_vars.db_type = r[3].c_str();
    if (opt(r[1])) env_vars.logonid = r[1].c_str();
    const char* got = u_retrieveEnvVar(r[0].c_str());
    EXPECT_STREQ(got ? got : "(null)", r[4].c_str());
    if (got) {  // the slot keeps what was found
      EXPECT_EQ(u_retrieveEnvVar(r[0].c_str()), got);
    }
  }
}

// Rows of tests/data/driver/get_envs.txt.
TEST_F(Environment, GetEnvsFillsSlotsAndDefaults) {
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  struct utsname uts;
  ASSERT_EQ(uname(&uts), 0);
  const std::pair<std::string, std::string> system[] = {
      {"CWD", cwd}, {"HOST", uts.nodename}, {"USER", getpwuid(geteuid())->pw_name}};
  for (const auto& r : data_rows("driver/get_envs.txt", 2)) {
    SCOPED_TRACE(r[0]);
    reset_process_state();
    ScopedEnv env;
    std::istringstream names(
        "COLL_DEBUG HOME PWD USER COLL_HOME COLL_CTL_HOME COLL_BINPATH COLL_HOSTNAME "
        "COLL_SERVERID COLL_LOGON COLL_LOGONID COLL_PASSWORD COLL_VERSION COLL_VERSION_HOME "
        "COLL_PREFIX QVZLOGDIR COLL_PREFIX_LOCAL COLL_OUT COLL_DISABLE_CURSORS COLL_ERRORLOG "
        "COLL_DBVERSION MAXREADSZ_ERRORLOG COLL_USESHM COLL_DBHOME COLL_NOSIGNALS QVZCFGDIR"),
        words(r[0]);
    for (std::string name; names >> name;) env.unset(name);
    for (std::string w; words >> w;)
      env.set(w.substr(0, w.find('=')), w.substr(w.find('=') + 1).c_str());
    EXPECT_EQ(get_envs(env_vars), 1);
    std::string expected = r[1];
    for (const auto& [word, value] : system)
      for (size_t at; (at = expected.find(word)) != std::string::npos;)
        expected.replace(at, word.size(), value);
    EXPECT_EQ(settings_text(), expected);
  }
}

// Rows of tests/data/driver/disabled_cursors.txt.
TEST_F(Environment, DisabledCursorsAreExported) {
  for (const auto& r : data_rows("driver/disabled_cursors.txt", 2)) {
    SCOPED_TRACE(r[0]);
    reset_process_state();
    ScopedEnv env;
    for (const char* name : {"KF1", "ABC", "KF4", "X", ""})
      env.unset(std::string("COLL_DISABLE_CURSOR_") + name);
    if (opt(r[0])) environ_read.disable_cursors = r[0];
    OutputCapture capture;
    apply_disabled_cursors();
    std::string printed = joined(capture.finish());
    EXPECT_EQ(printed, r[1]);
    std::istringstream in(printed);
    for (std::string l; std::getline(in, l);)
      if (l.starts_with("CML1527I \t COLL_DISABLE_CURSOR_")) {
        EXPECT_STREQ(getenv(l.substr(11, l.find('=') - 11).c_str()),
                     l.substr(l.find('=') + 1).c_str());
      }
    EXPECT_EQ(getenv("COLL_DISABLE_CURSOR_"), nullptr);
  }
}

TEST_F(Environment, EachRequiredSettingIsChecked) {
  const char* env_table::*required[] = {&env_table::serverid, &env_table::hostname,
                                        &env_table::logonid, &env_table::db_type};
  // First all four present and tracing off: no listing and no stop; then each
  // one unset, and each one empty.
  for (int missing = -1; missing < 8; ++missing) {
    reset_process_state();
    env_vars.serverid = "S1";
    env_vars.hostname = "host1";
    env_vars.logonid = "scott";
    env_vars.db_type = "zdb";
    if (missing >= 0) env_vars.*required[missing / 2] = missing % 2 ? "" : nullptr;
    OutputCapture capture;
    EXPECT_EQ(settle_settings(nullptr), missing < 0 ? 0 : -1003);
    EXPECT_EQ(joined(capture.finish()),
              std::string("CML1526I Disable Cursors Environment is not set...\n") +
                  (missing < 0 ? "" : "CML1528S Missing required environment variables.\n"));
  }
  // Under tracing the set slots are listed before the stop, never the password.
  reset_process_state();
  tracing.trace_all = tracing.trace_something = 1;
  env_vars.hostname = "host1";
  env_vars.logonid = "scott";
  env_vars.password = "tiger";
  OutputCapture capture;
  EXPECT_EQ(settle_settings(nullptr), -1003);
  EXPECT_EQ(joined(capture.finish()),
            "CML1526I Disable Cursors Environment is not set...\n"
            "CML1526I Environment Setting:\n"
            "CML1527I \t hostname=host1\nCML1527I \t logonid=scott\n"
            "CML1528S Missing required environment variables.\n");
}

TEST_F(Environment, LogonFromTheCollectorProcessAndDictionaryParameters) {
  // No logon on the command line or in the environment: PROCESS.CTL's is used.
  // A server id too long for the process record is cut to its field.
  const std::string long_server(40, 'S');
  env_vars.hostname = "host1";
  env_vars.db_type = "zdb";
  env_vars.serverid = long_server.c_str();
  env_vars.errorlog = "/e";
  env_vars.db_home = "/db";
  env_vars.db_version = "19";
  dict_parms.emplace_back("custom", "from the command line");
  distributor* collector = process_arena().make<distributor>();
  strcpy(collector->logon_id, "procuser");
  strcpy(collector->password, "procpw");
  strcpy(collector->server_id, "PROCSRV");
  OutputCapture capture;
  EXPECT_EQ(settle_settings(collector), 0);
  capture.finish();
  EXPECT_EQ(std::string(collector->server_id), std::string(33, 'S'));
  std::string parms;
  for (const auto& [name, value] : dict_parms) parms += name + "=" + value + " ";
  EXPECT_EQ(parms, "custom=from the command line rdbms=" + long_server +
                       " errlog=/e logonid=procuser dbhome=/db dbversion=19 dbtype=zdb "
                       "password=procpw ");
}

TEST_F(Environment, MachineIdIsHostServerAndBlanks) {
  const std::string h70(70, 'h'), s40(40, 's');
  struct {
    const char *hostname, *serverid;
    std::string expected;  // 160 bytes
  } const rows[] = {
      {"alpha", "S1", "alpha" + std::string(59, ' ') + "S1" + std::string(30 + 64, ' ')},
      // longer texts are cut at 64 and 32 characters
      {h70.c_str(), s40.c_str(), h70.substr(0, 64) + s40.substr(0, 32) + std::string(64, ' ')},
      {nullptr, nullptr, std::string(160, ' ')},
  };
  for (const auto& r : rows) {
    env_vars.hostname = r.hostname;
    env_vars.serverid = r.serverid;
    memset(machine_id, 'x', sizeof machine_id);
    build_machine_id();
    EXPECT_EQ(std::string(machine_id, 160), r.expected);
  }
}

}  // namespace
