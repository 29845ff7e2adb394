// The request service of the process "pxa": it opens the transport to the
// probe on first use, takes the waiting requests, acts on the control words,
// snapshots or runs the named cursors and sends every answer back.
#pragma once

#include <array>
#include <string>

struct curs;
struct curs_list;

// The most bytes of one parameter a percent-cursor column takes.
constexpr size_t kMaxParmLen = 256;

// The service's process-wide state.
struct pxa_service_state {
  // The parameter texts placed into the percent cursor's "%parm" columns. The
  // columns point here rather than into the request, which the transport
  // releases after each answer; a slot keeps its text until a later request
  // sets the same slot.
  std::array<std::string, 40> parm_values;
};

extern pxa_service_state pxa_service;

// The request service ("pxa"): 0 when requests were served, 100 when none was
// waiting, -1 when serving failed.
int do_pxa();

// Answers one cursor request `entry` with the records of its cursor: 0 on
// success (also outside the cursor's operating window, where the answer has
// no rows), 1 when no cursor has the name, or the cursor yields no cluster or
// an empty one. Requires the transport to be open.
int get_probe_data(curs_list* entry);

// Places the parameters in the open anchor's slots into the percent cursor's
// "%parm" columns, k-th slot to k-th column; unset slots leave their column
// as it is. Nothing happens while there is no percent cursor.
void place_probe_parms();

// Clears the service's state (tests start from here).
void reset_pxa_service();
