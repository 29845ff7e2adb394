// Test ground of the database session and cursor runs: a real SQLite file in a
// scratch directory, the collector's process definition logging on locally,
// cursors with their columns, and the stored rows shown as text.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/distributor.h"
#include "db_test_util.h"
#include "fake_clock.h"
#include "rows/database.h"
#include "rows/dyn_sql.h"
#include "rows/row_chain.h"
#include "row_fixture.h"

class SqlTest : public RowTest {
 protected:
  static constexpr time_t kNow = 1322987405;  // 2011-12-04 08:30:05 UTC
  static constexpr const char* kRunTime = "20111204083005";

  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
    RowTest::SetUp();
    clock_.install();
    env_vars.serverid = env_store("coll");
    env_vars.db_home = env_store(dir_.path());
    coll_ = process_arena().make<distributor>();
    coll_->type = 1;
    strcpy(coll_->distrib_name, "collector");
    strcpy(coll_->logon_id, "scott");
    strcpy(coll_->password, "tiger");
    anchors.collector_at = anchors.distrib_anchor = coll_;
  }

  // Makes (or extends) the local database file by running `sql`.
  void make_db(const char* sql) { make_sqlite_file(dir_.file("coll.db"), sql); }

  // A cursor on the cursor chain running `select`, with one column per name.
  curs* cursor(const char* name, const char* select, std::initializer_list<const char*> cols) {
    curs* cur = test_cursor(name);
    cur->select = select;
    for (const char* c : cols) test_column(cur, c);
    curs** tail = &anchors.cur_anchor;
    while (*tail) tail = &(*tail)->next;
    *tail = cur;
    return cur;
  }

  // Runs `cur` as a cursor run does: logging on first when needed.
  int run(curs* cur) {
    if (!database_connected()) {
      int rc = connect_to_DB(coll_);
      if (rc) return rc;
    }
    return prep_l_fetch(cur, kRunTime, &total_);
  }

  // The stored rows' texts, each NUL shown as '|'.
  static std::vector<std::string> texts(const curs* cur) {
    std::vector<std::string> out;
    for (const text_row* r = cur->first_row; r; r = r->next) {
      std::string t(r->text(), static_cast<size_t>(cur->length));
      for (char& c : t)
        if (c == '\0') c = '|';
      out.push_back(t);
    }
    return out;
  }

  FakeClock clock_{kNow};
  distributor* coll_ = nullptr;
  int total_ = 0;
};
