// COLLECT.CTL: the cursor records built from good files (the derived parts),
// the listing, and the message lines of every refused statement and block.
#include "ctl/collect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/dict.h"
#include "ctl/fetch_exit.h"
#include "ctl/script_exit.h"
#include "ctl_fixture.h"
#include "driver/startup.h"
#include "util/trace.h"

namespace {

class CollectFile : public ctl_test {
 protected:
  // Parses tests/data/ctl/coll/<corpus>, which must pass without a message;
  // returns the first cursor.
  curs* parse_good(const std::string& corpus) {
    use("coll", "coll/" + corpus);
    int rc = -1;
    EXPECT_EQ(run(parse_curs, &rc), lines{});
    EXPECT_EQ(rc, 0);
    return anchors.cur_anchor;
  }
};

TEST_F(CollectFile, DerivesInsertSelectAndWindows) {
  curs* s = parse_good("good.ctl");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->insert, "insert into SESSTAB (sid, cpu, name) values (?,?,?)");
  EXPECT_EQ(s->select, "SELECT sid,cpu,name FROM SESSTAB WHERE status = 'ACTIVE'");
  // Each keyword lands in its own field: interval limit class objid set rpc_version samples.
  EXPECT_EQ((std::vector<int>{s->interval, s->limit, s->class_, s->objid, s->set, s->rpc_version,
                              s->samples}),
            (std::vector<int>{60, 500, 3, 17, 2, 1, 5}));
  EXPECT_EQ(s->saturday->end, 93600);  // 0200 is below 0800: the next day
  EXPECT_EQ(s->sunday, &full_day);
  EXPECT_EQ(s->window_open, ctl_day_of("20240115") * 86400);
  EXPECT_EQ(s->window_close, s->window_open + 86400);
  EXPECT_EQ(tracing.trace_something, 1);
  curs* d = s->next;
  ASSERT_NE(d, nullptr);
  // Demand cursors get no default limit, interval or window.
  EXPECT_EQ(d->limit + d->interval + d->window_open, 0);
  EXPECT_EQ(d->insert_table, "v$x");
  // Two host variables of one name: two columns, one select item from table_name.
  EXPECT_EQ(d->column_list->next->next, nullptr);
  EXPECT_EQ(d->select, "SELECT a FROM PROBE_T");
}

TEST_F(CollectFile, KeepsARawSelectAndTheFetchExit) {
  const char dict[] = "name a;\ntype CHAR(7);\nname b;\ntype INTEGER;\nend;\n";
  FILE* f = fmemopen(const_cast<char*>(dict), sizeof dict - 1, "r");
  ASSERT_EQ(parse_dict_stream(f), 0);
  fclose(f);
  curs* c = parse_good("raw_select.ctl");
  EXPECT_EQ(c->select, "select a, b from t [where]");
  EXPECT_EQ(c->raw_has_brackets, 1);
  EXPECT_STREQ(c->fetch_exit->name, "fetchx1");
  EXPECT_EQ(c->fetch_exit->run_option, 1);  // the t suffix: timed
  EXPECT_EQ(c->fetch_exit->time_out, 45);
  EXPECT_EQ(c->column_list->next->occurrence, 3);  // :3! takes the third select item
  EXPECT_EQ(c->interval, 0);                       // virtual: no default interval
  // The script's result columns, sized and typed by the dictionary.
  const xda_ptr* x = script_xda(c);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->lengths, (std::vector<int32_t>{7, 21}));
  EXPECT_EQ(x->types, (std::vector<int16_t>{1, 2}));
  EXPECT_STREQ(x->names[1], "b");
  EXPECT_EQ(x->values[1] - x->values[0], 7);
}

TEST_F(CollectFile, LeavesPseudoColumnsOutOfTheSelect) {
  use("coll", "coll/pseudo.ctl");
  int rc = -1;
  run(parse_curs, &rc);
  ASSERT_EQ(rc, 0);
  // %Machine is no pseudo-column: only all-lower and all-upper spellings are.
  EXPECT_EQ(anchors.cur_anchor->select, "SELECT s.col,%Machine,2! FROM T");
}

TEST_F(CollectFile, TakesValuesAtTheirLimits) {
  curs* c = parse_good("flags.ctl");
  EXPECT_EQ((std::vector<int>{c->limit, c->samples, c->class_, c->start_after, c->stop_after}),
            (std::vector<int>{12345, 9999, 50, 5, 7}));
  EXPECT_EQ(c->hold, 'Y');
  EXPECT_EQ(c->window_open, 0);  // held: no window computed
}

TEST_F(CollectFile, FileWideStatements) {
  use("coll", "coll/trace_all.ctl");
  int rc = -1;
  run(parse_curs, &rc);
  EXPECT_EQ(anchors.cur_anchor->next->trace, 1);  // trace_all reaches later cursors
  restart();
  parse_good("go_home.ctl");
  EXPECT_EQ(anchors.go_home_time, ctl_now_secs() + 120);
  restart();
  curs* b = parse_good("held_start.ctl")->next;
  // A start without its end waits for the end in a later block.
  EXPECT_EQ(anchors.cur_anchor->mon_fri, &full_day);
  EXPECT_EQ(b->mon_fri->start, 32400);
  EXPECT_EQ(b->sunday->start, 0);  // an end without a start opens at midnight
}

TEST_F(CollectFile, ReleasesCursorsOnlyUnderTheMemorySwitch) {
  parse_good("good.ctl");
  del_curs();
  EXPECT_NE(anchors.cur_anchor, nullptr);  // switch off: nothing released
  tracing.my_trace_all[0] = tracing.trace_something = 1;
  lines got = captured([] { del_curs(); });
  EXPECT_EQ(anchors.cur_anchor, nullptr);
  EXPECT_EQ(got, (lines{"CDC0305T del_cur() Freeing storage for cursor:SESS",
                        "CDC0305T del_cur() Freeing storage for cursor:DEM"}));
}

TEST_F(CollectFile, RefusesBadFilesWithTheirMessages) {
  check_file_cases("coll", "coll", parse_curs, 1, [] {});
  restart();
  int rc = -1;
  use("coll", "coll/missing_end.ctl");
  run(parse_curs, &rc);
  EXPECT_EQ(anchors.cur_anchor, nullptr);  // the block never closed is not linked
}

}  // namespace
