// Running one cursor: timing and counters, the fetch-exit and no-SQL paths,
// and the SQL path from PREPARE to CLOSE with per-row clean-up and merging.
#include "rows/dyn_sql.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "platform/db_client.h"
#include "rows/age_to_loads.h"
#include "rows/database.h"
#include "rows/host_merge.h"
#include "rows/retention.h"
#include "rows/row_chain.h"
#include "rows/row_dump.h"
#include "rows/row_format.h"
#include "rows/row_hooks.h"
#include "rows/select_desc.h"
#include "rows/select_items.h"
#include "util/dump.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/settings.h"
#include "util/trace.h"

std::vector<char> work_buff;

namespace {

constexpr int16_t LOCAL_PROCESS = 1;

int32_t now_rel() {
  char text[15];
  return static_cast<int32_t>(relative_sec(get_time(text)));
}

// Keeps the cursor's status of its last SQL step, also as right-aligned text.
void note_sqlcode(curs* cur, int code) {
  cur->last_sqlcode = code;
  // As "%16d" would write it; this runs once per fetched row.
  char digits[16];
  auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
  size_t n = static_cast<size_t>(end - digits);
  memset(cur->last_sqlcode_text, ' ', 16 - n);
  memcpy(cur->last_sqlcode_text + 16 - n, digits, n);
  cur->last_sqlcode_text[16] = '\0';
}

void trace_row(curs* cur) {
  if (cur->trace && cur->last_row)
    proded(cur->last_row->row_no, cur->last_row->text(), cur->length);
}

void end_timing(curs* cur) {
  cur->run_end = now_rel();
  cur->execution_time = cur->run_end - cur->run_start;
}

// The steps that follow a complete (not iterated) run.
void post_run(curs* cur, int rows) {
  if (cur->parsed_loads || cur->loads) process_loads(cur, rows);
  if (cur->in_lists) build_in_list(cur);
  if (cur->dummy_last_row || (cur->conditional_dummy_last_row && cur->row_count == 0))
    build_dummy_last_row(cur);
}

void fail_run(const char* status) {
  distributor* coll = anchors.collector_at;
  if (!coll) return;
  get_time(coll->last_run);
  snprintf(coll->run_status, sizeof coll->run_status, "%s", status);
}

// The row work buffer, made on first use.
char* work_buffer() {
  if (work_buff.size() < sizeof_work_buff) work_buff.assign(sizeof_work_buff, '\0');
  return work_buff.data();
}

// An item without a declared type keeps the type a value once gave it: a run
// whose first value is NULL, or that has no row, does not turn it into text
// (which would change the record layout and drop the stored rows).
void keep_value_types(curs* cur, select_desc* lda) {
  std::vector<db_item>& kept = cur->value_types;
  for (size_t i = 0; i < lda->client.item.size(); ++i) {
    const db_item& it = lda->client.item[i];
    if (it.from_value) {
      if (kept.size() <= i) kept.resize(i + 1);
      kept[i] = it;
    } else if (it.untyped && i < kept.size() && kept[i].type != 0) {
      lda->cursor->retype(lda->client, i, kept[i]);
    }
  }
}

// Copies the described items into `lda`.
void take_description(select_desc* lda) {
  const db_descriptor& d = lda->client;
  lda->F = d.found;
  int n = d.found < 0 ? 0 : d.found;
  for (int i = 0; i < n && i < MAX_SELECT_ITEMS; ++i) {
    const db_item& it = d.item[static_cast<size_t>(i)];
    size_t len = it.name.size() < MAX_ITEM_NAME ? it.name.size() : MAX_ITEM_NAME;
    memcpy(lda->S[i], it.name.data(), len);
    lda->C[i] = static_cast<int16_t>(len);
    lda->T[i] = it.type;
    lda->col_size_chars[i] = it.col_size_chars;
    lda->col_size_bytes[i] = it.col_size_bytes;
    lda->nls_flag[i] = it.nls_flag;
    lda->precision[i] = it.precision;
    lda->scale[i] = it.scale;
  }
}

// Lays the items out end to end in the cursor's row area and binds them. When
// the items' lengths differ from the ones the area was made for, the stored
// rows no longer match the layout: they are dropped and the columns resolved
// again from the next row.
void bind_items(curs* cur, select_desc* lda, item_work& work) {
  std::vector<int32_t> lens(lda->L, lda->L + lda->F);
  if (lens != cur->item_lens || cur->row_area.size() < static_cast<size_t>(work.byte_sum) + 1) {
    if (!cur->item_lens.empty() && cur->cols_resolved) {
      PRINT('w', "oru0016", "Select list of cursor %s changed, its rows are laid out again\n",
            cur->cur_name);
      free_all_rows(cur);
      cur->cols_resolved = 0;
    }
    cur->item_lens = lens;
    cur->row_area.assign(static_cast<size_t>(work.byte_sum) + 1, '\0');
    cur->ind_area.assign(static_cast<size_t>(lda->F), 0);
  }
  char* next = cur->row_area.data();
  for (int i = 0; i < lda->F; ++i) {
    if (lda->L[i] <= 0) continue;
    lda->V[i] = next;
    lda->I[i] = &cur->ind_area[static_cast<size_t>(i)];
    next += lda->L[i];
    work.orig_type[i] = lda->T[i] == O_FIXCHAR || lda->T[i] == O_RAWD ? O_CHAR : lda->T[i];
    work.raw_flag[i] = lda->T[i] == O_RAWD;
    db_item& it = lda->client.item[static_cast<size_t>(i)];
    it.buf = lda->V[i];
    it.buf_len = lda->L[i];
    it.ind = lda->I[i];
  }
}

// PREPARE to DESCRIBE, each step checked. Returns 0 or the first failure.
int open_statement(curs* cur, select_desc* lda) {
  const char* stmt = db_state.statement;
  db_statement& st = *lda->cursor;
  struct {
    const char* name;
    int32_t (*run)(db_statement&, select_desc*, const char*);
  } const steps[] = {
      {"PREPARE", [](db_statement& s, select_desc*, const char* t) { return s.prepare(t); }},
      {"DECLARE", [](db_statement& s, select_desc*, const char*) { return s.declare(); }},
      {"OPEN", [](db_statement& s, select_desc*, const char*) { return s.open(); }},
      {"DESCRIBE",
       [](db_statement& s, select_desc* l, const char*) { return s.describe(l->client); }},
  };
  for (const auto& step : steps) {
    step.run(st, lda, stmt);
    int rc = check_sql_code(stmt, step.name, 1);
    note_sqlcode(cur, rc);
    if (rc != 0) return rc;
  }
  return 0;
}

void trace_statement(const char* stmt) {
  if (tracing.trace_all) {
    PRINT('t', "oru0085", "%s\n", std::string(50, '-').c_str());
    PRINT('t', "oru0090", "Starting new SQL query.\n");
    PRINT('t', "oru0095", "   <%s>\n", stmt);
    PRINT('t', "oru0085", "%s\n", std::string(50, '-').c_str());
  }
  if (trace_on(6)) {
    distributor* coll = anchors.collector_at;
    if (coll && coll->type == LOCAL_PROCESS)
      PRINT('t', "oru0105", "Local connection\n");
    else
      PRINT('t', "oru0110", "Remote connection\n");
  }
}

// The statement text of this run: the insert_select text with its host
// variables filled, or the plain select text.
void make_statement(curs* cur) {
  if (cur->raw_has_brackets) {
    if (set_hvs_in_sel(cur, db_state.statement) > 0) return;
    cur->raw_has_brackets = 0;
  }
  snprintf(db_state.statement, sizeof db_state.statement, "%s", cur->select.c_str());
}

void trace_values(const select_desc* lda, const item_work& work) {
  for (int i = 0; i < lda->F; ++i) {
    PRINT('t', "oru0230", "Values to merge_text for column number: <%d>\n", i + 1);
    PRINT('t', "oru0235", "orig_type: <%d>\n", work.orig_type[i]);
    PRINT('t', "oru0240", "lda->S: %.*s\n", lda->C[i], lda->S[i]);
    PRINT('t', "oru0245", "lda->C: <%d>\n", lda->C[i]);
    PRINT('t', "oru0250", "lda->F: <%d>\n", lda->F);
    PRINT('t', "oru0255", "lda->I: <%d>\n", lda->I[i] ? *lda->I[i] : 0);
    PRINT('t', "oru0260", "lda->L: <%d>\n", lda->L[i]);
    PRINT('t', "oru0265", "lda->V:\n");
    u_print_dumpx(nullptr, lda->V[i], lda->L[i]);
  }
}

// The fetch loop. Returns 100 when all rows were fetched, 1 after a merge
// failure (the run is already cleaned up then), or the failing SQLCODE.
int fetch_rows(curs* cur, std::unique_ptr<select_desc>& lda, item_work& work, const char* run_time,
               int* rows) {
  const char* stmt = db_state.statement;
  char* work_buff = work_buffer();
  std::unique_ptr<char, void (*)(void*)> scratch(nullptr, std::free);
  int32_t scratch_size = 0;
  for (int i = 0; i < lda->F; ++i)
    if (lda->L[i] > scratch_size) scratch_size = lda->L[i];
  scratch.reset(static_cast<char*>(std::malloc(static_cast<size_t>(scratch_size) + 1)));
  for (;;) {
    memset(cur->row_area.data(), 0, static_cast<size_t>(work.byte_sum));
    int32_t raw = lda->cursor->fetch(lda->client);
    int rc = check_sql_code(stmt, "FETCH", 1);
    // A session lost under the fetch must end the loop, not read as success.
    if (raw == sql_not_logged_on) rc = raw;
    note_sqlcode(cur, rc);
    if (rc == sql_invalid_number) continue;
    if (rc != 0) return rc;
    if (trace_on(9)) {
      PRINT('t', "oru0155", "Data from Oracle: <%d>\n", work.byte_sum);
      u_print_dumpx(nullptr, cur->row_area.data(), work.byte_sum);
    }
    for (int i = 0; i < lda->F; ++i) {
      const db_item& it = lda->client.item[static_cast<size_t>(i)];
      finish_item(lda.get(), work, i, it.returned_octets, it.returned_chars, scratch.get(),
                  scratch_size);
    }
    if (trace_on(9)) {
      PRINT('t', "oru0225", "Complete row buffer, length: <%d>\n", work.byte_sum);
      u_print_dumpx(nullptr, cur->row_area.data(), work.byte_sum);
      trace_values(lda.get(), work);
    }
    if (++*rows == 1 && cur->pre_copy) {
      do_copy(cur);
      if (cur->empty) delete_all(cur);
    }
    ++cur->rows_this_run;
    if (merge_text(work_buff, lda.get(), work.orig_type, cur, run_time) == 0) {
      PRINT('e', "rpf0350", "Time = %s For cursor %s, merge failed after = %d rowsHolding cursor\n",
            run_time, cur->cur_name, *rows);
      cur->hold = 'Y';
      rollback();
      cleanup(lda);
      return 1;
    }
    trace_row(cur);
  }
}

int run_sql(curs* cur, const char* run_time, int* total, bool iterating) {
  db_session* session = database_session();
  if (!session || !session->logged_on()) {
    // Nothing to run on: mark the session released so the next run logs on.
    note_sqlcode(cur, sql_not_logged_on);
    rollback();
    return sql_not_logged_on;
  }
  auto lda = std::make_unique<select_desc>();
  lda->cursor = std::make_unique<db_statement>(*session);
  make_statement(cur);
  trace_statement(db_state.statement);

  if (int rc = open_statement(cur, lda.get())) {
    cleanup(lda);
    rollback();
    return rc;
  }
  keep_value_types(cur, lda.get());
  take_description(lda.get());
  if (lda->F < 0) {
    int found = lda->F;
    cleanup(lda);
    PRINT('e', "oru0009", "More columns than max select columns\n");
    return found;
  }
  item_work work;
  if (cur->set_lens && !cur->lengths_set && init_set_len(cur, lda.get())) {
    cleanup(lda);
    return 1;
  }
  if (cur->lengths_set) set_the_lengths(cur, lda.get(), work);
  if (size_select_items(cur, lda.get(), work)) {
    cleanup(lda);
    return 1;
  }
  bind_items(cur, lda.get(), work);

  int rows = 0;
  int rc = fetch_rows(cur, lda, work, run_time, &rows);
  if (rc == 1 && !lda) return 1;  // merge failure, already cleaned up
  if (rc != 100) rollback();
  lda->cursor->close();
  check_sql_code(db_state.statement, "CLOSE", 1);
  if (rc == 100 && !cur->cols_resolved && (cur->dummy_last_row || cur->conditional_dummy_last_row))
    setup_dummy(cur, lda.get());
  cleanup(lda);
  if (rc != 100) {
    PRINT('e', "rpf0345", "Time = %s For cursor %s, fetch failed after = %d rows\n", run_time,
          cur->cur_name, rows);
    fail_run("FAIL");
    return rc;
  }

  if (cur->post_copy) do_copy(cur);
  if (!iterating) end_timing(cur);
  *total += rows;
  if (cur->trace)
    PRINT('t', "rpf0340", "Time = %s For cursor %s, rows collected for insert = %d\n", run_time,
          cur->cur_name, rows);
  if (!iterating) post_run(cur, rows);
  return 0;
}

}  // namespace

