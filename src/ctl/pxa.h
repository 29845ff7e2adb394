// Agent table definitions: a cursor's "INSERT !NAME" statement takes its probe
// table identifiers and its model INSERT from the definition file NAME.PXA.
#pragma once

struct curs;

// Reads the definition named by the word at `at` (every '!' removed, ".PXA"
// appended, relative to the working directory), fills the cursor's table
// identifiers that the cursor file left empty, adds one column per defined
// column, and writes the deduced INSERT, NUL-terminated, into `buffer` (the
// statement buffer; `at` may point into it). Returns 0, or 1 after reporting.
int parse_pxa(const char* at, char* buffer, curs* cur);
