// The known fetch exits, and the copy a cursor keeps of the one its
// fetch_exit statement names (with the run option its mode suffix chose).
#pragma once

#include <cstdint>

struct curs;

struct fetch_ex {
  fetch_ex* next = nullptr;
  int16_t flag = 1;           // always 1
  int16_t output_format = 0;  // 1 or 4 columnar, 2 simple, 3 tabbed, 5 formatted, 9 internal
  char name[16] = {};         // "fetchx1" ... "fetchxt"
  int32_t run_option = 0;     // external: 1 timed, 2 asynchronous, else plain; internal: 1, 2, 7
  int32_t time_out = 0;       // seconds of a timed run
};

// Selects the exit whose name the text (up to its first blank) begins with,
// case-insensitively, and hangs a copy on the cursor (from the cursor arena):
// a 't' after the name makes the copy timed (run option 1) with the time-out
// from the digits after it (30 when none follow); a 'p' makes it asynchronous
// (run option 2). Returns 0, or 1 when no exit is known by that name (no
// message; the caller reports).
int select_fetch_exit(curs* cur, const char* text);
