// COLLECT.CTL: the cursor records built from good files, defaults and
// warnings, and the message lines of every refused statement and block.
#include "ctl/collect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/fetch_exit.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

// The message lines without the banners and the echoed statements.
std::vector<std::string> parse_lines(const std::vector<std::string>& lines) {
  return headed(without(lines, {"PCC0275", "PCC0280", "PCC0285", "PCC0735", "PCC0740", "PCC0745"}));
}

std::vector<std::string> names_of(const columns* c) {
  std::vector<std::string> out;
  for (; c; c = c->next) out.emplace_back(c->name, c->name_len);
  return out;
}

std::vector<std::string> names_of(const host_col* h) {
  std::vector<std::string> out;
  for (; h; h = h->next) out.emplace_back(h->name);
  return out;
}

const char* errors_line = "PCC0755E Parsing ended with errors";

class CollectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    unsetenv("COLL_ZDB_LIMIT");
    files_ = std::make_unique<ctl_files>();
  }
  void TearDown() override {
    files_.reset();
    unsetenv("COLL_ZDB_LIMIT");
    reset_process_state();
  }
  // Parses tests/data/ctl/coll/<corpus>; returns the result and the lines.
  std::vector<std::string> parse(const std::string& corpus, int* rc) {
    files_->use("coll", "coll/" + corpus);
    return parse_lines(captured([&] { *rc = parse_curs(); }));
  }
  std::unique_ptr<ctl_files> files_;
};

curs* cursor_named(const char* name) {
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (strcmp(c->cur_name, name) == 0) return c;
  }
  return nullptr;
}

TEST_F(CollectFile, BuildsCursorsFromTheirBlocks) {
  int rc = -1;
  EXPECT_EQ(parse("good.ctl", &rc), std::vector<std::string>{});
  ASSERT_EQ(rc, 0);

  curs* s = anchors.cur_anchor;
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->cur_name, "SESS");
  EXPECT_STREQ(s->last_time, "19900101010101");
  EXPECT_EQ(s->insert, "insert into SESSTAB (sid, cpu, name) values (?,?,?)");
  EXPECT_EQ(names_of(s->host_cols), (std::vector<std::string>{"sid", "cpu", "name"}));
  EXPECT_EQ(s->ins_col_count, 3);
  EXPECT_EQ(s->hv_count, 3);
  EXPECT_EQ(names_of(s->column_list), (std::vector<std::string>{"sid", "cpu", "name"}));
  const columns* cpu = s->column_list->next;
  EXPECT_EQ(cpu->col_funct, 3);  // AVG!
  EXPECT_EQ(cpu->num_type, 1);   // INT!
  EXPECT_EQ(cpu->set_length, 12);
  EXPECT_EQ(s->has_col_funct, 1);
  EXPECT_EQ(s->has_min_max, 0);
  EXPECT_EQ(s->insert_table, "SESSTAB");
  EXPECT_EQ(s->table_name, "SESSTAB");
  EXPECT_EQ(s->insert_where, "status = 'ACTIVE'");
  EXPECT_EQ(s->select, "SELECT sid,cpu,name FROM SESSTAB WHERE status = 'ACTIVE'");
  EXPECT_EQ(s->interval, 60);
  EXPECT_EQ(s->limit, 500);
  EXPECT_EQ(s->class_, 3);
  EXPECT_EQ(s->history, 1);
  ASSERT_NE(s->saturday, nullptr);
  EXPECT_EQ(s->saturday->start, 28800);
  EXPECT_EQ(s->saturday->end, 93600);  // 0200 is below 0800: the next day
  EXPECT_EQ(s->sunday, &full_day);
  EXPECT_EQ(s->mon_fri, &full_day);
  EXPECT_EQ(s->uuidbase, "0001-aa-bb");
  EXPECT_EQ(s->objid, 17);
  EXPECT_EQ(s->set, 2);
  EXPECT_EQ(s->rpc_version, 1);
  EXPECT_EQ(s->samples, 5);
  EXPECT_EQ(s->trace, 1);
  EXPECT_EQ(tracing.trace_something, 1);
  EXPECT_EQ(std::string(s->last_sqlcode_text), std::string(16, ' '));
  EXPECT_EQ(s->vers_list, s);
  EXPECT_EQ(s->tree_place, s);
  int32_t monday = ctl_day_of("20240115") * 86400;
  EXPECT_EQ(s->window_open, monday);
  EXPECT_EQ(s->window_close, monday + 86400);

  curs* d = s->next;
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->cur_name, "DEM");
  EXPECT_EQ(d->demand, 1);
  EXPECT_EQ(d->stale, 30);
  EXPECT_EQ(d->time_limit, 600);
  EXPECT_EQ(d->limit, 0);     // demand cursors get no default limit
  EXPECT_EQ(d->interval, 0);  // ... nor a default interval
  EXPECT_STREQ(d->age_to, "SESS");
  EXPECT_EQ(d->insert_table, "v$x");
  EXPECT_EQ(d->table_name, "PROBE_T");
  // Two host variables of one name: two columns, one select item.
  EXPECT_EQ(names_of(d->column_list), (std::vector<std::string>{"a", "a"}));
  EXPECT_EQ(d->select, "SELECT a FROM PROBE_T");
  EXPECT_EQ(d->window_open, 0);  // no window for a demand cursor
  EXPECT_EQ(d->next, nullptr);
}

