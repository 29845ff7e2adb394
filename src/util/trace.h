// Trace switches: the collector-wide flags and the ten numeric trace levels
// that decide which optional messages appear. Set from the command line, the
// environment, the trace file and probe requests; read everywhere.
#pragma once

#include <cstdint>

struct trace_switches {
  int16_t trace_all = 0;          // every cursor traced, start-up settings listed
  int16_t trace_something = 0;    // some tracing is on (parsers echo statements)
  int16_t my_trace_all[10] = {};  // levels 0..9; a level is on when non-zero
  int16_t my_trace_all_l = 9;     // highest level index
};

// The process-wide switches.
extern trace_switches tracing;

// True when trace level n (0..9) is on.
inline bool trace_on(int n) { return n >= 0 && n <= 9 && tracing.my_trace_all[n] != 0; }

// Clears every switch (tests start from here).
void reset_trace_switches();

// Sets the trace switches from a trace text such as "-ddd" or "azzzzzzzzz": a
// leading "-" is skipped; a first letter "d" switches on trace_all and
// trace_something; each later character sets the next level from 0 on to its
// distance after "c" ("d" 1 ... "z" 23, either case), any other character and
// every level past the text's end to 0. A null text changes nothing.
void trace_set(const char* text);
