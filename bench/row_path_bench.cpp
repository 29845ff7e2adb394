// The row path from fetch to stored text row to probe record, for a 10,000-row,
// 8-column SQLite query, against a bare sqlite3_step loop that turns the same
// values into text, and against the database client's fetch alone; row
// assembly with and without math columns; and the column-function summary row
// over the stored rows. All read the same database file.
// With the test server of scripts/pg-server.sh up (COLLECTOR_TEST_DSN), the
// same pair over ODBC: a bare SQLFetch/SQLGetData loop and a cursor run of the
// same 10,000-row, 3-column query. Compare their CPU times.
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "derive/decode.h"
#include "derive/derived_columns.h"
#include "platform/db_client.h"
#include "platform/heap.h"
#include "rows/column_functions.h"
#include "rows/database.h"
#include "rows/dyn_sql.h"
#include "rows/row_chain.h"
#include "rows/row_hooks.h"
#include "rows/row_record.h"
#include "util/settings.h"

namespace {

constexpr int kRows = 10000;
const char* const kSelect =
    "SELECT id, name, cpu, reads, host, ratio, waits, state FROM stats ORDER BY id";

// The database file, made once for the whole run.
class bench_db {
 public:
  bench_db() {
    char tmpl[] = "/tmp/collector-bench.XXXXXX";
    dir_ = mkdtemp(tmpl) ? tmpl : "/tmp";
    path_ = dir_ + "/bench.db";
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE stats(id INTEGER, name VARCHAR2(30), cpu NUMBER(10,2),"
                 " reads NUMBER(12), host VARCHAR2(16), ratio NUMBER, waits INTEGER,"
                 " state CHAR(8));"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)"
                 " INSERT INTO stats SELECT i, 'session_' || i, i * 1.25, i * 1000, 'host' ||"
                 " (i % 7), i / 3.0, i % 97, CASE WHEN i % 2 THEN 'ACTIVE' ELSE 'INACTIVE' END"
                 " FROM n;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  ~bench_db() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& dir() const { return dir_; }
  const std::string& path() const { return path_; }

 private:
  std::string dir_, path_;
};

bench_db& database() {
  static bench_db db;
  return db;
}

// The bare loop: every value of every row as text, copied into a row buffer.
void BM_BareSqliteStep(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(database().path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  char row[1024];
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kSelect, -1, &st, nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      size_t at = 0;
      for (int i = 0; i < 8; ++i) {
        const unsigned char* v = sqlite3_column_text(st, i);
        size_t n = static_cast<size_t>(sqlite3_column_bytes(st, i));
        if (v) memcpy(row + at, v, n);
        at += n;
        row[at++] = '\0';
      }
      benchmark::DoNotOptimize(row);
      ++rows;
    }
    sqlite3_finalize(st);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The database client alone: the same query fetched row by row into the
// character buffers of a descriptor (NUMBER items as decimal text), nothing stored.
void BM_ClientFetch(benchmark::State& state) {
  env_vars.serverid = env_store("bench");
  env_vars.db_home = env_store(database().dir());
  db_session session;
  if (session.logon_os() != 0) {
    state.SkipWithError("logon failed");
    return;
  }
  std::vector<char> area(8 * 400);
  std::vector<int16_t> ind(8);
  for (auto _ : state) {
    db_statement st(session);
    db_descriptor d(60);
    st.prepare(kSelect);
    st.declare();
    st.open();
    st.describe(d);
    for (size_t i = 0; i < d.item.size(); ++i) {
      d.item[i].buf = area.data() + 400 * i;
      d.item[i].buf_len = 384;
      d.item[i].ind = &ind[i];
    }
    int rows = 0;
    while (st.fetch(d) == 0) ++rows;
    st.close();
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  session.rollback(true);
}

// The STATS cursor over the query on the cursor chain, with the collector's
// process logged on. Null when the logon failed.
curs* stats_cursor() {
  env_vars.serverid = env_store("bench");
  env_vars.db_home = env_store(database().dir());
  distributor* coll = process_arena().make<distributor>();
  coll->type = 1;
  strcpy(coll->distrib_name, "collector");
  anchors.collector_at = coll;
  curs* cur = cursor_arena().make<curs>();
  strcpy(cur->cur_name, "STATS");
  cur->select = kSelect;
  const struct {
    const char* name;
    int16_t num_type;
  } cols[] = {{"id", 1},   {"name", 0},  {"cpu", 2},   {"reads", 5},
              {"host", 0}, {"ratio", 2}, {"waits", 1}, {"state", 0}};
  columns** tail = &cur->column_list;
  int16_t n = 0;
  for (const auto& c : cols) {
    columns* col = cursor_arena().make<columns>();
    strcpy(col->name, c.name);
    col->num_type = c.num_type;
    col->col_ordinal = ++n;
    *tail = col;
    tail = &col->next;
  }
  anchors.cur_anchor = cur;
  heap_tune();  // as the collector's start-up does
  return connect_to_DB(coll) == 0 ? cur : nullptr;
}

void end_stats_run(curs* cur) {
  commit_collect(1);
  free_all_rows(cur);
  reset_database_state();
  reset_definitions();
}

// The collector's path: a cursor run storing text rows, then every row made
// into its probe record.
void BM_RowPath(benchmark::State& state) {
  curs* cur = stats_cursor();
  if (!cur) {
    state.SkipWithError("logon failed");
    return;
  }
  std::vector<char> record;
  int total = 0;
  for (auto _ : state) {
    free_all_rows(cur);
    if (prep_l_fetch(cur, "20111204083005", &total) != 0 || cur->row_count != kRows) {
      state.SkipWithError("run failed");
      break;
    }
    record.assign(static_cast<size_t>(get_row_size(cur)), '\0');
    for (const text_row* r = cur->first_row; r; r = r->next) {
      make_row(cur, record.data(), r->text());
      benchmark::DoNotOptimize(record.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  end_stats_run(cur);
}

// Five decodes over the columns of the benchmark's rows: text and number
// tests, an and-part, a bit test; constants replace the values that match.
const char* const kDecodes[] = {
    "name search 'session_9' , 'nine'",
    "state = 'ACTIVE' , 'A'",
    "waits > 50 and < 90 , 1",
    "host ~= 'host3' , 'h'",
    "reads & 8 , 8",
};

// Row assembly alone (the cursor run storing text rows) with the given numbers
// of math columns and decodes over the fetched values: 0, 0 is the cost they
// add to.
void BM_RowAssembly(benchmark::State& state) {
  static const char* const kMath[] = {
      "m1 cpu * 100 / ( reads + 1 )",   "m2 ratio + waits * 2",
      "m3 ( id - waits ) / 3",          "high m4 cpu * 1",
      "decimal 0 m5 reads / 1000 + id",
  };
  curs* cur = stats_cursor();
  if (!cur) {
    state.SkipWithError("logon failed");
    return;
  }
  register_derived_columns();
  columns** tail = &cur->column_list;
  while (*tail) tail = &(*tail)->next;
  for (int64_t i = 0; i < state.range(0); ++i) {
    std::string text = std::string(kMath[i]) + "    ";
    if (parse_math(cur, text.data()) != 0) state.SkipWithError("math clause refused");
    columns* col = cursor_arena().make<columns>();
    snprintf(col->name, sizeof col->name, "m%d", static_cast<int>(i + 1));
    *tail = col;
    tail = &col->next;
  }
  if (edit_math() != 0) state.SkipWithError("math edit failed");
  for (int64_t i = 0; i < state.range(1); ++i) {
    std::string text = kDecodes[i];
    if (parse_decode(cur, text.data()) != 0) state.SkipWithError("decode refused");
  }
  if (edit_decode() != 0) state.SkipWithError("decode edit failed");
  int total = 0;
  for (auto _ : state) {
    free_all_rows(cur);
    if (prep_l_fetch(cur, "20111204083005", &total) != 0 || cur->row_count != kRows) {
      state.SkipWithError("run failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  end_stats_run(cur);
}

const char* const kPgSelect = "SELECT host, metric, value FROM bench_samples WHERE id <= 10000";

// A bare ODBC connection to the test server, or null (the reason in `why`).
struct odbc_link {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  ~odbc_link() {
    if (dbc != SQL_NULL_HDBC) {
      SQLDisconnect(dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  bool connect(std::string* why) {
    const char* dsn = getenv("COLLECTOR_TEST_DSN");
    const char* user = getenv("COLLECTOR_TEST_USER");
    const char* pw = getenv("COLLECTOR_TEST_PASSWORD");
    if (!dsn || !user || !pw) {
      *why = "no test server (eval \"$(scripts/pg-server.sh start DIR)\")";
      return false;
    }
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    auto text = [](const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); };
    if (!SQL_SUCCEEDED(
            SQLConnect(dbc, text(dsn), SQL_NTS, text(user), SQL_NTS, text(pw), SQL_NTS))) {
      *why = "cannot connect to the test server";
      return false;
    }
    return true;
  }
  bool exec(const char* sql) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    bool ok = SQL_SUCCEEDED(
        SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS));
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return ok;
  }
};

// The server's table, made once for the whole run: text columns without a
// declared length, as monitoring views often have them.
bool pg_samples(std::string* why) {
  static std::string failed = [] {
    odbc_link link;
    std::string reason;
    if (!link.connect(&reason)) return reason;
    const bool made =
        link.exec("DROP TABLE IF EXISTS bench_samples") &&
        link.exec(
            "CREATE TABLE bench_samples(id integer, host varchar, metric varchar,"
            " value double precision)") &&
        link.exec(
            "INSERT INTO bench_samples SELECT i, 'host' || (i % 50), 'metric_' || (i % 20),"
            " i * 0.25 FROM generate_series(1, 10000) AS i");
    return made ? std::string() : std::string("cannot make the table bench_samples");
  }();
  *why = failed;
  return failed.empty();
}

// The bare ODBC loop: every value of every row fetched as text with
// SQLGetData, copied into a row buffer.
void BM_BareOdbcLoop(benchmark::State& state) {
  std::string why;
  odbc_link link;
  if (!pg_samples(&why) || !link.connect(&why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  char row[3 * 400];
  for (auto _ : state) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, link.dbc, &st);
    SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kPgSelect)), SQL_NTS);
    int rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
      for (SQLUSMALLINT i = 0; i < 3; ++i) {
        SQLLEN ind = 0;
        SQLGetData(st, i + 1, SQL_C_CHAR, row + 400 * i, 400, &ind);
      }
      benchmark::DoNotOptimize(row);
      ++rows;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The collector's collection of the same query: a cursor run over ODBC
// storing text rows (the rows of the run before are dropped first, as one
// kept sample would be).
void BM_OdbcCollection(benchmark::State& state) {
  std::string why;
  if (!pg_samples(&why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  distributor* coll = process_arena().make<distributor>();
  coll->type = 2;  // remote: the ODBC client
  strcpy(coll->distrib_name, "collector");
  snprintf(coll->logon_id, sizeof coll->logon_id, "%s", getenv("COLLECTOR_TEST_USER"));
  snprintf(coll->password, sizeof coll->password, "%s", getenv("COLLECTOR_TEST_PASSWORD"));
  snprintf(coll->server_id, sizeof coll->server_id, "%s", getenv("COLLECTOR_TEST_DSN"));
  anchors.collector_at = coll;
  curs* cur = cursor_arena().make<curs>();
  strcpy(cur->cur_name, "SAMPLES");
  cur->select = kPgSelect;
  columns** tail = &cur->column_list;
  int16_t n = 0;
  for (const char* name : {"host", "metric", "value"}) {
    columns* col = cursor_arena().make<columns>();
    strcpy(col->name, name);
    col->col_ordinal = ++n;
    *tail = col;
    tail = &col->next;
  }
  anchors.cur_anchor = cur;
  heap_tune();
  if (connect_to_DB(coll) != 0) {
    state.SkipWithError("logon failed");
    reset_database_state();
    reset_definitions();
    return;
  }
  int total = 0;
  for (auto _ : state) {
    free_all_rows(cur);
    if (prep_l_fetch(cur, "20111204083005", &total) != 0 || cur->row_count != kRows) {
      state.SkipWithError("run failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  end_stats_run(cur);
}

// One build of the summary row over the 10,000 stored rows with five
// functions (AVG, SUM, WAVG, TREND, MAX), as a probe request after a run
// makes it.
void BM_ColumnFunctions(benchmark::State& state) {
  curs* cur = stats_cursor();
  if (!cur) {
    state.SkipWithError("logon failed");
    return;
  }
  const int16_t functs[] = {0, 0, FUNCT_AVG, FUNCT_SUM, 0, FUNCT_WAVG, FUNCT_TREND, 0};
  int16_t i = 0;
  for (columns* col = cur->column_list; col; col = col->next) col->col_funct = functs[i++];
  cur->column_list->col_funct = FUNCT_MAX;
  cur->has_col_funct = cur->has_min_max = 1;
  int total = 0;
  if (prep_l_fetch(cur, "20111204083005", &total) != 0 || cur->row_count != kRows ||
      make_function_row(cur) != 0) {
    state.SkipWithError("run failed");
    end_stats_run(cur);
    return;
  }
  for (auto _ : state) {
    cur->new_data = 1;
    if (fill_function_row(cur) != 0) {
      state.SkipWithError("a function was refused");
      break;
    }
    benchmark::DoNotOptimize(cur->function_row->text());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  release_all_rows();
  end_stats_run(cur);
}

BENCHMARK(BM_BareSqliteStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientFetch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnFunctions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowAssembly)
    ->Args({0, 0})
    ->Args({5, 0})
    ->Args({0, 5})
    ->Args({5, 5})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareOdbcLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OdbcCollection)->Unit(benchmark::kMillisecond);

}  // namespace