TEST_F(CollectFile, DefaultsIntervalAndRowLimit) {
  struct row {
    const char* zdb_limit;  // COLL_ZDB_LIMIT, or null for unset
    int32_t limit;
    std::string warning;
  };
  const row rows[] = {
      {nullptr, 1024, "PCC0370W Warning, Cursor (W) No cursor row limit, using default 1024 rows"},
      {"0", 1024, "PCC0371W Warning, Cursor (W) No cursor row limit, using (1024) rows"},
      {"77", 77, "PCC0371W Warning, Cursor (W) No cursor row limit, using (77) rows"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.zdb_limit ? r.zdb_limit : "unset");
    files_.reset();
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    if (r.zdb_limit) setenv("COLL_ZDB_LIMIT", r.zdb_limit, 1);
    int rc = -1;
    EXPECT_EQ(parse("defaults.ctl", &rc),
              (std::vector<std::string>{
                  "PCC0345W Using default interval of 10 seconds for cursor W", r.warning}));
    EXPECT_EQ(rc, 0);
    ASSERT_NE(anchors.cur_anchor, nullptr);
    EXPECT_EQ(anchors.cur_anchor->interval, 10);
    EXPECT_EQ(anchors.cur_anchor->limit, r.limit);
    unsetenv("COLL_ZDB_LIMIT");
  }
}

TEST_F(CollectFile, KeepsARawSelectAndTheFetchExit) {
  int rc = -1;
  EXPECT_EQ(parse("raw_select.ctl", &rc), std::vector<std::string>{});
  ASSERT_EQ(rc, 0);
  curs* c = anchors.cur_anchor;
  EXPECT_EQ(c->select, "select a, b from t [where]");
  EXPECT_EQ(c->raw_has_brackets, 1);
  ASSERT_NE(c->fetch_exit, nullptr);
  EXPECT_STREQ(c->fetch_exit->name, "fetchx1");
  EXPECT_EQ(c->fetch_exit->output_format, 1);
  EXPECT_EQ(c->fetch_exit->run_option, 1);  // the t suffix: timed
  EXPECT_EQ(c->fetch_exit->time_out, 45);
  EXPECT_EQ(c->script, "run.sh");
  EXPECT_EQ(c->column_list->next->occurrence, 3);  // :3! takes the third select item
  EXPECT_EQ(c->virtual_, 1);
  EXPECT_EQ(c->empty, 1);
  EXPECT_EQ(c->interval, 0);  // virtual: no default interval
}

