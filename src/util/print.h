// The two message writers of the collector. Every diagnostic is one line in the
// print file "col.out" headed by its message id and class letter; classes E, S,
// A and unlisted letters are also copied to standard error, which is the log
// file "col.log". Before the print file opens (and after it closes) messages
// that are not copied go to standard output ("console mode").
#pragma once

#include <cstdarg>
#include <cstdio>

// Writes one message of class `cls` with message id `id` and a printf format.
// Classes: 'a' (shown as I, copied), 'e' (flushed, copied), 'h' (shown as T,
// only while trace level 0 is on), 'i', 's' (flushed, copied), 't' (flushed),
// 'w', '-' (no header), '@' (nothing written: `id` becomes the console prefix),
// any other letter is shown as itself and copied. The header is the upper-cased
// id, the class letter and "(HHMMSS) "; an id starting with "." is written as
// it stands without letter and time; a null, empty or blank-led id gives no
// header. Returns the characters written, 1 when there was nowhere to write,
// 0 when the message was suppressed.
int PRINT(char cls, const char* id, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int VPRINT(char cls, const char* id, const char* fmt, va_list ap);

// The utility layers' writer: like PRINT, with a sender name (may be null),
// the source position (file may be null), and a class string whose first
// letter is the class (empty: 't'; "h<n>" tests trace level n; 'x' takes the
// id and letter from the format's first 9 characters and writes the rest of
// the format unexpanded) and whose further letters switch header parts:
// L/l no copy/copy to standard error, F/f no flush/flush, H/h no header/header,
// T/t no time/time, P/p no source position/position, u keep case, '-' suppress
// (returns 0), '*' abort the process after writing. Defaults: header and
// source position on, time only for classes t and h. A newline is appended
// when the text lacks one. Returns the characters written.
int u_msg(const char* sender, const char* file, int line, const char* cls, const char* id,
          const char* fmt, ...) __attribute__((format(printf, 6, 7)));

// u_msg with the caller's source position.
#define U_MSG(cls, id, ...) u_msg(nullptr, __FILE__, __LINE__, (cls), (id), __VA_ARGS__)

// Opens the print file "col.out" in the output directory unless one is open
// (failing that: "cat2014" and console mode) and writes the banner.
void init_PRINT();

// Closes the print file; later messages are written in console mode.
void close_PRINT();

// The open print file, or null while none is open.
FILE* print_stream();

// The console-mode prefix ("" by default; set by class '@').
const char* msg_prefix();
