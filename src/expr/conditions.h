// The expression layer's part in conditional cursor versions.
#pragma once

// Registers the parsing and evaluation of version conditions with the
// cursor-file layer and the computed cursors' driver with the script exits
// (start-up, and tests).
void register_expressions();

// Frees every parsed condition (the end of the process, and tests).
void free_all_conditions();