TEST_F(CollectFile, LeavesPseudoColumnsOutOfTheSelect) {
  int rc = -1;
  parse("pseudo.ctl", &rc);
  ASSERT_EQ(rc, 0);
  curs* c = anchors.cur_anchor;
  // %Machine is no pseudo-column: only all-lower and all-upper spellings are.
  EXPECT_EQ(c->select, "SELECT s.col,%Machine,2! FROM T");
  const columns* s_col = c->column_list->next->next;
  EXPECT_EQ(s_col->qualified, 1);
  EXPECT_EQ(s_col->next->next->occurrence, 2);
}

TEST_F(CollectFile, SetsFlagsAndTakesValuesAtTheirLimits) {
  int rc = -1;
  EXPECT_EQ(parse("flags.ctl", &rc), std::vector<std::string>{});
  ASSERT_EQ(rc, 0);
  curs* c = anchors.cur_anchor;
  EXPECT_EQ(c->history + c->once + c->no_sql + c->show_cursor + c->show_row, 5);
  EXPECT_EQ(c->hold, 'Y');
  EXPECT_EQ(c->conditional_dummy_last_row, 1);
  EXPECT_EQ(c->traced + c->tracem, 2);
  EXPECT_EQ(c->start_after, 5);
  EXPECT_EQ(c->stop_after, 7);
  EXPECT_EQ(c->samples, 9999);
  EXPECT_EQ(c->class_, 50);
  EXPECT_EQ(c->limit, 12345);
  EXPECT_EQ(c->window_open, 0);  // held: no window computed
}

TEST_F(CollectFile, TraceAllMarksEveryCursor) {
  int rc = -1;
  parse("trace_all.ctl", &rc);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(tracing.trace_all, 1);
  EXPECT_EQ(anchors.cur_anchor->trace, 1);
  EXPECT_EQ(anchors.cur_anchor->next->trace, 1);
}

TEST_F(CollectFile, HoldsAWindowStartAcrossBlocks) {
  int rc = -1;
  parse("held_start.ctl", &rc);
  ASSERT_EQ(rc, 0);
  curs* b = cursor_named("B");
  EXPECT_EQ(cursor_named("A")->mon_fri, &full_day);
  EXPECT_EQ(b->mon_fri->start, 32400);
  EXPECT_EQ(b->mon_fri->end, 36000);
  EXPECT_EQ(b->sunday->start, 0);  // an end without a start opens at midnight
  EXPECT_EQ(b->sunday->end, 3600);
}

TEST_F(CollectFile, GoHomeSetsTheStopTime) {
  int rc = -1;
  parse("go_home.ctl", &rc);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(anchors.go_home_time, ctl_now_secs() + 120);
}

TEST_F(CollectFile, PrintsBannersAndRefusesAMissingFile) {
  files_->use("coll", "coll/missing_end.ctl");
  int rc = -1;
  auto lines = captured([&] { rc = parse_curs(); });
  EXPECT_EQ(rc, 1);
  std::string dashes = "--------------------------------------------------------------";
  EXPECT_EQ(without(lines, {}),
            (std::vector<std::string>{
                "PCC0275I " + dashes,
                "PCC0280I -- Starting parse of COLLECT.CTL -- Time = 2024/01/15 10:00:00",
                "PCC0285I " + dashes,
                "PCC0730E Missing end statement",
                "PCC0735I " + dashes,
                "PCC0740I --  Collector Parsing ended at 2024/01/15 10:00:00",
                "PCC0745I " + dashes,
                errors_line,
            }));
  // The block never closed is not linked.
  EXPECT_EQ(anchors.cur_anchor, nullptr);

  unlink(files_->dir().file("zdbcoll.ctl").c_str());
  lines = captured([&] { rc = parse_curs(); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"UOI0055W Could not find a zdbcoll.ctl file"}));
}

