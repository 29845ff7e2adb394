// Row clusters and their registry, and the choice of cluster for a probe
// service: stored rows, a demand run, or the column-function result.
#include "driver/cluster.h"

#include <cstring>
#include <vector>

#include "ctl/curs.h"
#include "driver/cursor_run.h"
#include "driver/rel_now.h"
#include "rows/retention.h"
#include "rows/row_chain.h"
#include "rows/row_dump.h"
#include "rows/row_record.h"
#include "util/trace.h"

cluster_registry clusters;

namespace {

// The spare zero bytes after the records keep a reader that looks one word
// past the end safe.
constexpr size_t kSpareBytes = 4;

// Points the cluster's cursor at its first record.
void start_cluster(row_cluster* cl) {
  cl->current = cl->rows.data();
  cl->end = cl->rows.data() + static_cast<size_t>(cl->count) * static_cast<size_t>(cl->row_size);
}

// A zero-filled cluster with room for `count` records of `size` bytes.
row_cluster* new_cluster(int32_t count, int32_t size) {
  auto* cl = new row_cluster;
  cl->count = count;
  cl->row_size = size;
  cl->rows.assign(static_cast<size_t>(count) * static_cast<size_t>(size) + kSpareBytes, '\0');
  start_cluster(cl);
  return cl;
}

bool dumps_records(const curs* q) { return (q->trace && q->show_row) || trace_on(8); }

// True when `row` belongs to the cursor's newest sample. Rows keep 16 bits of
// the sample number, so the comparison is made in 16 bits.
bool in_newest_sample(const curs* q, const text_row* row) {
  return row->sample_no == static_cast<int16_t>(q->sample_no);
}

// The stored rows, or the function row for a cursor with column functions.
row_cluster* stored_cluster(curs* q, int32_t now) {
  return q->has_col_funct ? do_column_func(q, now) : make_cluster(q);
}

}  // namespace

void register_cl(row_cluster* cl) {
  auto* node = new cl_node;
  node->cluster = cl;
  node->next = clusters.cl_anchor;
  clusters.cl_anchor = node;
}

bool find_cl(const row_cluster* cl) {
  for (const cl_node* n = clusters.cl_anchor; n; n = n->next)
    if (n->cluster == cl) return true;
  return false;
}

row_cluster* make_cluster(curs* q) {
  if (!q->first_row) return nullptr;
  const bool by_sample = q->samples > 0;
  int32_t count = 0;
  for (const text_row* r = q->first_row; r; r = r->next)
    if (!by_sample || in_newest_sample(q, r)) ++count;
  if (count == 0) return nullptr;
  // Laid out afresh each time: a changed select list re-resolves the columns.
  if (get_row_size(q) < 0) return nullptr;

  auto* cl = new row_cluster;
  cl->count = count;
  cl->row_size = q->row_size;
  const size_t size = static_cast<size_t>(q->row_size);
  cl->rows.reserve(static_cast<size_t>(count) * size + kSpareBytes);
  // Each record is made in one small buffer and appended: every record of a
  // layout writes the same bytes, so the alignment gaps keep the zeros of the
  // first, and the answer's bytes are written once, not zero-filled first.
  std::vector<char> record(size, '\0');
  const bool dump = dumps_records(q);
  int n = 0;
  for (const text_row* r = q->first_row; r; r = r->next) {
    if (by_sample && !in_newest_sample(q, r)) continue;
    make_row(q, record.data(), r->text());
    if (dump) dump_record(q->cur_name, ++n, record.data(), q->row_size);
    cl->rows.insert(cl->rows.end(), record.begin(), record.end());
  }
  cl->rows.insert(cl->rows.end(), kSpareBytes, '\0');
  start_cluster(cl);
  register_cl(cl);
  return cl;
}

row_cluster* make_cluster_1(curs* q) {
  if (!q->function_row) return nullptr;
  if (get_row_size(q) < 0) return nullptr;
  row_cluster* cl = new_cluster(1, q->row_size);
  make_row(q, cl->rows.data(), q->function_row->text());
  if (dumps_records(q)) dump_result_record(q->cur_name, cl->rows.data(), q->row_size);
  register_cl(cl);
  return cl;
}

int fetch_cur(row_cluster* cl) {
  if (!cl || !find_cl(cl)) return 100;
  if (cl->current >= cl->end || cl->count == 0) return cl->status = 100;
  if (!cl->started) {
    cl->started = 1;
    return cl->status = 0;
  }
  cl->current += cl->row_size;
  return cl->status = cl->current >= cl->end ? 100 : 0;
}

int close_cur(row_cluster* cl) {
  for (cl_node** link = &clusters.cl_anchor; *link; link = &(*link)->next) {
    if ((*link)->cluster != cl) continue;
    cl_node* node = *link;
    *link = node->next;
    delete node->cluster;
    delete node;
    return 0;
  }
  return 0;
}

bool age_to_linked(const curs* q) { return q->age_to[0] != '\0' || q->pre_copy || q->post_copy; }

row_cluster* open_cursor(curs* q) {
  if (q->hold == 'Y') return nullptr;
  if (q->virtual_) return make_cluster(q);
  const int32_t now = rel_now();
  if (q->demand && q->stale_at <= now) {
    if (!age_to_linked(q)) delete_all(q);
    return prep_demand(q);
  }
  return stored_cluster(q, now);
}

row_cluster* prep_demand(curs* q) {
  if (!q->demand || q->hold == 'Y') return nullptr;
  const int32_t now = rel_now();
  if (age_to_linked(q)) return stored_cluster(q, now);
  q->stale_at = now + q->stale;
  if (get_cursor_data(now, q) != 0) return nullptr;
  row_cluster* cl = stored_cluster(q, now);
  if (q->stale == 0) delete_all(q);
  return cl;
}

void reset_clusters() {
  while (clusters.cl_anchor) close_cur(clusters.cl_anchor->cluster);
}
