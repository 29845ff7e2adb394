// Load conditions: a load's WHERE condition reads as a decode of the tested
// column; it is bound at start-up like a decode and tested with the decode
// matcher for every row of the loading cursor.
#include "derive/load_conditions.h"

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/decode_clause.h"
#include "ctl/unbuilt.h"
#include "derive/column_refs.h"
#include "derive/decode.h"
#include "rows/age_to_loads.h"
#include "rows/column_functions.h"
#include "rows/row_chain.h"
#include "util/print.h"

namespace {

bool load_where_holds(curs* cur, const decode* where, const text_row* row) {
  for (const decode* d = where; d; d = d->next) {
    if (!d->col) return false;
    const char* text = row->text();
    if (!eval_decode(d->col, text + d->col->offset, text, 0, cur, d->ops)) return false;
  }
  return true;
}

int edit_one_load(curs* cur, lp_ptr* lp) {
  int bad = 0;
  if (lp->source_spec && lp->source_spec->col_funct) {
    const load_steps* steps = registered_load_steps();
    if (!steps || !steps->col_function) bad |= refuse_clause("column function in a load", cur);
  }
  if (!lp->has_where) return bad;
  for (decode* d = lp->where_ops; d; d = d->next) {
    d->col = own_column(cur, d->column);
    if (!d->col) {
      PRINT('e', "pde4215", "Load Column (%s) not found in cursor %s\n", d->column, cur->cur_name);
      bad = 1;
    }
    for (decode_op* op = d->ops; op; op = op->next) {
      bad |= bind_operand(cur, *op, "pde4205", "Operand column(%s) not in cursor %s\n");
      bad |= bind_and_parts(cur, op->and_parts, "pde4210");
    }
  }
  return bad;
}

}  // namespace

int edit_loads() {
  int bad = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next)
    for (lp_ptr* lp = cur->parsed_loads; lp; lp = lp->next) bad |= edit_one_load(cur, lp);
  if (bad) {
    PRINT('e', "pde4220", "Load predicate editing failed\n");
    return 1;
  }
  PRINT('i', "pde4225", "Load predicate editing successful\n");
  return 0;
}

void register_load_steps() {
  static const load_steps steps = {load_where_holds, get_max_occurance, col_function};
  set_load_steps(&steps);
}
