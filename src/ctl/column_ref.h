// Reading a column reference written like a host variable (an n! position,
// type and column-function prefixes, a ^length around the name) without adding
// it to a cursor, as the load clause needs for its source.
#pragma once

#include <string_view>

struct columns;

// Reads `text` by the host-variable rules (add_column) into a new zeroed column
// record in cursor_arena() that belongs to no cursor; no cursor's flags change.
// Returns null when no name is left after the prefixes.
columns* read_column_spec(std::string_view text);
