// Steps of features that are not built yet. The start-up edits succeed
// without binding anything: the clauses they would bind are kept but not
// applied. The scheduler's services do nothing and succeed; a cursor's
// column-function result is its stored rows; every row meets an
// iterate_where condition.
#include "driver/cluster.h"
#include "driver/cursor_run.h"
#include "driver/steps.h"

int create_percent_cursor() { return 0; }
int init_virtuals() { return 0; }
int edit_age_to() { return 0; }
int define_vers_chain() { return 0; }
int edit_decode() { return 0; }
int edit_in_lists() { return 0; }
int edit_bases() { return 0; }
int edit_math() { return 0; }
int edit_col_exits() { return 0; }
int edit_iterate_where() { return 0; }
int edit_loads() { return 0; }
int set_qualifieds() { return 0; }

int tune_up_cursor_versions(const char*) { return 0; }
int do_history(const char*) { return 0; }
int do_evaluator(const char*, distributor*) { return 0; }
row_cluster* do_column_func(curs* q, int32_t) { return make_cluster(q); }
bool iterate_where_holds(curs*, const text_row*) { return true; }