void cleanup(std::unique_ptr<select_desc>& lda) { lda.reset(); }

int prep_l_fetch(curs* cur, const char* run_time, int* total) {
  if (cur->once && cur->first_row) return 0;
  bool iterating = cur->iterate != nullptr;
  int32_t now = now_rel();
  if (!iterating) {
    if (cur->run_start) {
      cur->previous_start = cur->run_start;
      cur->run_start = now;
      cur->current_interval = cur->run_start - cur->previous_start;
    } else {
      cur->run_start = now;
    }
  }
  if (cur->trace) PRINT('t', "rpf0300", "Doing prep_l_fet for cursor %s\n", cur->cur_name);
  ++cur->sample_no;
  if (!iterating) cur->rows_this_run = 0;
  cur->last_sqlcode = 0;
  cur->last_run_time = now;

  if (cur->fetch_exit) {
    const fetch_exit_steps* exit = exit_steps();
    int rc = exit ? exit->run_cursor_fetch_exit(cur, run_time) : 1;
    if (rc == 1) return 1;
    ++*total;
    trace_row(cur);
    if (iterating) return rc;
    if (cur->post_copy) do_copy(cur);
    // The loads see the rows the exit delivered: none when it brought none.
    post_run(cur, cur->rows_this_run);
    end_timing(cur);
    return rc;
  }
  if (cur->no_sql) {
    ++cur->rows_this_run;
    if (merge_text(work_buffer(), nullptr, nullptr, cur, run_time) == 0) return 1;
    ++*total;
    trace_row(cur);
    if (!iterating) {
      post_run(cur, 1);
      end_timing(cur);
    }
    return 0;
  }
  return run_sql(cur, run_time, total, iterating);
}
