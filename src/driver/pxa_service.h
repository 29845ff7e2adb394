// The request service of the process "pxa": it opens the transport to the
// probe on first use, takes the waiting requests, acts on the control words,
// snapshots or runs the named cursors and sends every answer back.
#pragma once

struct curs;
struct curs_list;

// The request service ("pxa"): 0 when requests were served, 100 when none was
// waiting, -1 when serving failed.
int do_pxa();

// Answers one cursor request `entry` with the records of its cursor: 0 on
// success (also outside the cursor's operating window, where the answer has
// no rows), 1 when no cursor has the name, or the cursor yields no cluster or
// an empty one. Requires the transport to be open.
int get_probe_data(curs_list* entry);

// Places the parameters in the open anchor's slots into the percent cursor's
// "%parm" columns, k-th slot to k-th column: each value is copied into its
// column's place in the percent row, since the transport releases the request
// after each answer. Unset slots leave their column as it is. Nothing happens
// while there is no percent cursor.
void place_probe_parms();
