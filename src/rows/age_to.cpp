// Age-to copies: a second cursor that always holds its source's previous
// sample. Start-up binds every source to its copy; each run of the source
// hands its rows over, before its first new row (pre-copy) or, the first time,
// after the run (post-copy).
#include <cstring>
#include <map>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "rows/age_to_loads.h"
#include "rows/retention.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

curs* cursor_by_name(const char* name) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (strncmp(c->cur_name, name, sizeof c->cur_name) == 0) return c;
  return nullptr;
}

bool has_other_versions(const curs* c) { return c->vers_list && c->vers_list != c; }

// Fresh copies of the column records of `list`, linked in the same order. The
// copies compute nothing: a copy holds rows its source built.
columns* copy_columns(const columns* list) {
  columns* head = nullptr;
  columns** tail = &head;
  for (const columns* col = list; col; col = col->next) {
    columns* c = cursor_arena().make<columns>(*col);
    c->next = nullptr;
    c->math = nullptr;
    c->col_exit = nullptr;
    *tail = c;
    tail = &c->next;
  }
  return head;
}

void trace_versions(curs* c) {
  PRINT('t', "SZF1110", "curs %x, vers_list %x, name %s, hold %c\n",
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(c)),
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(c->vers_list)), c->cur_name,
        c->hold ? c->hold : ' ');
  for_each_version(c, [c](curs* v) {
    if (v == c) return;
    PRINT('t', "smf1120", "vers %x, vers_list %x, name %s, hold %c\n",
          static_cast<unsigned>(reinterpret_cast<uintptr_t>(v)),
          static_cast<unsigned>(reinterpret_cast<uintptr_t>(v->vers_list)), v->cur_name,
          v->hold ? v->hold : ' ');
  });
}

}  // namespace

void make_age_to_copy(curs* target, curs* source) {
  // What stays the target's own: its place on the chain, its name, its own
  // age-to binding and whatever rows it already holds.
  curs* next = target->next;
  char name[sizeof target->cur_name];
  memcpy(name, target->cur_name, sizeof name);
  char age_to[sizeof target->age_to];
  memcpy(age_to, target->age_to, sizeof age_to);
  curs* aged_copy = target->aged_copy;
  text_row* first = target->first_row;
  text_row* last = target->last_row;
  text_row* current = target->current_row;
  text_row* result = target->function_row;
  int32_t result_len = target->function_len;
  int32_t count = target->row_count;

  *target = *source;
  target->next = next;
  memcpy(target->cur_name, name, sizeof name);
  memcpy(target->age_to, age_to, sizeof age_to);
  target->aged_copy = aged_copy;
  target->first_row = first;
  target->last_row = last;
  target->current_row = current;
  target->function_row = result;  // each cursor frees its own summary row
  target->function_len = result_len;
  target->min_max_row = nullptr;
  target->row_count = count;
  target->run_list = nullptr;

  target->copy_marker = 1;
  target->demand = 1;
  target->loads = nullptr;
  target->parsed_loads = nullptr;
  target->pre_cursors = nullptr;
  target->iterate = nullptr;
  target->in_lists = nullptr;
  target->bases = nullptr;
  target->decodes = nullptr;
  // The copy never builds a row, so it binds no derived clause either: its
  // start-up edits would otherwise bind the source's shared clause records to
  // the copy's columns.
  target->math = nullptr;
  target->col_exits = nullptr;
  target->iterate_where = nullptr;
  // Evaluation records carry each pass's results: shared, two cursors would
  // overwrite each other's.
  target->evals = nullptr;
  target->if_chain = target->parent_if = nullptr;
  target->conditional = target->tree_place = target->vers_list = nullptr;
  target->column_list = copy_columns(source->column_list);
  target->has_col_funct = 0;
  target->has_min_max = 0;

  source->aged_copy = target;
  source->post_copy = target->post_copy = 1;
}

void age_to_default_vers(curs* target, curs* default_version) {
  // The ring of copies stays as it is; the target itself answers with the
  // definition of the default version.
  curs* ring = target->vers_list;
  make_age_to_copy(target, default_version);
  target->vers_list = ring;
}

