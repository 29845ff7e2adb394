// Math columns: a definition computes one numeric column of every row from
// constants, columns of the row and columns of other cursors' rows with
// + - * / and parentheses. The edit (edit_math, derived_columns.h) binds the
// names once; the evaluation runs for every row built.
#pragma once

#include <cstddef>
#include <cstdint>

struct curs;
struct columns;
struct m_anch;

// Evaluates `col`'s definition for the row whose text starts at `text` and
// writes the answer right-aligned into the column's area. Never fails the row:
// always 0.
int do_math(curs* cur, columns* col, char* text);

// Runs the two passes of the arithmetic over the cells `do_math` prepared in
// `def` and returns the answer (0.0 after a division by zero).
double do_arith(m_anch* def, curs* cur);

// Writes `answer` into `out` (room for `size` characters) exactly as "%f"
// writes it: six digits after the point, the binary value rounded half to
// even. Returns the end of the text; no NUL is written.
char* fixed6(char* out, size_t size, double answer);

// The bytes to add to `size` to reach the next multiple of `alignment`.
int32_t slk_bytes(int32_t size, int32_t alignment);
