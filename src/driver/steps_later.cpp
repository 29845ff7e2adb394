// Start-up edits of features that are not built yet. Each succeeds without
// binding anything: the clauses they would bind are kept but not applied.
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
