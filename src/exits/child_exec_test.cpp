// The process layer with real child programs: small shell scripts written to
// a scratch directory, run through every parameter route, under time and line
// limits, and with values that a shell would have run as commands.
#include "exits/child_exec.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "child_run.h"
#include "message_lines.h"
#include "std_capture.h"
#include "util/settings.h"

namespace {

std::vector<std::string> lines_of(r_exec_chain* chain) {
  std::vector<std::string> v;
  for (const r_exec_chain* e = chain; e; e = e->next) {
    EXPECT_EQ(e->len, static_cast<int32_t>(e->line.size()));
    v.push_back(e->line);
  }
  u_free_r_chain(chain);
  return v;
}

class ChildExec : public ::testing::Test {
 protected:
  // A script in the scratch directory, made executable; returns its path.
  std::string script(const std::string& name, const std::string& body) {
    std::string path = write_file(dir_, name, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }
  ScratchDir dir_;
};

// Each argument on its own line, then whatever arrives on standard input.
constexpr const char* kEcho =
    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"
    "case \"$1\" in --) cat;; @*) cat \"${1#@}\"; echo;; esac\n";

TEST_F(ChildExec, ParametersReachTheProgramUnchanged) {
  std::string echo = script("echo.sh", kEcho);
  std::string flag = dir_.file("ran");
  std::string evil = "touch " + flag;
  struct Row {
    const char* what;
    uint32_t options;
    std::string parms;
    std::vector<std::string> expect;
    int route;
  };
  const std::string long_parm(1100, 'x');
  const Row rows[] = {
      // plain words on the command line
      {"words", EXEC_PARMS_BY_LENGTH | EXEC_PARMS_MARKER, "a b  c", {"[a]", "[b]", "[c]"}, 0},
      // a quoted value with separators, substitutions and a newline stays one argument
      {"quoted",
       EXEC_PARMS_BY_LENGTH,
       u_quote_word("x; " + evil + " | " + evil + " & $(" + evil + ") `" + evil + "` '\"\n y"),
       {"[x; " + evil + " | " + evil + " & $(" + evil + ") `" + evil + "` '\"", " y]"},
       0},
      // unquoted shell syntax arrives as plain words, nothing runs
      {"unquoted", 0, "a;" + evil + "|b&c", {"[a;touch]", "[" + flag + "|b&c]"}, 0},
      // too long for the command line: standard input after the marker
      {"stdin", EXEC_PARMS_BY_LENGTH | EXEC_PARMS_MARKER, long_parm, {"[--]", long_parm}, 1},
      // a parameter file named after the marker
      {"file", EXEC_PARMS_FILE, "p q; r", {"[@]", "p q; r"}, 2},
  };
  for (const Row& row : rows) {
    execopt opt;
    opt.options = row.options;
    std::vector<std::string> got = lines_of(u_exec_timed(echo.c_str(), row.parms.c_str(), 5, &opt));
    if (row.route == 2 && !got.empty()) got[0] = got[0].substr(0, 2) + "]";
    EXPECT_EQ(got, row.expect) << row.what;
    EXPECT_EQ(opt.parm_route, row.route) << row.what;
    EXPECT_EQ(opt.status, 0) << row.what;
  }
  EXPECT_NE(access(flag.c_str(), F_OK), 0) << "a value ran as a command";
}

TEST_F(ChildExec, SplitsWordsLikeAShellWithoutExpanding) {
  struct Row {
    const char* text;
    std::vector<std::string> words;
  };
  const Row rows[] = {
      {"  a\tb\nc ", {"a", "b", "c"}},       // blanks, tabs and newlines separate
      {"'a b' \"c d\"", {"a b", "c d"}},     // both quotes group
      {"x'y z'w", {"xy zw"}},                // quotes inside a word
      {R"("a\"b\$c\n")", {R"(a"b$c\n)"}},    // double quotes escape only \ " $ `
      {R"(a\ b 'c\d')", {"a b", R"(c\d)"}},  // a backslash outside, none in apostrophes
      {"$(id) `id` ${HOME}", {"$(id)", "`id`", "${HOME}"}},  // nothing is expanded
  };
  for (const Row& row : rows) {
    std::vector<std::string> words;
    u_split_words(row.text, words);
    EXPECT_EQ(words, row.words) << row.text;
  }
}

TEST_F(ChildExec, PlainRunSkipsBlankLinesAndStopsAfterSix) {
  std::string prog = script("blank.sh",
                            "echo one; echo; echo two; for i in 1 2 3 4 5 6; do echo; done; "
                            "echo lost\n");
  EXPECT_EQ(lines_of(u_exec(prog.c_str(), "")), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ChildExec, FailuresGiveNoLinesAndTheirMessage) {
  std::string silent = script("silent.sh", "exit 0\n");
  std::string plain = write_file(dir_, "plain.sh", "#!/bin/sh\necho hi\n");  // not executable
  // Removes the file its standard output goes to before the collector reads it.
  std::string vanish = script("vanish.sh", "echo lost; rm -f \"$(readlink /proc/$$/fd/1)\"\n");
  struct Row {
    const char* what;
    std::string cmd;
    const char* db_type;  // agent type while it runs
    uint32_t timed;       // u_exec_timed with these options; 0 runs u_exec
    const char* message;  // the first message
    size_t messages;
  };
  const Row rows[] = {
      {"missing", dir_.file("nope"), "", 0, "UEX4100E Command not found: ", 1},  // not on disk
      {"not executable", plain, "", 0, "UEX4100E Command not found: ", 1},       // no x bit
      {"no output", silent, "", 0, "UEX2080W No output", 1},                     // said nothing
      {"bare name off the path", "no-such-program-here", "", 0, "UEX4100E", 1},  // PATH search
      // a zdy agent reads the output from a file, which is gone; then nothing was read
      {"zdy output file gone", vanish, "zdy", 0, "UEX2045E fopen error (2 ", 2},
      // the same for a timed run with its output through a file
      {"timed output file gone", vanish, "", EXEC_STDOUT_FILE, "UEX6810E Can't open file ", 1},
  };
  const char* saved_type = env_vars.db_type;
  for (const Row& row : rows) {
    env_vars.db_type = row.db_type;
    OutputCapture cap;
    r_exec_chain* chain;
    if (row.timed) {
      execopt opt;
      opt.options = row.timed;
      chain = u_exec_timed(row.cmd.c_str(), "a", 5, &opt);
    } else {
      chain = u_exec(row.cmd.c_str(), "a");
    }
    std::string out = cap.finish();
    env_vars.db_type = saved_type;
    EXPECT_EQ(chain, nullptr) << row.what;
    u_free_r_chain(chain);
    std::vector<std::string> msgs = message_lines(out);
    ASSERT_EQ(msgs.size(), row.messages) << row.what << out;
    EXPECT_EQ(msgs[0].rfind(row.message, 0), 0u) << row.what << ": " << msgs[0];
  }
}

TEST_F(ChildExec, TimeLimitEndsAChildThatIgnoresTermAndWhatItStarted) {
  std::string pidfile = dir_.file("grandchild");
  std::string prog = script("stubborn.sh", "trap '' TERM\necho started\nsleep 30 & echo $! > " +
                                               pidfile + "\nwhile :; do sleep 1; done\n");
  execopt opt;
  OutputCapture cap;
  std::vector<std::string> got = lines_of(u_exec_timed(prog.c_str(), "", 1, &opt));
  std::string out = cap.finish();
  EXPECT_EQ(got, std::vector<std::string>{"started"});  // output before the limit is kept
  EXPECT_TRUE(opt.timed_out);
  EXPECT_TRUE(WIFSIGNALED(opt.wait_status));
  EXPECT_EQ(WTERMSIG(opt.wait_status), SIGKILL);  // it ignored signal 15
  EXPECT_NE(out.find("did not finish in 1 seconds."), std::string::npos) << out;
  // Reaped, so no zombie remains; its background child was ended with it.
  EXPECT_EQ(waitpid(opt.pid, nullptr, WNOHANG), -1);
  // Gone, or a zombie left to whoever reaps orphans here.
  std::string stat = "/proc/" + std::to_string(std::stoi(read_whole(pidfile))) + "/stat";
  auto running = [&] {
    std::string s = read_whole(stat);
    size_t paren = s.rfind(')');
    return s != "<missing>" && paren != std::string::npos && s.compare(paren, 3, ") Z") != 0;
  };
  for (int i = 0; i < 100 && running(); ++i) usleep(10000);
  EXPECT_FALSE(running());
}

TEST_F(ChildExec, ChildThatReadsNoInputLeavesTheCollectorRunning) {
  // More parameters than a pipe holds, to a program that never reads them.
  std::string prog = script("deaf.sh", "echo bye\n");
  execopt opt;
  opt.options = EXEC_PARMS_STDIN;
  OutputCapture cap;
  std::vector<std::string> got =
      lines_of(u_exec_timed(prog.c_str(), std::string(300000, 'p').c_str(), 10, &opt));
  std::string out = cap.finish();
  EXPECT_EQ(got, std::vector<std::string>{"bye"});
  EXPECT_NE(out.find("Unable to write to un-named pipe"), std::string::npos) << out;
  EXPECT_FALSE(opt.timed_out);
}

TEST_F(ChildExec, OutputLimitsCapLinesAndLineLength) {
  // About 8 MB of output: reading stops at the line limit and the child ends
  // on the closed pipe long before its time limit.
  std::string prog =
      script("flood.sh", "yes 0123456789abcdefghijklmnopqrstuvwxyz | head -c 8000000\n");
  for (uint32_t through_file : {0u, static_cast<uint32_t>(EXEC_STDOUT_FILE)}) {
    execopt opt;
    opt.options = through_file;
    opt.max_lines = 300;
    opt.max_line_len = 10;
    std::vector<std::string> got = lines_of(u_exec_timed(prog.c_str(), "", 20, &opt));
    ASSERT_EQ(got.size(), 300u);
    EXPECT_EQ(got[299], "0123456789");
    EXPECT_FALSE(opt.timed_out);
  }
}

TEST_F(ChildExec, ChildInheritsNoDescriptorsAndNoPassword) {
  // Without close-on-exec, as a careless open would leave it; numbered above
  // whatever the shell opens for its own script and pipes.
  int raw = open("/dev/null", O_RDONLY);
  int leak = dup2(raw, 200);
  close(raw);
  ASSERT_EQ(leak, 200);
  setenv("COLL_PASSWORD", "tiger", 1);
  std::string prog = script("fds.sh",
                            "ls /proc/$$/fd | sort -n | tr '\\n' ' '; echo\n"
                            "echo \"pw=${COLL_PASSWORD-unset} path=${PATH:+set}\"\n");
  std::vector<std::string> got = lines_of(u_exec(prog.c_str(), ""));
  close(leak);
  unsetenv("COLL_PASSWORD");
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].rfind("0 1 2 ", 0), 0u) << got[0];
  EXPECT_EQ(got[0].find(" 200 "), std::string::npos) << got[0];
  EXPECT_EQ(got[1], "pw=unset path=set");
}

