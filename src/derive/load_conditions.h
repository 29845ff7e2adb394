// Load conditions: the start-up edit that binds the WHERE conditions of the
// loads to their cursors' columns, and the steps the loads of the row path
// take from here (the condition test and the most frequent value).
#pragma once

// Start-up edit run by init_cursors after the loads are parsed: 0 on success,
// 1 after reporting every column that does not resolve.
[[nodiscard]] int edit_loads();

// Hands the load steps to the row path (register_derived_columns calls it).
void register_load_steps();