int edit_age_to() {
  int failed = 0;
  std::map<const curs*, const curs*> source_of;  // target -> the cursor copying into it
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    bool named = false;
    for_each_version(c, [&named](curs* v) { named |= v->age_to[0] != '\0'; });
    if (!named) continue;
    if (tracing.trace_all) trace_versions(c);
    if (c->virtual_) {
      PRINT('e', "pag3680", "Can't copy from a virtual table\n");
      failed = 1;
      continue;
    }
    curs* default_target = nullptr;
    for_each_version(c, [&](curs* v) {
      if (!v->age_to[0]) return;
      curs* target = cursor_by_name(v->age_to);
      if (!target) {
        PRINT('e', "pag3690", "Age-to Cursor (%s) not found\n", v->age_to);
        failed = 1;
        return;
      }
      if (target->virtual_) {
        PRINT('e', "pag3675", "Can't copy to virtual table\n");
        failed = 1;
        return;
      }
      auto [it, fresh] = source_of.emplace(target, c);
      // A cursor copying into itself would let go of its own rows.
      if ((!fresh && it->second != c) || target == c) {
        PRINT('e', "pag3685", "Duplicate attempts to 'age_to' the same cursor %s\n",
              target->cur_name);
        failed = 1;
        return;
      }
      if (!has_other_versions(c)) {
        make_age_to_copy(target, v);
        return;
      }
      // One copy per version, ringed on the target, so that whichever version
      // runs hands its rows to a copy laid out like itself.
      curs* copy = cursor_arena().make<curs>(*target);
      copy->first_row = copy->last_row = copy->current_row = copy->function_row = nullptr;
      copy->min_max_row = nullptr;
      copy->function_len = 0;
      copy->row_count = 0;
      make_age_to_copy(copy, v);
      copy->vers_list = target->vers_list ? target->vers_list : target;
      target->vers_list = copy;
      if (v == c) default_target = target;
    });
    if (default_target) age_to_default_vers(default_target, c);
  }
  if (failed) {
    PRINT('e', "pag3700", "Age_to editing failed\n");
    return 1;
  }
  PRINT('i', "pag3695", "Age_to editing successful\n");
  return 0;
}

void do_copy(curs* cur) {
  curs* target = cur->aged_copy;
  if (!target) return;
  if (target->first_row == cur->first_row && target->last_row == cur->last_row &&
      target->row_count == cur->row_count) {
    // The target already holds these rows (handed over after an earlier run):
    // they are its alone from now on.
    if (cur->trace) PRINT('t', "cag3705", "Skipping Copying\n");
    cur->first_row = cur->last_row = cur->current_row = nullptr;
    cur->row_count = 0;
    return;
  }
  delete_all(target);
  if (cur->trace) {
    if (cur->pre_copy)
      PRINT('t', "cag3710", "PreCopying %d records from %s to %s\n", cur->row_count, cur->cur_name,
            target->cur_name);
    else if (cur->post_copy)
      PRINT('t', "cag3715", "PostCopying %d records from %s to %s\n", cur->row_count, cur->cur_name,
            target->cur_name);
    else
      PRINT('t', "cag3720", "Incorrectly Copying %d records from %s to %s\n", cur->row_count,
            cur->cur_name, target->cur_name);
  }
  target->first_row = cur->first_row;
  target->last_row = cur->last_row;
  target->current_row = cur->last_row;
  target->row_count = cur->row_count;
  target->rows_changed = 1;
  target->last_run_time = cur->last_run_time;
  memcpy(target->last_time, cur->last_time, sizeof target->last_time);
  target->length = cur->length;
  target->new_data = cur->new_data;
  target->new_data_eval = cur->new_data_eval;
  target->history_pending = cur->history_pending;
  target->history = 0;
  target->sample_no = cur->sample_no;
  target->rows_this_run = cur->rows_this_run;
  target->cols_resolved = cur->cols_resolved;
  target->copy_marker = 1;
  target->once = 1;
  if (cur->pre_copy) {
    cur->first_row = cur->last_row = cur->current_row = nullptr;
    cur->row_count = 0;
  } else if (cur->post_copy) {
    // Until the next hand-over both cursors hold the same rows (the row chain
    // frees them once). The target's places must be the source's.
    columns* to = target->column_list;
    for (const columns* from = cur->column_list; from && to; from = from->next, to = to->next) {
      columns* keep = to->next;
      m_anch* math = to->math;
      cxl_ptr* exit = to->col_exit;
      *to = *from;
      to->next = keep;
      to->math = math;
      to->col_exit = exit;
    }
  }
  cur->pre_copy = 1;
  cur->post_copy = 0;
}
