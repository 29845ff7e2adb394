// Row retention: deletions by age, by sample and of all rows. Every deletion
// goes through the row chain's edits, so first, last and current row and the
// row count stay consistent and rows_changed is raised.
#include "rows/retention.h"

#include <cstdint>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "rows/row_chain.h"
#include "util/print.h"

namespace {
// Deletes every row of Q for which `expired` holds, keeping the chain order.
// With `by_sample`, the rows of a sample go together.
template <class Pred>
void delete_rows_if(curs* q, Pred expired, bool by_sample) {
  remove_rows_if(
      q, [](text_row* row, void* pred) { return (*static_cast<Pred*>(pred))(row); }, &expired,
      by_sample);
}
}  // namespace

int delete_by_time(curs* q) {
  int32_t step = q->interval;
  const distributor* coll = anchors.collector_at;
  if (coll && coll->interval > step) step = coll->interval;
  delete_rows_if(
      q,
      [q, step](text_row* row) {
        row->age += step;
        return row->age >= q->time_limit;
      },
      false);
  return 0;
}

int delete_by_samples(curs* q) {
  // Rows keep 16 bits of the sample number: the distance to the newest sample
  // is taken modulo 2^16, so retention goes on working after the counter wraps.
  const uint16_t newest = static_cast<uint16_t>(q->sample_no);
  const uint16_t keep = static_cast<uint16_t>(q->samples);
  delete_rows_if(
      q,
      [newest, keep](const text_row* row) {
        return static_cast<uint16_t>(newest - static_cast<uint16_t>(row->sample_no)) >= keep;
      },
      true);
  return 0;
}

int delete_all(curs* q) {
  if (q->trace)
    PRINT('t', "pdr3000", "Deleting (%d) rows for cursor %s\n", q->row_count, q->cur_name);
  free_all_rows(q);
  return 0;
}
