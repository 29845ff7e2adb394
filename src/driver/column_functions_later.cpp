// Stand-in for column functions, which are not built yet: a cursor's
// column-function result is its stored rows.
#include "driver/cluster.h"

row_cluster* do_column_func(curs* q, int32_t) { return make_cluster(q); }
