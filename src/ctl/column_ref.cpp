// Column references read by the host-variable rules outside any cursor.
#include "ctl/column_ref.h"

#include "ctl/collect.h"
#include "ctl/curs.h"

columns* read_column_spec(std::string_view text) {
  // add_column appends to a cursor and sets its column-function flags; a
  // scratch cursor takes both, so no real cursor is touched.
  curs scratch;
  if (add_column(text.data(), static_cast<int>(text.size()), &scratch) != 0) return nullptr;
  columns* col = scratch.column_list;
  if (col == nullptr || col->name[0] == 0) return nullptr;
  col->next = nullptr;
  return col;
}
