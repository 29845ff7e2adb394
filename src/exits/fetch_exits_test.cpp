// Fetch exits with real child programs: every output layout with skipped and
// limited lines and program messages, host variables that hold shell syntax,
// program-name substitutions, value conversion, and script exits.
#include "exits/fetch_exits.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "child_run.h"
#include "ctl/clause_records.h"
#include "ctl/clauses.h"
#include "ctl/dict.h"
#include "ctl/fetch_exit.h"
#include "ctl/script_exit.h"
#include "exits/db_data.h"
#include "exits/script_run.h"
#include "expr/select.h"
#include "sql_fixture.h"
#include "util/trace.h"

namespace {

class FetchExits : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    register_fetch_exits();
    // Result columns: a of 4 characters, b of 6, w of 200.
    const char dict[] =
        "name a;\ntype CHAR(4);\nname b;\ntype CHAR(6);\nname w;\ntype CHAR(200);\nend;\n";
    FILE* f = fmemopen(const_cast<char*>(dict), sizeof dict - 1, "r");
    ASSERT_EQ(parse_dict_stream(f), 0);
    fclose(f);
    make_db("CREATE TABLE z(x INTEGER);");
  }
  void TearDown() override {
    reset_fetch_exits();
    SqlTest::TearDown();
  }

  // A script in the scratch directory, made executable.
  std::string program(const std::string& name, const std::string& body) {
    std::string path = write_file(dir_, name, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }

  // A fetch-exit cursor on the chain with the INSERT columns `cols`.
  curs* exit_cursor(const char* name, const char* exit, const std::string& script,
                    const char* select, std::initializer_list<const char*> cols) {
    curs* cur = cursor(name, "", cols);
    EXPECT_EQ(select_fetch_exit(cur, exit), 0);
    cur->script = script;
    cur->raw_insert_select = select;
    EXPECT_EQ(parse_script_exit(cur), 0);
    return cur;
  }
};

TEST_F(FetchExits, LayoutsSkipsLimitsAndMessages) {
  struct Row {
    const char* exit;
    const char* output;  // the program's output
    int16_t start_after, stop_after;
    std::vector<std::string> rows;  // stored rows, NULs shown as '|'
    const char* messages;           // message lines the run printed
  };
  const Row rows[] = {
      // simple: quoted words, a comma, a program message, a message-like data line
      {"fetchx2",
       "a 'b c'\nx, \"y\\\"z\"\nABC1234E disk full\n->ABC1234E data\n",
       0,
       0,
       {"a   |b c   |", "x   |y \"z  |", "ABC1|data  |"},
       "ABC1234E disk full\n"},
      // columnar: fixed widths in column order; a column the line does not reach is NULL
      {"fetchx1", "abcdxyz\nqr\n", 0, 0, {"abcd|xyz   |", "qr  |NULL  |"}, ""},
      // tabbed: a missing field is empty, a long one is cut
      {"fetchx3",
       "p\tq r\nonly\nlonger\tabcdefgh\n",
       0,
       0,
       {"p   |q r   |", "only|      |", "long|abcdef|"},
       ""},
      // formatted: each column from the start of the line, trailing blanks trimmed
      {"fetchx5", "hello world\n", 0, 0, {"hell|hello |"}, ""},
      // two lines skipped, then at most three rows
      {"fetchx2t5",
       "1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 g\n",
       2,
       3,
       {"3   |c     |", "4   |d     |", "5   |e     |"},
       ""},
  };
  int n = 0;
  for (const Row& row : rows) {
    std::string data = write_file(dir_, "out" + std::to_string(n), row.output);
    std::string prog = program("out" + std::to_string(n) + ".sh", "cat " + data + "\n");
    curs* cur = exit_cursor(("C" + std::to_string(n++)).c_str(), row.exit, prog,
                            "select a, b from x", {"A", "B"});
    cur->start_after = row.start_after;
    cur->stop_after = row.stop_after;
    PrintCapture cap;
    EXPECT_EQ(run(cur), 0) << row.exit;
    EXPECT_EQ(texts(cur), row.rows) << row.exit;
    EXPECT_EQ(cur->exit_rows, static_cast<int32_t>(row.rows.size())) << row.exit;  // COUNT!
    EXPECT_EQ(cur->last_sqlcode, 100);
    EXPECT_STREQ(cur->last_sqlcode_text, "             100");
    EXPECT_EQ(cap.lines(), row.messages) << row.exit;
  }
}