TEST_F(CollectFile, RefusesAStatementLongerThanTheBuffer) {
  std::string text = "cursor A;\ninsert_where";
  for (int i = 0; i < 100; ++i) text += "\n" + std::string(200, 'w');
  files_->write("coll", text + ";\nend;\n");
  int rc = -1;
  auto lines = parse_lines(captured([&] { rc = parse_curs(); }));
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "PCC0310E Parsing failed : Syntax error - Statement longer than 15995 "
                       "characters, Text = insert_where " +
                           std::string(27, 'w'),
                       errors_line}));
}

TEST_F(CollectFile, ReleasesCursorsOnlyUnderTheMemorySwitch) {
  int rc = -1;
  parse("good.ctl", &rc);
  ASSERT_EQ(rc, 0);
  del_curs();
  EXPECT_NE(anchors.cur_anchor, nullptr);  // switch off: nothing released
  tracing.my_trace_all[0] = 1;
  tracing.trace_something = 1;
  auto lines = captured([] { del_curs(); });
  EXPECT_EQ(anchors.cur_anchor, nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "CDC0305T del_cur() Freeing storage for cursor:SESS",
                       "CDC0305T del_cur() Freeing storage for cursor:DEM",
                   }));
}

TEST_F(CollectFile, ListsCursorsWhenTracing) {
  files_->write("coll",
                "cursor L;\ninsert into T (x, y) values (:MAX!x, :y^7);\ninterval 30;\n"
                "limit 2;\ndemand;\nmon_fri_start 0830;\nmon_fri_end 1700;\nend;\n");
  tracing.trace_all = 1;
  tracing.trace_something = 1;
  int rc = -1;
  auto lines = captured([&] { rc = parse_curs(); });
  ASSERT_EQ(rc, 0);
  std::vector<std::string> listing;
  for (const std::string& l : lines) {
    if (l.compare(0, 3, "PSC") == 0) listing.push_back(l);
  }
  EXPECT_EQ(listing, (std::vector<std::string>{
                         "PSC0030T Cursor name = L",
                         "PSC0035T Last Cursor time= 19900101010101",
                         "PSC0040T Raw_insert_select= ",
                         "PSC0045T Insert sel len= 0",
                         "PSC0050T Text len= 18",
                         "PSC0055T Select= SELECT x,y FROM T",
                         "PSC0055T Limit= 2",
                         "PSC0060T Time Limit= 0",
                         "PSC0065T Row length= 0",
                         "PSC0070T Has Column Function(s)",
                         "PSC0075T  Ins Col= x",
                         "PSC0085T    has Col Funct = MAX",
                         "PSC0125T Orig data type= 0",
                         "PSC0130T Oracle data len= 0",
                         "PSC0140T Formatted data length= 0",
                         "PSC0145T Buffer Offset= 0",
                         "PSC0075T  Ins Col= y",
                         "PSC0125T Orig data type= 0",
                         "PSC0130T Oracle data len= 0",
                         "PSC0135T Formatted data length= 7",
                         "PSC0145T Buffer Offset= 0",
                         "PSC0150T Ins where= ..",
                         "PSC0155T Insert= insert into T (x, y) values (?,?)",
                         "PSC0160T Table= T",
                         "PSC0165T Saturday start= 0",
                         "PSC0170T Saturday end= 2400",
                         "PSC0175T Sunday start= 0",
                         "PSC0180T Sunday end= 2400",
                         "PSC0185T Mon_Fri start= 830",
                         "PSC0190T Mon_Fri end= 1700",
                         "PSC0195T Window open at 19920229000000",
                         "PSC0200T Window closes at 19920229000000",
                         "PSC0205T Interval= 30",
                         "PSC0215T History does not apply",
                         "PSC0220T Demand cursor",
                     }));
}

struct bad_file {
  const char* file;
  int rc;
  std::vector<std::string> lines;
};

