// The trace file TRACE.CTL: per-cursor diagnostics switched on by cursor name
// once the cursors exist, and the reset that re-reads it on request.
#pragma once

#include <cstdio>

// Finds and parses TRACE.CTL. Returns 0, or 1 after errors.
[[nodiscard]] int parse_trace();

// Parses TRACE.CTL from an open stream (borrowed); parse_trace finds
// the file (a missing one is no failure). Returns 0, or 1 after errors.
[[nodiscard]] int parse_trace_stream(FILE* in);

// Clears the per-cursor trace flags of every cursor and version, the
// collector-wide trace_all and trace_something, reads the trace file again and
// clears anchors.reset_trace.
void reset_tracing();