TEST_F(FetchExits, HostVariablesReachTheProgramAsOneArgument) {
  std::string flag = dir_.file("ran");
  const std::string nasty[] = {
      "x; touch " + flag,
      "x | touch " + flag,
      "x && touch " + flag,
      "$(touch " + flag + ")",
      "`touch " + flag + "`",
      "it's \"q\"",
      "a\nb",
      "  two  blanks",
  };
  make_db("CREATE TABLE s(v VARCHAR(60));");
  curs* src = cursor("SRC", "SELECT v FROM s", {"v"});
  std::string echo = program("args.sh", "for a in \"$@\"; do printf '%s<' \"$a\"; done; echo\n");
  curs* cur =
      exit_cursor("E", "fetchx3t", echo + " first [SRC.v] [ SRC.v] last", "select w from x", {"W"});
  // Each value as the newer of the source's two rows, both times as one
  // argument. Everything is traced, the process layer included: no trace line
  // may reach the program's output and be read as a row.
  const int16_t saved = tracing.trace_all;
  tracing.trace_all = 1;
  PrintCapture cap;
  for (const std::string& value : nasty) {
    std::string q;
    for (char c : value) q += c == '\'' ? std::string("''") : std::string(1, c);
    make_db(("DELETE FROM s; INSERT INTO s VALUES('older'), ('" + q + "');").c_str());
    free_all_rows(src);
    free_all_rows(cur);
    ASSERT_EQ(run(src), 0);
    EXPECT_EQ(run(cur), 0);
    std::string got = texts(cur).empty() ? "" : texts(cur).front();
    std::string want = "first<" + value + "<" + value + "<last<";
    if (value == "a\nb") want = "first<a";  // the program's output line ends at the newline
    EXPECT_EQ(got.substr(0, want.size()), want) << value;
    EXPECT_EQ(texts(cur).size(), value == "a\nb" ? 3u : 1u) << value;
  }
  tracing.trace_all = saved;
  EXPECT_NE(cap.lines().find("UEX8050T "), std::string::npos);  // the process layer traced
  EXPECT_NE(access(flag.c_str(), F_OK), 0) << "a value ran as a command";
}

TEST_F(FetchExits, CommandFailures) {
  make_db("CREATE TABLE e(v VARCHAR(4));");
  cursor("EMPTY", "SELECT v FROM e", {"v"});
  std::string one = program("one.sh", "echo x\n");
  struct Row {
    std::string script;
    const char* column;   // the cursor's one column
    const char* message;  // the first message line
    bool dummy;           // a dummy row is asked for when no row comes
  };
  const Row rows[] = {
      // a name that is neither a column nor an in-list
      {"prog [nothing]", "A",
       "FXR4015E Script host variable (nothing) not found in script prog [nothing]\n", false},
      // a column of a cursor without rows
      {"prog [EMPTY.v]", "A",
       "FXR4020E No data in cursor (EMPTY) for hv (EMPTY.v) in script (prog [EMPTY.v])\n", false},
      // the same with a dummy row asked for: the program did not run, no dummy
      {"prog [EMPTY.v]", "A",
       "FXR4020E No data in cursor (EMPTY) for hv (EMPTY.v) in script (prog [EMPTY.v])\n", true},
      // a program that is not there
      {"/nonexistent/prog a", "A", "UEX4100E Command not found: /nonexistent/prog.\n", false},
      // the row is built, but a percent variable of that name does not exist
      {one, "%nope", "CMR1560E Un-identified percent variable %nope\n", false},
      // nor does a result column of that name
      {one, "Z", "CMR1590E No database column found for F5.Z\n", false},
  };
  int n = 0;
  for (const Row& row : rows) {
    curs* cur = exit_cursor(("F" + std::to_string(n++)).c_str(), "fetchx2t", row.script,
                            "select a from x", {row.column});
    cur->dummy_last_row = row.dummy;
    PrintCapture cap;
    EXPECT_EQ(run(cur), 1) << row.script;
    EXPECT_EQ(cur->last_sqlcode, -1);
    std::string out = cap.lines();
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), row.message) << out;
    EXPECT_EQ(cur->first_row, nullptr);
  }
}

TEST_F(FetchExits, ProgramNameSubstitutions) {
  struct Row {
    const char* type;
    const char* version;
    const char* script;
    const char* program;
  };
  const Row rows[] = {
      {"zdb", "9.2", "#####sql", "zdb09sql"},   // version 9
      {"zdb", "11.2", "#####sql", "zdb11sql"},  // version 11
      {"zdb", "12.1", "#####sql", "zdb10sql"},  // any other version
      {"zdb", "8.0", "#####sql", "zdb08sql"},   // version 8
      {"ora", "19", "#####x", "orax"},          // five marks, another type
      {"zdy", "12.5", "zdy##sql", "zdy12sql"},  // zdy release 12
      {"zdy", "16", "zdy##sql", "zdy15sql"},    // zdy, any other
      {"ORA", "19", "run###", "runora"},        // three marks, lower-cased
  };
  curs* cur = exit_cursor("N", "fetchx2", "x", "select a from x", {"A"});
  for (const Row& row : rows) {
    env_vars.db_type = env_store(row.type);
    env_vars.db_version = env_store(row.version);
    cur->script = std::string(row.script) + " p";
    std::string program, parms;
    ASSERT_EQ(formatCommand(cur, program, parms), 0);
    EXPECT_EQ(program, row.program) << row.type << " " << row.version;
    EXPECT_EQ(parms, "p");
  }
  // An in-list goes in without its parentheses, its items as separate words.
  auto* hosts = cursor_arena().make<in_list>();
  strcpy(hosts->name, "hosts");
  hosts->text = "( 'a','b' )";
  hosts->text_len = static_cast<int32_t>(strlen(hosts->text));
  cur->in_lists = hosts;
  for (const char* ref : {"hosts", "N.hosts"}) {
    cur->script = std::string("prog x [") + ref + "] y";
    std::string program, parms;
    ASSERT_EQ(formatCommand(cur, program, parms), 0);
    EXPECT_EQ(parms, "x  'a' 'b'  y") << ref;
  }
}

