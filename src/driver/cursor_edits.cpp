// The pre_cursor and iterate edits: each clause's cursor name is looked up on
// the cursor chain once at start-up, and the runs use the binding.
#include "driver/cursor_edits.h"

#include <cstring>

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "util/print.h"

cursor_bindings bindings;

namespace {

// Names compare over the 9 bytes of a cursor name.
bool same_name(const char* a, const char* b) { return strncmp(a, b, 9) == 0; }

curs* find_cursor(const char* name) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (same_name(c->cur_name, name)) return c;
  return nullptr;
}

}  // namespace

int edit_pre_cursors() {
  int errors = 0;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    for_each_version(c, [&](curs* v) {
      for (pre_cursor* p = v->pre_cursors; p; p = p->next) {
        if (bindings.pre_cursor_of.count(p)) continue;  // shared with a version already seen
        if (same_name(p->name, c->cur_name)) {
          PRINT('e', "ppr3115", "Can't pre_cursor yourself in cursor %s\n", c->cur_name);
          ++errors;
        } else if (curs* target = find_cursor(p->name)) {
          bindings.pre_cursor_of[p] = target;
        } else {
          PRINT('e', "ppr3120", "Pre_cursor %s not found for cursor %s\n", p->name, c->cur_name);
          ++errors;
        }
      }
    });
  }
  if (errors) {
    PRINT('e', "ppr3130", "Pre_cursor editing failed\n");
    return 1;
  }
  PRINT('i', "ppr3125", "Pre_cursor editing successful\n");
  return 0;
}

int edit_iterates() {
  int errors = 0;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    for_each_version(c, [&](curs* v) {
      struct iterate* it = v->iterate;
      if (!it || bindings.iterate_of.count(it)) return;
      if (same_name(it->name, c->cur_name)) {
        PRINT('e', "pit3130", "Can't iterate yourself in cursor %s\n", c->cur_name);
        ++errors;
      } else if (curs* source = find_cursor(it->name)) {
        bindings.iterate_of[it] = source;
      } else {
        PRINT('e', "pit3135", "Iterator %s not found for cursor %s\n", it->name, c->cur_name);
        ++errors;
      }
    });
  }
  if (errors) {
    PRINT('e', "pit3139", "Iterate editing failed\n");
    return 1;
  }
  PRINT('i', "pit3138", "Iterate editing successful\n");
  return 0;
}

curs* bound_pre_cursor(const pre_cursor* p) {
  auto found = bindings.pre_cursor_of.find(p);
  return found == bindings.pre_cursor_of.end() ? nullptr : found->second;
}

curs* bound_iterate_source(const curs* q) {
  if (!q->iterate) return nullptr;
  auto found = bindings.iterate_of.find(q->iterate);
  return found == bindings.iterate_of.end() ? nullptr : found->second;
}

void reset_cursor_bindings() { bindings = cursor_bindings{}; }
