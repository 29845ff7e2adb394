// Row clusters: snapshots of a cursor's rows formatted as the probe's
// fixed-width records, walked one record at a time by the probe services, and
// the registry of the clusters that are open. Also the entry that decides how a
// probe service obtains a cluster (open_cursor, prep_demand).
#pragma once

#include <cstdint>
#include <vector>

struct curs;

// One snapshot. The records are copies: the cursor's rows may be deleted while
// the cluster is walked.
struct row_cluster {
  int32_t status = 0;       // 0 while a record is available, 100 once exhausted
  int32_t count = 0;        // records in the cluster
  int32_t row_size = 0;     // bytes of one record (the cursor's row_size)
  int32_t started = 0;      // the first record has been delivered
  char* current = nullptr;  // the record now delivered
  char* end = nullptr;      // one past the last record
  std::vector<char> rows;   // count * row_size bytes of records, then 4 zero bytes
};

// One node of the registry chain.
struct cl_node {
  cl_node* next = nullptr;         // next open cluster, newest first
  row_cluster* cluster = nullptr;  // owned by the registry until close_cur
};

// The registry of open clusters.
struct cluster_registry {
  cl_node* cl_anchor = nullptr;  // every cluster from its making until close_cur
};

extern cluster_registry clusters;

// Registers `cl` (the registry owns it from now on).
void register_cl(row_cluster* cl);

// True when `cl` is registered (open).
bool find_cl(const row_cluster* cl);

// Returns a registered cluster of Q's rows, or null when Q has no rows or its
// record is too wide to be sent. When Q keeps samples only the newest sample's
// rows are taken. The caller closes it.
row_cluster* make_cluster(curs* q);

// Returns a registered one-record cluster of Q's column-function result row,
// or null when Q has none or its record is too wide. The caller closes it.
row_cluster* make_cluster_1(curs* q);

// Delivers the next record of `cl` at cl->current: 0 when one is available,
// 100 at the end or for a cluster that is not registered.
int fetch_cur(row_cluster* cl);

// Unregisters and frees `cl`; a cluster that is not registered is ignored.
// Returns 0.
int close_cur(row_cluster* cl);

// The cluster a probe service sends for Q: null for a held cursor; a demand
// cursor whose rows are stale is run first (prep_demand); a cursor with column
// functions gives its function row; otherwise the stored rows. The caller
// closes the result.
row_cluster* open_cursor(curs* q);

// Runs the demand cursor Q and returns the cluster of its fresh rows, or null
// when Q is not a demand cursor, is held or its run failed. A cursor with an
// age-to link is not run: its rows come from the hand-over. With no stale time
// Q keeps no rows afterwards.
row_cluster* prep_demand(curs* q);

// The column-function summary row of Q as a one-record cluster (null: nothing
// to send). A Q that never held rows is run first at `now`; the row is rebuilt
// only when rows arrived since it was last built. The caller closes it.
row_cluster* do_column_func(curs* q, int32_t now);

// True when Q takes part in age-to copies (as source or target): its rows are
// handed over, so they are neither emptied before a run nor expired as stale.
bool age_to_linked(const curs* q);

// Closes every open cluster (end of process; tests start from here).
void reset_clusters();
