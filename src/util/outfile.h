// Names and opening of the collector's output files: the print file "col.out"
// with its numbered backups, the log file "col.log" (standard output and
// error), temporary files, and the line limit after which both files wrap.
#pragma once

#include <cstdio>

// Size of the buffers that receive output and temporary file names.
constexpr int u_path_size = 1024;

// Builds the path of output file `name` in `buffer` (u_path_size bytes; a
// static buffer, overwritten by the next call, when null) and returns it: the
// parts coll_out and "/", hostname and "_", db_type without its first character
// and "_", serverid and "_", each only when its setting is not empty, then name.
char* u_createOutputFileName(char* buffer, const char* name);

// Builds the path of temporary file `name` like u_createOutputFileName but in
// the directory localtmpdir (created when missing; "." when it cannot be). Unless
// `mode` is 'n' or 'N' the host parts are followed by HHMMSS, a sequence number
// counting 1 to 101, "_", the process id and "_", so names do not repeat.
char* u_createTempFileName(char* buffer, const char* name, char mode);

// Rotates the backups of output file `name` (null: "col.out") and opens it
// anew. "col.log" is opened for appending as standard output and standard error
// and standard error is returned; any other name is truncated and becomes the
// print file. Returns the stream, or null when it cannot be opened (after the
// first failure once more as "colx.out").
FILE* u_openPRINTfile(const char* name);

// Reopens standard output on the "col.log" path, truncating it. 0 on success, 1
// on failure.
int u_openSTDOUTfile();

// Counts one line for the file `name` whose stream is *slot, with *counter as
// its line counter. After the wrap limit is reached the file is wrapped: its
// backups rotate, it starts anew with a "File wrapped" line and *slot receives
// the new stream (null when it cannot be reopened). Nothing happens while *slot
// is null or wrapping is off.
void check_limit(FILE** slot, const char* name, int* counter);

// Lines after which the output files wrap (COLL_WRAPLINES, default 30000; 0 =
// never), read on first use.
int wrap_limit();

// Number of numbered backups kept of each output file (COLL_NUMOUTBAK), read
// on first use.
int backup_count();
