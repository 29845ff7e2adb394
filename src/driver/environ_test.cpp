// Environment lookup modes and their messages, exporting, the symbolic
// lookup of control-file references, and the settings get_envs fills with
// their defaults.
#include "driver/environ.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.h"
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

TEST_F(Environment, GetenvModesAndMessages) {
  constexpr const char* kUnset = nullptr;
  struct row {
    const char* value;  // the variable's value, or kUnset
    int mode;
    const char* dflt;
    int trace_level;  // a trace level switched on, or -1
    std::optional<std::string> result;
    std::vector<std::string> lines;
  } rows[] = {
      // Mode 1 reports a missing variable as a warning without a default...
      {kUnset,
       kEnvReport,
       nullptr,
       -1,
       std::nullopt,
       {"UEN0015W Environment variable \"T_ENV\" not set"}},
      // ...and an empty one as not available.
      {"",
       kEnvReport,
       nullptr,
       -1,
       std::nullopt,
       {"UEN0010W Environment variable \"T_ENV\" is not available"}},
      // With a default the class is informational and the default announced.
      {kUnset,
       kEnvReport,
       "dflt",
       -1,
       "dflt",
       {"UEN0015I Environment variable \"T_ENV\" not set", "UEN0020I Using default of dflt"}},
      {"",
       kEnvReport,
       "dflt",
       -1,
       "dflt",
       {"UEN0010I Environment variable \"T_ENV\" is not available",
        "UEN0020I Using default of dflt"}},
      // A set value wins over the default, silently.
      {"val", kEnvReport, "dflt", -1, "val", {}},
      // Quiet modes say nothing.
      {kUnset, kEnvQuiet, "dflt", -1, "dflt", {}},
      {kUnset, kEnvSilent, nullptr, -1, std::nullopt, {}},
      {"", kEnvQuiet, "", -1, std::nullopt, {}},
      // Environment tracing reports lookups in the quiet modes.
      {"val", kEnvQuiet, nullptr, 3, "val", {"UEN0025T Env var T_ENV=val."}},
      {kUnset, kEnvQuiet, "dflt", 3, "dflt", {"UEN0026T Env var T_ENV was not set."}},
      {kUnset, kEnvExport, nullptr, 3, std::nullopt, {"UEN0026T Env var T_ENV was not set."}},
      // ...but neither in mode -2 nor in mode 1, which reports on its own.
      {"val", kEnvSilent, nullptr, 3, "val", {}},
      {kUnset,
       kEnvReport,
       nullptr,
       3,
       std::nullopt,
       {"UEN0015W Environment variable \"T_ENV\" not set"}},
  };
  for (const row& r : rows) {
    reset_process_state();
    if (r.trace_level >= 0) tracing.my_trace_all[r.trace_level] = 1;
    ScopedEnv env;
    env.set("T_ENV", r.value);
    OutputCapture capture;
    std::optional<std::string> got = u_getenv("T_ENV", r.mode, r.dflt);
    std::vector<std::string> lines = message_lines(capture.finish());
    SCOPED_TRACE(std::string(r.value ? r.value : "(unset)") + " mode " + std::to_string(r.mode));
    EXPECT_EQ(got, r.result);
    EXPECT_EQ(lines, r.lines);
  }
}

TEST_F(Environment, GetenvExportsTheDefaultInModeMinusOne) {
  ScopedEnv env;
  env.unset("T_ENV");
  EXPECT_EQ(u_getenv("T_ENV", kEnvExport, "exported"), "exported");
  EXPECT_STREQ(getenv("T_ENV"), "exported");
  // Other modes leave the environment alone.
  env.unset("T_ENV2");
  EXPECT_EQ(u_getenv("T_ENV2", kEnvQuiet, "kept"), "kept");
  EXPECT_EQ(getenv("T_ENV2"), nullptr);
}

