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

TEST_F(Environment, GetenvModesAndMessages) {
  struct row {
    const char* value;  // the variable's value, or null when unset
    int mode;
    const char* dflt;
    int trace_level;     // a trace level switched on, or -1
    const char* result;  // null: none
    const char* lines;
  } rows[] = {
      // Mode 1 reports a missing variable as a warning without a default...
      {nullptr, kEnvReport, nullptr, -1, nullptr,
       "UEN0015W Environment variable \"T_ENV\" not set\n"},
      // ...and an empty one as not available.
      {"", kEnvReport, nullptr, -1, nullptr,
       "UEN0010W Environment variable \"T_ENV\" is not available\n"},
      // With a default the class is informational and the default announced.
      {nullptr, kEnvReport, "dflt", -1, "dflt",
       "UEN0015I Environment variable \"T_ENV\" not set\nUEN0020I Using default of dflt\n"},
      {"", kEnvReport, "dflt", -1, "dflt",
       "UEN0010I Environment variable \"T_ENV\" is not available\n"
       "UEN0020I Using default of dflt\n"},
      // A set value wins over the default, silently.
      {"val", kEnvReport, "dflt", -1, "val", ""},
      // Quiet modes say nothing; only mode -1 exports the default.
      {nullptr, kEnvQuiet, "dflt", -1, "dflt", ""},
      {nullptr, kEnvSilent, nullptr, -1, nullptr, ""},
      {"", kEnvQuiet, "", -1, nullptr, ""},
      {nullptr, kEnvExport, "exported", -1, "exported", ""},
      // Environment tracing reports lookups in the quiet modes...
      {"val", kEnvQuiet, nullptr, 3, "val", "UEN0025T Env var T_ENV=val.\n"},
      {nullptr, kEnvQuiet, "dflt", 3, "dflt", "UEN0026T Env var T_ENV was not set.\n"},
      {nullptr, kEnvExport, nullptr, 3, nullptr, "UEN0026T Env var T_ENV was not set.\n"},
      // ...but neither in mode -2 nor in mode 1, which reports on its own.
      {"val", kEnvSilent, nullptr, 3, "val", ""},
      {nullptr, kEnvReport, nullptr, 3, nullptr,
       "UEN0015W Environment variable \"T_ENV\" not set\n"},
  };
  for (const row& r : rows) {
    reset_process_state();
    if (r.trace_level >= 0) tracing.my_trace_all[r.trace_level] = 1;
    ScopedEnv env;
    env.set("T_ENV", r.value);
    OutputCapture capture;
    std::optional<std::string> got = u_getenv("T_ENV", r.mode, r.dflt);
    SCOPED_TRACE(std::string(r.value ? r.value : "(unset)") + " mode " + std::to_string(r.mode));
    EXPECT_EQ(joined(capture.finish()), r.lines);
    EXPECT_EQ(got, r.result ? std::optional<std::string>(r.result) : std::nullopt);
    if (!r.value) {
      EXPECT_EQ(getenv("T_ENV") != nullptr, r.mode == kEnvExport && r.result);
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
  tracing.my_trace_all[0] = 1;
  OutputCapture capture;
  u_putenv("T_PUT", "y");
  EXPECT_EQ(joined(capture.finish()), "UEN0046T Set environment variable \"T_PUT\".\n");
}

TEST_F(Environment, RetrieveEnvVarBindsSymbolsToSlots) {
  struct row {
    const char* symbol;
    const char* preset_slot;  // value already in the logon slot
    const char* variable;     // value of the variable named by the symbol
    const char* db_type;
    const char* result;
  } rows[] = {
      {"COLL_LOGON", "slot", "env", "zdb", "slot"},         // a set slot wins
      {"coll_logon", nullptr, "env", "zdb", "env"},         // upper-cased; filled from env
      {"COLL_SERVERID", nullptr, nullptr, "zdb", "SID1"},   // falls back to ORACLE_SID
      {"COLL_SERVERID", nullptr, nullptr, "qvz", nullptr},  // only for the Oracle type
      {"COLL_DBHOME", nullptr, nullptr, "zdb19", "/ora"},   // falls back to ORACLE_HOME
      {"COLL_ERRORLOG", nullptr, nullptr, "zdb", nullptr},  // no fallback
      {"COLL_CELL_NAME", nullptr, "cell", "zdb", "cell"},   //
      {"COLL_NOSUCH", nullptr, "env", "zdb", nullptr},      // not in the table
      {"COLL_LOGON_AND_MORE_THAN_32_CHARACTERS", nullptr, "env", "zdb", nullptr},  // too long
  };
  for (const row& r : rows) {
    reset_process_state();
    ScopedEnv env;
    std::string upper = r.symbol;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    env.set(upper, r.variable);
    env.set("ORACLE_SID", "SID1");
    env.set("ORACLE_HOME", "/ora");
    env_vars.db_type = r.db_type;
    if (r.preset_slot) env_vars.logonid = r.preset_slot;
    const char* got = u_retrieveEnvVar(r.symbol);
    SCOPED_TRACE(r.symbol);
    EXPECT_STREQ(got ? got : "(none)", r.result ? r.result : "(none)");
    if (got) {  // the slot keeps what was found
      EXPECT_EQ(u_retrieveEnvVar(r.symbol), got);
    }
  }
}

TEST_F(Environment, GetEnvsFillsSlotsAndDefaults) {
  struct row {
    const char* env;  // "NAME=value" words; every other variable read is unset
    const char* settings;
  } rows[] = {
      // Only the basics: the working directory and the user give the defaults.
      {"PWD=/w USER=u1 COLL_HOSTNAME=h1",
       "coll_home=/w ctl_home=/w coll_out=/w hostname=h1 hostlogonid=u1 db_type=qvz tmpdir=/tmp/u1 "
       "localtmpdir=/tmp/u1 cfgdir=/w maxread=20480000"},
      // A log directory and a separate local prefix (where the output goes);
      // second-choice variables; numbers.
      {"PWD=/w USER=u1 COLL_HOSTNAME=h1 QVZLOGDIR=/q COLL_PREFIX_LOCAL=/l COLL_LOGONID=lid "
       "COLL_VERSION_HOME=zdb MAXREADSZ_ERRORLOG=77 COLL_NOSIGNALS=3 COLL_CTL_HOME=/c",
       "coll_home=/w ctl_home=/c coll_out=/l hostname=h1 hostlogonid=u1 logonid=lid db_type=zdb "
       "tmpdir=/q/u1 localtmpdir=/l cfgdir=/c maxread=77 nosignals=3"},
      // Every variable set; first choices win; an empty one counts as unset.
      {"PWD=/w USER=u1 COLL_HOME=/home COLL_CTL_HOME=/c COLL_BINPATH=/bin COLL_HOSTNAME=h1 "
       "COLL_SERVERID=S1 COLL_LOGON=lg COLL_LOGONID=no COLL_PASSWORD=pw COLL_VERSION=zdb "
       "COLL_PREFIX=/p COLL_PREFIX_LOCAL=/p COLL_OUT=/out COLL_ERRORLOG=/e COLL_DBVERSION=19 "
       "COLL_USESHM=1 COLL_DBHOME=/db QVZCFGDIR=",
       "coll_home=/home ctl_home=/c bin_home=/bin coll_out=/out hostname=h1 hostlogonid=u1 "
       "serverid=S1 logonid=lg password=pw errorlog=/e db_type=zdb tmpdir=/p localtmpdir=/p "
       "useshm=1 cfgdir=/c db_home=/db db_version=19 maxread=20480000"},
      // No PWD: "pwd" is asked; no user or host: the system is asked.
      {"COLL_CTL_HOME=/c COLL_OUT=/o",
       "coll_home=CWD ctl_home=/c coll_out=/o hostname=HOST hostlogonid=USER db_type=qvz "
       "tmpdir=/tmp/USER localtmpdir=/tmp/USER cfgdir=/c maxread=20480000"},
  };
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  struct utsname uts;
  ASSERT_EQ(uname(&uts), 0);
  const std::pair<std::string, std::string> system[] = {
      {"CWD", cwd}, {"HOST", uts.nodename}, {"USER", getpwuid(geteuid())->pw_name}};
  for (const row& r : rows) {
    reset_process_state();
    ScopedEnv env;
    std::istringstream names(
        "COLL_DEBUG HOME PWD USER COLL_HOME COLL_CTL_HOME COLL_BINPATH COLL_HOSTNAME "
        "COLL_SERVERID COLL_LOGON COLL_LOGONID COLL_PASSWORD COLL_VERSION COLL_VERSION_HOME "
        "COLL_PREFIX QVZLOGDIR COLL_PREFIX_LOCAL COLL_OUT COLL_DISABLE_CURSORS COLL_ERRORLOG "
        "COLL_DBVERSION MAXREADSZ_ERRORLOG COLL_USESHM COLL_DBHOME COLL_NOSIGNALS QVZCFGDIR"),
        words(r.env);
    for (std::string name; names >> name;) env.unset(name);
    for (std::string w; words >> w;)
      env.set(w.substr(0, w.find('=')), w.substr(w.find('=') + 1).c_str());
    EXPECT_EQ(get_envs(env_vars), 1);
    std::string expected = r.settings;
    for (const auto& [word, value] : system)
      for (size_t at; (at = expected.find(word)) != std::string::npos;)
        expected.replace(at, word.size(), value);
    EXPECT_EQ(settings_text(), expected);
  }
}

TEST_F(Environment, DisabledCursorsAreExported) {
  struct row {
    const char* value;  // COLL_DISABLE_CURSORS as get_envs read it, or null
    const char* lines;
    std::vector<std::pair<const char*, const char*>> exported;
  } rows[] = {
      // Blanks removed, upper-cased; KF1 gets its file-id condition.
      {"kf1, abc",
       "CML1526I Disable Cursors Environment Settings:\n"
       "CML1527I \t COLL_DISABLE_CURSORS=KF1,ABC\n"
       "CML1527I \t COLL_DISABLE_CURSOR_KF1=AND FIL.FILE_ID < 128\n"
       "CML1527I \t COLL_DISABLE_CURSOR_ABC=1\n",
       {{"COLL_DISABLE_CURSOR_KF1", "AND FIL.FILE_ID < 128"}, {"COLL_DISABLE_CURSOR_ABC", "1"}}},
      // KF4 is 0; empty names between commas name nothing.
      {" Kf4,,x ,",
       "CML1526I Disable Cursors Environment Settings:\n"
       "CML1527I \t COLL_DISABLE_CURSORS=KF4,,X,\n"
       "CML1527I \t COLL_DISABLE_CURSOR_KF4=0\nCML1527I \t COLL_DISABLE_CURSOR_X=1\n",
       {{"COLL_DISABLE_CURSOR_KF4", "0"}, {"COLL_DISABLE_CURSOR_X", "1"}}},
      // Only blanks: listed, nothing exported.
      {"   ",
       "CML1526I Disable Cursors Environment Settings:\nCML1527I \t COLL_DISABLE_CURSORS=\n",
       {}},
      {nullptr, "CML1526I Disable Cursors Environment is not set...\n", {}},
  };
  for (const row& r : rows) {
    reset_process_state();
    ScopedEnv env;
    for (const char* name : {"KF1", "ABC", "KF4", "X", ""})
      env.unset(std::string("COLL_DISABLE_CURSOR_") + name);
    if (r.value) globals.disable_cursors = r.value;
    OutputCapture capture;
    apply_disabled_cursors();
    SCOPED_TRACE(r.value ? r.value : "(unset)");
    EXPECT_EQ(joined(capture.finish()), r.lines);
    for (const auto& [name, value] : r.exported) EXPECT_STREQ(getenv(name), value) << name;
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
    std::vector<std::string> lines = message_lines(capture.finish());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), missing < 0 ? "CML1526I Disable Cursors Environment is not set..."
                                        : "CML1528S Missing required environment variables.");
    if (missing < 0) {
      EXPECT_EQ(lines.size(), 1u);
    }
  }
}

