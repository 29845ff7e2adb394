// Start-up edits that bind cursor names across cursors: the pre-cursors a
// cursor runs first and the source cursor of an iterate. The bindings are kept
// by clause record, so every version sharing a clause shares its binding.
#pragma once

#include <unordered_map>

struct curs;
struct pre_cursor;
struct iterate;

// The bindings made by the edits; they live until the definitions go.
struct cursor_bindings {
  std::unordered_map<const pre_cursor*, curs*> pre_cursor_of;   // pre_cursor clause -> cursor named
  std::unordered_map<const struct iterate*, curs*> iterate_of;  // iterate clause -> source cursor
};

extern cursor_bindings bindings;

// Binds every pre_cursor clause of every cursor and version to the first
// cursor of that name (compared over 9 bytes). Reports "ppr3115" for a cursor
// naming itself and "ppr3120" for an unknown name. Returns 0, or 1 after
// reporting every problem.
int edit_pre_cursors();

// Binds every iterate clause to its source cursor the same way ("pit3130",
// "pit3135"). Returns 0, or 1 after reporting every problem.
int edit_iterates();

// The cursor a pre_cursor clause names, or null when it is not bound.
curs* bound_pre_cursor(const pre_cursor* p);

// The iterate source of Q, or null when Q has no bound iterate.
curs* bound_iterate_source(const curs* q);

// Forgets every binding (tests start from here).
void reset_cursor_bindings();
