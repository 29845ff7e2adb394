// Hexadecimal renderings of raw bytes for trace output.
#pragma once

// Writes `data` (`length` bytes) 16 bytes a line through u_msg, class "tTP",
// with message id `id` (null: "upx0100"): offset in hexadecimal, the bytes in
// hexadecimal padded to 35 characters, and their printable text between
// asterisks. Nothing is written for null data or a length below 1.
void u_print_dumpx(const char* id, const void* data, int length);

// Writes two upper-case hexadecimal digits per byte of `data` into `buffer`,
// with a blank between groups of 4 bytes, terminates it and returns it. The
// buffer holds at least 2 * length + length / 4 + 1 bytes.
char* u_hex_format(char* buffer, const void* data, int length);

// Writes the printable text of `data` into `buffer` (length + 1 bytes):
// letters, digits and \ / , ( ) " ' = - $ # stay, white space becomes a blank
// and anything else a full stop. Returns buffer.
char* u_printable(char* buffer, const void* data, int length);
