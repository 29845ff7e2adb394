// The cluster of a cursor with column functions: its one summary row, built
// over the stored rows (running the cursor first when it never held any).
#include "rows/column_functions.h"

#include <cstdint>

#include "ctl/curs.h"
#include "driver/cluster.h"
#include "driver/cursor_run.h"

row_cluster* do_column_func(curs* q, int32_t now) {
  if (!q->has_col_funct) return nullptr;
  if (!q->function_row && !q->first_row && get_cursor_data(now, q) != 0) return nullptr;
  if (make_function_row(q) != 0) return nullptr;
  if (fill_function_row(q) != 0) return nullptr;
  return make_cluster_1(q);
}