TEST_F(ChildExec, AsynchronousProgramRunsDetached) {
  std::string done = dir_.file("done");
  std::string prog = script("bg.sh", "touch \"$1\"\n");
  int pid = u_AsynProcess(prog.c_str(), u_quote_word(done).c_str());
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 500 && access(done.c_str(), F_OK) != 0; ++i) usleep(10000);
  EXPECT_EQ(access(done.c_str(), F_OK), 0);
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // not our child: nothing to reap, no zombie
  EXPECT_EQ(u_AsynProcess(dir_.file("nope").c_str(), ""), -1);
}

TEST(ChildMessages, MessageFormat) {
  struct Row {
    const char* line;
    int expect;
  };
  const Row rows[] = {
      {"ABC1234E disk full", 1},   // three letters, four digits, level, blank
      {"ABCD1234W low space", 1},  // four letters
      {"ABC1234S x", 1},           // just over nine characters
      {"ABC1234E ", 0},            // nine characters is not enough
      {"ABC1234X bad level", 0},   // unknown level letter
      {"abc1234E lower", 0},       // lower-case letters
      {"ABC123E short", 0},        // three digits
      {"ABC1234Eno blank", 0},     // no blank after the level
  };
  for (const Row& row : rows) EXPECT_EQ(u_ismessage(row.line), row.expect) << row.line;
}

}  // namespace