const char* unterminated = "Syntax error - Missing an ending \" or ' within max word length";
const char* default_interval_a = "PCC0345W Using default interval of 10 seconds for cursor A";
const char* default_limit_a =
    "PCC0370W Warning, Cursor (A) No cursor row limit, using default 1024 rows";

// clang-format off
const bad_file bad_files[] = {
    // A block with nothing but its name.
    {"only_name.ctl", 1, {default_interval_a, "PCC0355E No local columns to fetch for insert",
                          "PCC0360E Cursor (A). No model INSERT statement", "PCC0365E Cursor (A). No table name found",
                          default_limit_a, errors_line}},
    // No name at all: the messages without one.
    {"no_name.ctl", 1, {"PCC0445E No Cursor name supplied", "PCC0327E No cursor name",
                        "PCC0345W Using default interval of 10 seconds for cursor ",
                        "PCC0355E No local columns to fetch for insert", "PCC0360E No model INSERT statement",
                        "PCC0365E No table name found", "PCC0370W Warning, No cursor row limit, using default 1024 rows",
                        errors_line}},
    {"long_name.ctl", 1, {"PCC0450E Cursor name exceeeds 8 characters", "PCC0327E No cursor name",
                          "PCC0345W Using default interval of 10 seconds for cursor ",
                          "PCC0355E No local columns to fetch for insert", "PCC0360E No model INSERT statement",
                          "PCC0365E No table name found",
                          "PCC0370W Warning, No cursor row limit, using default 1024 rows", errors_line}},
    {"first_word_length.ctl", 1, {"PCC0320E First word must be 'cursor'", errors_line}},  // not six characters
    {"first_word_other.ctl", 1, {"PCC0325E First word must be 'cursor'", errors_line}},   // six, but not cursor
    {"first_word_case.ctl", 1, {"PCC0325E First word must be 'cursor'", errors_line}},    // mixed case
    {"first_word_tokeniser.ctl", 1, {std::string("PCC0310E Parsing failed : ") + unterminated + ", Text = 'cursor A    ", errors_line}},
    {"unknown_keyword.ctl", 1, {"PCC0315E Unknown keyword (intervall)", errors_line}},
    // ';' inside quotes ends the statement and leaves the quote open.
    {"tokeniser_later.ctl", 1, {"PCC0460E Parsing failed : Syntax error - Position = 21 Missing an ending \" or ' within max word length, Text = 'a    ", errors_line}},
    {"right_paren.ctl", 1, {"PCC0460E Parsing failed : Syntax error - Position = 19 Right parenthesis without preceeding Left parenthesis, Text = )", errors_line}},
    {"duplicate_name.ctl", 1, {"PCC0455E Duplicate cursor name A"}},  // returns at once
    {"insert_duplicate.ctl", 1, {"PCC0465E Duplicate INSERT entry", errors_line}},
    {"insert_count.ctl", 1, {"PCC0470E On INSERT, num of cols (1) is not num HVs (2)", "PCC0475E Col #0 = a",
                             "PCC0475E Col #1 = b", default_interval_a, default_limit_a, errors_line}},
    {"insert_no_hv.ctl", 1, {"CEV1820E No host variables in INSERT", default_interval_a,
                             "PCC0355E No local columns to fetch for insert", default_limit_a, errors_line}},
    {"insert_no_parens.ctl", 1, {"CEV1825E Insert parentheses dont match-up", default_interval_a, default_limit_a, errors_line}},
    {"insert_table_short.ctl", 1, {"PCC0715E Invalid table name format", default_interval_a,
                                   "PCC0355E No local columns to fetch for insert", "PCC0360E Cursor (A). No model INSERT statement",
                                   "PCC0365E Cursor (A). No table name found", default_limit_a, errors_line}},
    {"insert_table_period.ctl", 1, {"PCC0720E Invalid table name format", default_interval_a,
                                    "PCC0360E Cursor (A). No model INSERT statement", default_limit_a, errors_line}},
    {"insert_where_duplicate.ctl", 1, {"PCC0495E Duplicate insert_where entry", errors_line}},
    {"insert_select_duplicate.ctl", 1, {"PCC0500E Duplicate insert_select entry", errors_line}},
    {"interval_long.ctl", 1, {"PCC0565E Invalid interval length (5)", default_interval_a, errors_line}},
    {"interval_duplicate.ctl", 1, {"PCC0560E Duplicate interval", errors_line}},
    {"limit_long.ctl", 1, {"PCC0625E Invalid Limit length (6)", default_limit_a, errors_line}},
    {"limit_duplicate.ctl", 1, {"PCC0620E Duplicate Limit", errors_line}},
    {"time_long.ctl", 1, {"PCC0685E Invalid Time Limit length (5)", errors_line}},
    {"time_duplicate.ctl", 1, {"PCC0680E Duplicate Time Limit", errors_line}},
    {"samples_long.ctl", 1, {"PCC0635E Invalid Sample (5)", errors_line}},
    {"class_long.ctl", 1, {"PCC0695E Invalid Class length (5)", errors_line}},
    {"class_value.ctl", 1, {"PCC0700E Excessive Class value", errors_line}},
    {"class_duplicate.ctl", 1, {"PCC0690E Duplicate Class Specified", errors_line}},
    {"stale_long.ctl", 1, {"PCC0645E Invalid interval length (5)", errors_line}},
    {"stale_duplicate.ctl", 1, {"PCC0640E Duplicate Stale time", "PCC0340E Error - Stale only valid with demand cursor", errors_line}},
    {"stale_not_demand.ctl", 1, {"PCC0340E Error - Stale only valid with demand cursor", errors_line}},
    {"go_home_long.ctl", 1, {"PCC0630E Invalid Go_home length (5)", errors_line}},
    {"objid_long.ctl", 1, {"PCC0615E Invalid set length (7)", errors_line}},
    {"objid_duplicate.ctl", 1, {"PCC0610E Duplicate objid", errors_line}},
    {"set_long.ctl", 1, {"PCC0595E Invalid Set length (5)", errors_line}},
    {"set_duplicate.ctl", 1, {"PCC0590E Duplicate set", errors_line}},
    {"rpc_long.ctl", 1, {"PCC0605E Invalid Rpc_version length (5)", errors_line}},
    {"rpc_duplicate.ctl", 1, {"PCC0600E Duplicate rpc_version", errors_line}},
    {"uuidbase_long.ctl", 1, {"PCC0655E Invalid Uuidbase length (36)", errors_line}},
    {"uuidbase_duplicate.ctl", 1, {"PCC0650E Duplicate Uuidbase", errors_line}},  // "a-b" then "c"
    {"uuidpavc_long.ctl", 1, {"PCC0665E Invalid Uuidpavc length (36)", errors_line}},
    {"uuidpavc_duplicate.ctl", 1, {"PCC0660E Duplicate Uuidpavc", errors_line}},
    {"uuidpcvc_long.ctl", 1, {"PCC0675E Invalid Uuidpcvc length (36)", errors_line}},
    {"uuidpcvc_duplicate.ctl", 1, {"PCC0670E Duplicate Uuidpcvc", errors_line}},
    {"age_to_long.ctl", 1, {"PCC0710E Excessive length on age_to name", errors_line}},
    // This message has no line end of its own: the end banner follows on its line.
    {"age_to_duplicate.ctl", 1, {"PCC0705E Duplicate age_to entryPCC0735I (100000) --------------------------------------------------------------", errors_line}},
    {"start_after_long.ctl", 1, {"PCC0575E Invalid start_after (4)", errors_line}},
    {"start_after_duplicate.ctl", 1, {"PCC0570E Duplicate start_after", errors_line}},
    {"stop_after_long.ctl", 1, {"PCC0585E Invalid stop_after (4)", errors_line}},
    {"stop_after_duplicate.ctl", 1, {"PCC0580E Duplicate stop_after", errors_line}},
    {"fetch_exit_unknown.ctl", 1, {"PCC0485E Fetch exit routine not known", errors_line}},
    {"fetch_exit_duplicate.ctl", 1, {"PCC0480E Duplicate fetch_exit entry", "PCC0440E Fetch exit fetchx1 requires 'script' and 'select'", errors_line}},
    {"fetch_exit_no_script.ctl", 1, {"PCC0440E Fetch exit fetchxi1 requires 'script' and 'select'", errors_line}},
    {"script_duplicate.ctl", 1, {"PCC0490E Duplicate script entry", errors_line}},
    {"dummy_rows.ctl", 1, {"PCC0350E Conditional_dummy_last_row and dummy_last_row are exclusive", errors_line}},
    {"empty_once.ctl", 1, {"PCC0390E Empty and Once are incompatable", errors_line}},
    {"no_sql_select.ctl", 1, {"PCC0400E NO_SQL and INSERT_SELECT are incompatable", errors_line}},
    {"no_sql_virtual.ctl", 1, {"PCC0405E NO_SQL and VIRTUAL are incompatable", errors_line}},
    {"pseudo_only.ctl", 1, {"PCC0020E Error - No columns to fetch", errors_line}},
    {"long_column.ctl", 0, {"PCC0025W Warning, truncating col_name " + std::string(52, 'c')}},  // cut, not refused
    {"parens.ctl", 1, {"PCC0725E Parentheses do not balance", errors_line}},
    {"missing_end.ctl", 1, {"PCC0730E Missing end statement", errors_line}},
    {"if.ctl", 1, {"PCC0506E IF, ELSE and ENDIF are not supported (cursor A)", errors_line}},
    // After a statement error only cursor and end are read; B's interval is skipped.
    {"skip_after_error.ctl", 1, {"PCC0700E Excessive Class value",
                                 "PCC0345W Using default interval of 10 seconds for cursor B",
                                 "PCC0355E No local columns to fetch for insert",
                                 "PCC0360E Cursor (B). No model INSERT statement", "PCC0365E Cursor (B). No table name found",
                                 "PCC0370W Warning, Cursor (B) No cursor row limit, using default 1024 rows", errors_line}},
    {"window_saturday_len.ctl", 1, {"PCC0555E Incorrect length for saturday_start (4)", errors_line}},
    {"window_saturday_end_len.ctl", 1, {"PCC0565E Incorrect length for saturday_end (4)", errors_line}},
    {"window_sunday_len.ctl", 1, {"PCC0535E Incorrect length for sunday_start (4)", errors_line}},
    {"window_sunday_end_len.ctl", 1, {"PCC0545E Incorrect length for sunday_end (4)", errors_line}},
    {"window_mon_fri_len.ctl", 1, {"PCC0515E Incorrect length for mon_fri_start (4)", errors_line}},
    {"window_mon_fri_end_len.ctl", 1, {"PCC0525E Incorrect length for mon_fri_end (4)", errors_line}},
    {"window_starts.ctl", 1, {"PCC0550E Duplicate saturday_start specification", errors_line}},
    {"window_sunday_start.ctl", 1, {"PCC0530E Duplicate sunday_start specification", errors_line}},
    {"window_mon_fri_start.ctl", 1, {"PCC0510E Duplicate mon_fri_start specification", errors_line}},
};
// clang-format on

TEST_F(CollectFile, RefusesBadFilesWithTheirMessages) {
  for (const bad_file& b : bad_files) {
    SCOPED_TRACE(b.file);
    files_.reset();
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    int rc = -1;
    EXPECT_EQ(parse(b.file, &rc), b.lines);
    EXPECT_EQ(rc, b.rc);
  }
}

}  // namespace
