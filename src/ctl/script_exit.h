// The script of a script fetch exit, parsed when its cursor block is checked.
#pragma once

struct curs;

// Parses cur->script against cur->raw_insert_select. Returns 0 on success, 1
// after reporting. (Script exits are not built yet: the script is kept and
// this succeeds without parsing it.)
int parse_script_exit(curs* cur);