TEST_F(Environment, PutenvSetsRemovesAndRefuses) {
  ScopedEnv env;
  env.unset("T_PUT");
  const char* value = u_putenv("T_PUT", "v 1");
  ASSERT_NE(value, nullptr);
  EXPECT_STREQ(value, "v 1");
  EXPECT_STREQ(getenv("T_PUT"), "v 1");

  // Without a value the variable goes away.
  value = u_putenv("T_PUT", nullptr);
  ASSERT_NE(value, nullptr);
  EXPECT_STREQ(value, "");
  EXPECT_EQ(getenv("T_PUT"), nullptr);

  struct row {
    const char* name;
    const char* line;
  } refused[] = {
      {"", "UEN0045E Environment variable \"\" could not be set."},        // no name
      {"A=B", "UEN0045E Environment variable \"A=B\" could not be set."},  // would set A
      {nullptr, "UEN0045E Environment variable \"\" could not be set."},   //
  };
  for (const row& r : refused) {
    OutputCapture capture;
    EXPECT_EQ(u_putenv(r.name, "x"), nullptr);
    EXPECT_EQ(message_lines(capture.finish()), std::vector<std::string>{r.line});
  }
  EXPECT_EQ(getenv("A"), nullptr);

  tracing.my_trace_all[0] = 1;
  OutputCapture capture;
  u_putenv("T_PUT", "y");
  EXPECT_EQ(message_lines(capture.finish()),
            std::vector<std::string>{"UEN0046T Set environment variable \"T_PUT\"."});
}

TEST_F(Environment, RetrieveEnvVarBindsSymbolsToSlots) {
  struct row {
    const char* symbol;
    const char* preset_slot;  // value already in the slot
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
    if (r.preset_slot) {
      env_vars.logonid = r.preset_slot;
    }
    const char* got = u_retrieveEnvVar(r.symbol);
    SCOPED_TRACE(r.symbol);
    if (r.result) {
      ASSERT_NE(got, nullptr);
      EXPECT_STREQ(got, r.result);
      // The slot keeps what was found.
      EXPECT_EQ(u_retrieveEnvVar(r.symbol), got);
    } else {
      EXPECT_EQ(got, nullptr);
    }
  }
}

// Every variable get_envs reads, unset before each case.
constexpr const char kEnvNames[] =
    "COLL_DEBUG HOME PWD USER COLL_HOME COLL_CTL_HOME COLL_BINPATH COLL_HOSTNAME COLL_SERVERID "
    "COLL_LOGON COLL_LOGONID COLL_PASSWORD COLL_VERSION COLL_VERSION_HOME COLL_PREFIX QVZLOGDIR "
    "COLL_PREFIX_LOCAL COLL_OUT COLL_DISABLE_CURSORS COLL_ERRORLOG COLL_DBVERSION "
    "MAXREADSZ_ERRORLOG COLL_USESHM COLL_DBHOME COLL_NOSIGNALS QVZCFGDIR";

// Unsets every variable of kEnvNames, then sets the "NAME=value" words of `vars`.
void controlled_env(ScopedEnv& env, const std::string& vars) {
  std::istringstream names(kEnvNames), words(vars);
  for (std::string name; names >> name;) env.unset(name);
  for (std::string w; words >> w;)
    env.set(w.substr(0, w.find('=')), w.substr(w.find('=') + 1).c_str());
}

TEST_F(Environment, GetEnvsFillsSlotsAndDefaults) {
  struct row {
    const char* env;
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
      // No PWD: "pwd" is asked.
      {"USER=u1 COLL_HOSTNAME=h1 COLL_CTL_HOME=/c COLL_OUT=/o",
       "coll_home=CWD ctl_home=/c coll_out=/o hostname=h1 hostlogonid=u1 db_type=qvz "
       "tmpdir=/tmp/u1 localtmpdir=/tmp/u1 cfgdir=/c maxread=20480000"},
  };
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  for (const row& r : rows) {
    reset_process_state();
    ScopedEnv env;
    controlled_env(env, r.env);
    EXPECT_EQ(get_envs(env_vars), 1);
    std::string expected = r.settings;
    if (size_t at = expected.find("CWD"); at != std::string::npos) expected.replace(at, 3, cwd);
    EXPECT_EQ(settings_text(), expected);
  }
}

TEST_F(Environment, GetEnvsAsksTheSystemForUserAndHost) {
  ScopedEnv env;
  controlled_env(env, "PWD=/w");
  get_envs(env_vars);
  struct utsname uts;
  ASSERT_EQ(uname(&uts), 0);
  EXPECT_STREQ(env_vars.hostname, uts.nodename);
  EXPECT_STREQ(env_vars.hostlogonid, getpwuid(geteuid())->pw_name);
}

}  // namespace
