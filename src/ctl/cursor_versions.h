// Conditional cursor versions: the chains of a cursor's versions, and the
// choice of each cursor's version for the time of a run.
#pragma once

// Start-up edit run by init_cursors: builds the version chains. 0 on success,
// 1 after reporting.
int define_vers_chain();

// Selects every cursor's version for the time text; 0, or 1 on failure.
int tune_up_cursor_versions(const char* time_text);