TEST_F(Environment, TracingListsTheSettingsBeforeTheStop) {
  tracing.trace_all = tracing.trace_something = 1;
  env_vars.hostname = "host1";
  env_vars.logonid = "scott";
  env_vars.password = "tiger";
  OutputCapture capture;
  EXPECT_EQ(settle_settings(nullptr), -1003);
  // Set slots only, and never the password.
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

TEST_F(Environment, MachineIdIsHostServerAndBlanks) {
  struct row {
    const char *hostname, *serverid;
    std::string expected;  // 160 bytes
  } rows[] = {
      {"alpha", "S1", "alpha" + std::string(59, ' ') + "S1" + std::string(30 + 64, ' ')},
      // Longer texts are cut at 64 and 32 characters.
      {"hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh",
       "ssssssssssssssssssssssssssssssssssssssss",
       std::string(64, 'h') + std::string(32, 's') + std::string(64, ' ')},
      {nullptr, nullptr, std::string(160, ' ')},
  };
  for (const row& r : rows) {
    env_vars.hostname = r.hostname;
    env_vars.serverid = r.serverid;
    memset(globals.machine_id, 'x', sizeof globals.machine_id);
    build_machine_id();
    EXPECT_EQ(std::string(globals.machine_id, 160), r.expected);
  }
}

}  // namespace
