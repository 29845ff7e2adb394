// Conditional cursor versions: the IF/ELSE/ENDIF grammar, the multiplication
// of sequential IFs into one tree, the collection of its versions, and the
// choice of a version before each collection cycle. Record copies are shallow:
// versions share their parent's chains and texts' storage.
#include "ctl/cursor_versions.h"

#include <strings.h>

#include <cstring>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

const condition_steps* steps = nullptr;
int (*redo_edits)() = nullptr;

// Parse state: the record receiving statements inside an IF, and the
// innermost open IF.
curs* current_cursor = nullptr;
IF_NODE* current_if = nullptr;

// Records (IF nodes and cursor copies) the IF tree of the block being parsed
// holds, against MAX_TREE_RECORDS; `tree_refused` once one was refused.
int tree_records = 0;
bool tree_refused = false;

// Counts one more record of the tree; false (after reporting `id`) when the
// tree may hold no more.
bool take_record(const char* id) {
  if (++tree_records <= MAX_TREE_RECORDS) return true;
  PRINT('e', id, "Can not acquire memory\n");
  tree_refused = true;
  return false;
}

bool version_tracing() { return tracing.trace_all || trace_on(8); }

curs* copy_record(const curs* from) {
  curs* c = cursor_arena().make<curs>();
  *c = *from;
  return c;
}

IF_NODE* new_node() { return cursor_arena().make<IF_NODE>(); }

int open_depth() {
  int depth = 0;
  for (IF_NODE* n = current_if; n; n = n->parent->parent_if) ++depth;
  return depth;
}

// A deep copy of `node` alone (not its siblings), with its versions and their
// own IF chains; `parent` becomes its parent. Depth is bounded by the parse.
IF_NODE* copy_if_tree(const IF_NODE* node, curs* parent);

IF_NODE* copy_chain(const IF_NODE* first, curs* parent) {
  IF_NODE* head = nullptr;
  IF_NODE** tail = &head;
  for (const IF_NODE* n = first; n; n = n->next) {
    *tail = copy_if_tree(n, parent);
    if (!*tail) return nullptr;
    tail = &(*tail)->next;
  }
  return head;
}

curs* copy_version(const curs* v, IF_NODE* node, const char* id) {
  if (!take_record(id)) return nullptr;
  curs* c = copy_record(v);
  c->parent_if = node;
  c->if_chain = nullptr;
  if (v->if_chain && !(c->if_chain = copy_chain(v->if_chain, c))) return nullptr;
  return c;
}

IF_NODE* copy_if_tree(const IF_NODE* node, curs* parent) {
  if (!take_record("PIF0180")) return nullptr;
  IF_NODE* n = new_node();
  n->condition = node->condition;
  n->parent = parent;
  if (node->then_version && !(n->then_version = copy_version(node->then_version, n, "PIF0160")))
    return nullptr;
  if (node->else_version && !(n->else_version = copy_version(node->else_version, n, "PIF0170")))
    return nullptr;
  return n;
}

struct if_stack {
  IF_NODE* at[IF_STACK_SIZE] = {};
};

// The nearest level from `from` down to 0 whose IF has a following sibling,
// advanced to that sibling; null when there is none.
IF_NODE* update_stack(if_stack& stack, int from) {
  for (int l = from; l >= 0; --l) {
    if (stack.at[l] && stack.at[l]->next) {
      stack.at[l] = stack.at[l]->next;
      return stack.at[l];
    }
  }
  return nullptr;
}

