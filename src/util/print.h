// The two message writers of the collector. Every diagnostic is one line in the
// print file "col.out" headed by its message id and class letter; some classes
// are also copied to standard error, which is the log file "col.log".
#pragma once

#include <cstdarg>
#include <cstdio>

// Writes one message of class `cls` (a letter such as 'e', 'a', 's', 'i', 'w',
// 't', 'h', '@', '-') with message id `id` and a printf format. Returns the
// number of characters written, 1 when there was nowhere to write.
int PRINT(char cls, const char* id, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int VPRINT(char cls, const char* id, const char* fmt, va_list ap);

// The utility layers' writer: like PRINT, with a sender name (may be null), the
// source position, and a class string whose first letter is the class and whose
// further letters switch header parts. Returns the characters written.
int u_msg(const char* sender, const char* file, int line, const char* cls, const char* id,
          const char* fmt, ...) __attribute__((format(printf, 6, 7)));

// u_msg with the caller's source position.
#define U_MSG(cls, id, ...) u_msg(nullptr, __FILE__, __LINE__, (cls), (id), __VA_ARGS__)

// Opens the print file "col.out" in the output directory and writes the banner.
void init_PRINT();

// Closes the print file; later messages go to standard output.
void close_PRINT();

// The open print file, or null while none is open (messages then go to stdout).
FILE* print_stream();
