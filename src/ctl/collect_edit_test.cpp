// The checks of a finished cursor block that need clause records or
// versions, on records built directly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "ctl_fixture.h"
#include "driver/steps.h"

namespace {

class EditCursorBlock : public ctl_test {};

TEST_F(EditCursorBlock, RefusesClauseAndVersionConflicts) {
  struct row {
    const char* what;
    void (*set)(curs*);
    std::string line;
  };
  static char opaque[64];  // stands for a clause record; the checks only test presence
  const row rows[] = {
      {"base", [](curs* c) { c->no_sql = 1, c->bases = reinterpret_cast<base*>(opaque); },
       "PCC0410E NO_SQL and BASE are incompatable"},
      {"iterate_where", [](curs* c) { c->iterate_where = reinterpret_cast<i_ptr*>(opaque); },
       "PCC0415E ITERATE_WHERE requires ITERATE"},
      {"conditional", [](curs* c) { c->virtual_ = 1, c->conditional = 1; },
       "PCC0443E A virtual cursor (V) can't be conditional"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    restart();
    curs c;
    memcpy(c.cur_name, "V", 2);
    c.interval = c.limit = 5;
    c.insert = "insert into T (x) values (?)";
    c.table_name = "T";
    add_column("x", 1, &c);
    r.set(&c);
    int rc = -1;
    EXPECT_EQ(captured([&] { rc = edit_cursor_block(&c); }), std::vector<std::string>{r.line});
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(reader.failed, 1);
  }
}

}  // namespace