// Gives every IF outcome path below `rec` a copy of the IFs that follow it,
// so that each path fixes the outcome of every IF. The stack is taken by
// value: each branch advances its own copy. Depth is below IF_STACK_SIZE.
int multiply_tree(curs* rec, if_stack stack, int level) {
  if (level >= IF_STACK_SIZE) {
    PRINT('e', "PIF0130", "Current stack position: %i- exceeds stack size: %i\n", level,
          IF_STACK_SIZE);
    return 1;
  }
  stack.at[level] = rec->if_chain;
  if (!rec->if_chain) {
    IF_NODE* sibling = update_stack(stack, level - 1);
    if (!sibling) return 0;  // a finished leaf
    if (!(rec->if_chain = copy_if_tree(sibling, rec))) return 1;
    stack.at[level] = rec->if_chain;
  }
  IF_NODE* node = rec->if_chain;
  if (node->then_version && multiply_tree(node->then_version, stack, level + 1)) return 1;
  if (node->else_version) return multiply_tree(node->else_version, stack, level + 1);
  IF_NODE* sibling = update_stack(stack, level);
  if (!sibling) return 0;
  if (!take_record("PIF0140")) return 1;
  curs* implicit = copy_record(rec);
  implicit->parent_if = node;
  if (!(implicit->if_chain = copy_if_tree(sibling, implicit))) return 1;
  node->else_version = implicit;
  return multiply_tree(implicit, stack, level + 1);
}

void append_version(curs* v, curs** first, curs** last) {
  if (!*first)
    *first = v;
  else
    (*last)->vers_list = v;
  *last = v;
}

// Collects the versions below `rec` in order; depth is below IF_STACK_SIZE.
void edit_if_tree(curs* rec, curs** first, curs** last) {
  IF_NODE* node = rec->if_chain;
  if (!node) {
    append_version(rec, first, last);
    return;
  }
  if (node->then_version) {
    merge_curs(rec, node->then_version);
    edit_if_tree(node->then_version, first, last);
  }
  if (node->else_version) {
    merge_curs(rec, node->else_version);
    edit_if_tree(node->else_version, first, last);
  } else {
    append_version(rec, first, last);
  }
}

bool is_percent_cursor(const curs* c) { return strncasecmp(c->cur_name, "%CURSOR", 9) == 0; }

bool is_age_to_target(const curs* target) {
  for (const curs* c = anchors.cur_anchor; c; c = c->next)
    if (c->age_to[0] && strncmp(c->age_to, target->cur_name, sizeof c->age_to) == 0) return true;
  return false;
}

// The rows, summary rows and their counts of a record: what one owner holds.
void drop_rows(curs* c) {
  c->first_row = c->last_row = c->current_row = c->function_row = nullptr;
  c->min_max_row = nullptr;
  c->function_len = 0;
  c->row_count = 0;
}

// Makes `to` the record `from` is, keeping `to`'s place on the cursor chain
// and on its ring of copies. `from`'s rows and summary rows become `to`'s.
void become(curs* to, curs* from) {
  curs* next = to->next;
  curs* ring = to->vers_list;
  *to = *from;
  to->next = next;
  to->vers_list = ring;
  drop_rows(from);
}

// The age-to copy on the cursor chain that `copy` (a version's own copy,
// ringed on it) stands for, or null.
curs* chained_copy(const curs* copy) {
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (c != copy && strncmp(c->cur_name, copy->cur_name, sizeof c->cur_name) == 0) return c;
  return nullptr;
}

// After the slot changed from version `old` (which took the slot's state) to
// another: the copy on the cursor chain that the slot fed saves its state into
// `old_copy`, the old version's own copy, which the old version refers to
// again; then it takes the state of the selected version's own copy, and the
// slot feeds it. Each row chain and summary row keeps one owner (and at most
// a source sharing its chain).
void switch_age_to(curs* slot, curs* old, curs* old_copy) {
  curs* chained = old->aged_copy;
  if (old_copy && chained && old_copy != chained) {
    become(old_copy, chained);
    old->aged_copy = old_copy;
  }
  curs* selected_copy = slot->aged_copy;
  if (!selected_copy || !selected_copy->copy_marker) return;
  curs* target = chained_copy(selected_copy);
  // A target still holding rows (whose state no copy saved) keeps them; the
  // slot then feeds the selected version's copy directly.
  if (!target || target->first_row || target->function_row) return;
  become(target, selected_copy);
  slot->aged_copy = target;
}

template <class T>
void take_if_empty(T& field, const T& parent) {
  if (field == T{}) field = parent;
}

}  // namespace