TEST(ConvertData, TextAndBinary) {
  struct Row {
    int target_len, target_type;
    std::string src;
    int src_len, src_type, options;
    std::string expect;  // the target bytes written, NUL shown as '|'
    int placed;
  };
  int32_t minus42 = -42;
  std::string bin(reinterpret_cast<const char*>(&minus42), 4);
  const Row rows[] = {
      {6, 1, "ab", -1, 1, CD_PAD, "ab    |", 6},                  // padded, terminated
      {6, 1, "ab", -1, 1, CD_RIGHT, "    ab|", 6},                // right-aligned
      {3, 1, "abcdef", -1, 1, CD_PAD | CD_NO_NUL, "abc", 3},      // cut, no terminator
      {6, 1, "ab  \t", -1, 1, CD_TRIM, "ab|", 2},                 // trailing white space trimmed
      {6, 1, "", 0, 1, 0, " |", 1},                               // empty becomes one blank
      {8, 1, "a b", -1, 1, CD_QUOTE, "\"a b\"|", 5},              // quoted in double quotes
      {8, 1, "a \"b", -1, 1, CD_QUOTE, "'a \"b'|", 6},            // in apostrophes
      {6, 1, bin, 4, 2, 0, "   -42|", 6},                         // binary, right-aligned
      {6, 1, bin, 4, 2, CD_NO_RIGHT_BIN | CD_PAD, "-42   |", 6},  // binary, left
  };
  for (const Row& row : rows) {
    char target[16];
    memset(target, '#', sizeof target);
    int placed = convertData(row.target_len, target, row.target_type, row.src_len, row.src.data(),
                             row.src_type, row.options);
    std::string got(target, static_cast<size_t>(placed + ((row.options & CD_NO_NUL) ? 0 : 1)));
    for (char& c : got)
      if (c == '\0') c = '|';
    EXPECT_EQ(placed, row.placed) << row.expect;
    EXPECT_EQ(got, row.expect);
  }
  char t4[4];
  EXPECT_EQ(convertData(4, t4, 2, -1, "-17", 1, 0), 4);
  int32_t v;
  memcpy(&v, t4, 4);
  EXPECT_EQ(v, -17);
  int16_t s;
  EXPECT_EQ(convertData(2, t4, 2, -1, " 300", 1, 0), 2);
  memcpy(&s, t4, 2);
  EXPECT_EQ(s, 300);
  EXPECT_EQ(convertData(4, t4, 2, -1, "12x", 1, 0), 0);  // not a number: nothing stored
}

TEST_F(FetchExits, ScriptExitRunsTheBuiltInDriver) {
  // fetchxi1 hands the script to the built-in computed cursors, which know
  // no CACHE: no rows and status -1, but the run itself succeeds.
  curs* cur = exit_cursor("I", "fetchxi1", "CACHE p", "select a from x", {"A"});
  // Its load sees a run without rows: the target takes the dictionary's
  // default (a blanked over 4), not a value of some earlier row.
  curs* v = cursor("V", "SELECT 'xxxx' AS a", {"a"});
  ASSERT_EQ(run(v), 0);
  v->virtual_ = 1;
  ASSERT_EQ(add_load_text(cur, "A -> V.a"), 0);
  ASSERT_EQ(parse_loads(), 0);
  cur->trace = 1;  // the cursor's own trace shows the call
  PrintCapture cap;
  EXPECT_EQ(run(cur), 0);
  EXPECT_NE(cap.lines().find("CCC4024T Call Exit CACHE, Parms p.\n"), std::string::npos);
  EXPECT_EQ(cur->last_sqlcode, -1);
  EXPECT_EQ(cur->first_row, nullptr);
  EXPECT_EQ(texts(v).front().substr(0, 4), "    ");
  // A driver that answers only a message: no row fetched, so a conditional
  // dummy row is laid out from the result columns and stored.
  set_internal_driver([](const char*, const char*) {
    auto* line = new r_exec_chain;
    line->line = "ABC1234I nothing here";
    return line;
  });
  curs* d = exit_cursor("D", "fetchxi1", "ANY", "select a from x", {"A"});
  d->conditional_dummy_last_row = 1;
  EXPECT_EQ(run(d), 0);
  register_computed_cursors();
  EXPECT_EQ(texts(d), std::vector<std::string>{"N/A  "});
}

}  // namespace