void set_condition_steps(const condition_steps* s) { steps = s; }
void set_version_redo(int (*redo)()) { redo_edits = redo; }

void reset_version_parse() {
  current_cursor = nullptr;
  current_if = nullptr;
  tree_records = 0;
  tree_refused = false;
}

int parse_if(curs** cur, const char* text) {
  if (!current_if) current_cursor = *cur;
  if (*cur != current_cursor) {
    PRINT('e', "PIF0010", "IF-ELSE srtucture not complete for cursor %s\n", (*cur)->cur_name);
    return 1;
  }
  if (open_depth() + 1 >= IF_STACK_SIZE) {
    PRINT('e', "PIF0130", "Current stack position: %i- exceeds stack size: %i\n", open_depth() + 1,
          IF_STACK_SIZE);
    return 1;
  }
  if (!take_record("PIF0020")) return 1;
  IF_NODE* node = new_node();
  node->parent = current_cursor;
  if (version_tracing()) PRINT('t', "SMZIF030", "condition: %.30s\n", text);
  node->condition = steps ? steps->parse(text) : nullptr;
  if (!node->condition) {
    PRINT('e', "PIF0030", "Syntax error in conditional expression  for cursor %s\n",
          (*cur)->cur_name);
    return 1;
  }
  if (version_tracing()) PRINT('t', "SMZIF040", "condition parsed\n");
  if (!take_record("PIF0040")) return 1;
  curs* then = copy_record(current_cursor);
  then->if_chain = nullptr;
  then->parent_if = node;
  node->then_version = then;
  IF_NODE** tail = &current_cursor->if_chain;
  while (*tail) tail = &(*tail)->next;
  *tail = node;
  current_if = node;
  current_cursor = then;
  *cur = then;
  return 0;
}

int parse_else(curs** cur) {
  if (!current_if || *cur != current_cursor) {
    PRINT('e', "PIF0050", "ELSE has no matching IF for cursor %s\n", (*cur)->cur_name);
    return 1;
  }
  if (current_if->else_version) {
    // A second ELSE would drop the statements of the first.
    PRINT('e', "PIF0050", "ELSE has no matching IF for cursor %s\n", (*cur)->cur_name);
    return 1;
  }
  if (!take_record("PIF0060")) return 1;
  curs* v = copy_record(current_if->parent);
  v->if_chain = nullptr;
  v->parent_if = current_if;
  current_if->else_version = v;
  current_cursor = v;
  *cur = v;
  return 0;
}

int parse_endif(curs** cur) {
  if (!current_if || *cur != current_cursor) {
    PRINT('e', "PIF0070", "ENDIF has no matching IF for cursor %s\n", (*cur)->cur_name);
    return 1;
  }
  current_cursor = current_if->parent;
  current_if = current_cursor->parent_if;
  if (version_tracing())
    PRINT('t', "SMZIF045", "Current cursor %p, current IF %p, parent IF %p\n",
          static_cast<void*>(current_cursor), static_cast<void*>(current_if),
          static_cast<void*>(current_cursor->parent_if));
  *cur = current_cursor;
  if (!current_if) current_cursor = nullptr;
  return 0;
}

void merge_curs(const curs* parent, curs* v) {
  memcpy(v->cur_name, parent->cur_name, sizeof v->cur_name);
  memcpy(v->last_time, parent->last_time, sizeof v->last_time);
  v->window_open = parent->window_open;
  v->window_close = parent->window_close;
  v->xda = parent->xda;
  take_if_empty(v->interval, parent->interval);
  take_if_empty(v->stale, parent->stale);
  take_if_empty(v->virtual_, parent->virtual_);
  take_if_empty(v->empty, parent->empty);
  take_if_empty(v->demand, parent->demand);
  take_if_empty(v->once, parent->once);
  take_if_empty(v->no_sql, parent->no_sql);
  take_if_empty(v->history, parent->history);
  take_if_empty(v->show_cursor, parent->show_cursor);
  take_if_empty(v->show_row, parent->show_row);
  take_if_empty(v->dummy_last_row, parent->dummy_last_row);
  take_if_empty(v->conditional_dummy_last_row, parent->conditional_dummy_last_row);
  take_if_empty(v->select, parent->select);
  take_if_empty(v->raw_insert_select, parent->raw_insert_select);
  take_if_empty(v->raw_has_brackets, parent->raw_has_brackets);
  take_if_empty(v->insert, parent->insert);
  take_if_empty(v->insert_where, parent->insert_where);
  take_if_empty(v->table_name, parent->table_name);
  take_if_empty(v->insert_table, parent->insert_table);
  take_if_empty(v->column_list, parent->column_list);
  take_if_empty(v->hv_count, parent->hv_count);
  take_if_empty(v->host_cols, parent->host_cols);
  take_if_empty(v->ins_col_count, parent->ins_col_count);
  take_if_empty(v->limit, parent->limit);
  take_if_empty(v->time_limit, parent->time_limit);
  take_if_empty(v->class_, parent->class_);
  take_if_empty(v->samples, parent->samples);
  take_if_empty(v->saturday, parent->saturday);
  take_if_empty(v->sunday, parent->sunday);
  take_if_empty(v->mon_fri, parent->mon_fri);
  take_if_empty(v->loads, parent->loads);
  take_if_empty(v->pre_cursors, parent->pre_cursors);
  take_if_empty(v->iterate, parent->iterate);
  take_if_empty(v->iterate_where, parent->iterate_where);
  take_if_empty(v->in_lists, parent->in_lists);
  take_if_empty(v->bases, parent->bases);
  take_if_empty(v->math, parent->math);
  take_if_empty(v->decodes, parent->decodes);
  take_if_empty(v->col_exits, parent->col_exits);
  take_if_empty(v->set_lens, parent->set_lens);
  take_if_empty(v->evals, parent->evals);
  take_if_empty(v->fetch_exit, parent->fetch_exit);
  take_if_empty(v->script, parent->script);
  take_if_empty(v->start_after, parent->start_after);
  take_if_empty(v->stop_after, parent->stop_after);
  take_if_empty(v->trace, parent->trace);
  take_if_empty(v->traced, parent->traced);
  take_if_empty(v->tracem, parent->tracem);
  if (static_cast<unsigned char>(v->age_to[0]) <= ' ')
    memcpy(v->age_to, parent->age_to, sizeof v->age_to);
}

int edit_curs_version_set(curs* block) {
  if (current_if) {
    PRINT('e', "PIF0100", "Cursor %s end encountered before expected ENDIF\n", block->cur_name);
    reset_version_parse();
    return 1;
  }
  current_cursor = nullptr;
  current_if = nullptr;
  // The parse's records count against the tree; the next block starts afresh.
  const bool refused = tree_refused || (block->if_chain && multiply_tree(block, if_stack{}, 0));
  tree_records = 0;
  tree_refused = false;
  if (refused) {
    PRINT('e', "PIF0120", "IF-tree for cursor %s not valid\n", block->cur_name);
    return 1;
  }
  if (!block->if_chain) {
    block->vers_list = block;
    block->tree_place = block;
    return 0;
  }
  curs* root = copy_record(block);
  for (IF_NODE* n = root->if_chain; n; n = n->next) n->parent = root;
  curs* first = nullptr;
  curs* last = nullptr;
  edit_if_tree(root, &first, &last);
  if (!first) {
    PRINT('e', "PIF0120", "IF-tree for cursor %s not valid\n", block->cur_name);
    return 1;
  }
  last->vers_list = first;
  curs* v = first;
  do {
    v->conditional = root;
    v->tree_place = v;
    v = v->vers_list;
  } while (v != first);
  if (version_tracing()) {
    PRINT('t', "SMZIF010", "Cursor %s : %p is being edited, vers_list %p, SQL %s\n",
          block->cur_name, static_cast<void*>(block), static_cast<void*>(first),
          block->select.c_str());
    PRINT('t', "SMZIF011", "New root : %p\n", static_cast<void*>(root));
  }
  *block = *first;
  if (version_tracing())
    PRINT('t', "SMZIF060", "Slot cursor %s : %p, vers_list %p, SQL %s, tree place %p\n",
          block->cur_name, static_cast<void*>(block), static_cast<void*>(block->vers_list),
          block->select.c_str(), static_cast<void*>(block->tree_place));
  return 0;
}

int define_vers_chain() {
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    for_each_version(c, [&](curs* v) {
      v->held_by_definition = v->hold == 'Y';
      if (v != c) v->next = c->next;
    });
  }
  return 0;
}

int select_cursor_version(curs* slot, const char* time_text) {
  int result = 0;
  if (slot->conditional) {
    curs* sel = slot->conditional;
    for (IF_NODE* node = sel->if_chain; node; node = sel->if_chain) {
      double value = 0.0;
      int rc = steps ? steps->evaluate(node->condition, slot, &value) : 1;
      if (rc == 1) {
        PRINT('e', "CSL0010", "Can not determine cursor %s version:         may be next time\n",
              slot->cur_name);
        result = -1;
        break;
      }
      if (rc == 2) {
        PRINT('e', "CSL0020",
              "Invalid conditional expression result for           cursor %s: will try next "
              "time\n",
              slot->cur_name);
        result = -1;
        break;
      }
      if (version_tracing()) PRINT('t', "SMZIF200", "Conditional expression result %lf\n", value);
      if (value == 0.0) {
        if (!node->else_version) {
          sel = node->parent;
          break;
        }
        sel = node->else_version;
      } else {
        if (!node->then_version) {
          PRINT('e', "CSL0030", "Something wrong with IF-tree for cursor %s\n", slot->cur_name);
          result = -1;
          break;
        }
        sel = node->then_version;
      }
    }
    if (result == 0) {
      if (version_tracing())
        PRINT('t', "SMZIF210",
              "Slot %p, slot tree place %p, slot SQL %s, selected cursor %p, selected tree place "
              "%p, selected SQL %s\n",
              static_cast<void*>(slot), static_cast<void*>(slot->tree_place), slot->select.c_str(),
              static_cast<void*>(sel), static_cast<void*>(sel->tree_place), sel->select.c_str());
      if (sel != slot->tree_place) {
        curs* old = slot->tree_place;
        curs* next = slot->next;
        curs* old_copy = old->aged_copy;  // the old version's own age-to copy
        *old = *slot;                     // the old version keeps its run state and rows
        old->tree_place = old;
        *slot = *sel;
        slot->next = next;
        slot->tree_place = sel;
        drop_rows(sel);  // the rows now belong to the slot alone
        switch_age_to(slot, old, old_copy);
        if (old->held_below || old->held_by_decode) slot->hold = old->hold;
        slot->held_below = old->held_below;
        slot->held_by_decode = old->held_by_decode;
        old->held_below = old->held_by_decode = 0;
        memcpy(slot->last_time, old->last_time, sizeof slot->last_time);
        result = 1;
      }
    }
  }
  memcpy(slot->vers_time, time_text, strnlen(time_text, sizeof slot->vers_time - 1));
  return result;
}

int tune_up_cursor_versions(const char* time_text) {
  if (!anchors.cur_anchor) return 1;
  int error = 0;
  bool changed = false;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (c->virtual_ || is_age_to_target(c) || is_percent_cursor(c)) continue;
    current_cursor = c;
    int rc = select_cursor_version(c, time_text);
    if (rc == -1) error = 1;
    if (rc == 1) {
      changed = true;
      if (tracing.trace_all) PRINT('t', "CSL0100", "Cursor %s version changed\n", c->cur_name);
    }
  }
  current_cursor = nullptr;
  if (!changed) return error;
  if (tracing.trace_all)
    PRINT('t', "CSL0110", "There was cursor version change: redoing some edits\n");
  if (redo_edits && redo_edits() != 0) error = 1;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    if (is_percent_cursor(c)) continue;
    c->sel_piece.clear();
    c->hv_count = 0;
  }
  return error;
}
