// Version headers: the identification texts embedded in the collector's
// program files, and the dump that finds and prints them for -version.
#pragma once

#include <string>
#include <vector>

// The collector's own embedded header, marker included ("@(#)" then the
// program, revision, check-in date and time, developer id, compile date and
// time, and build stamp).
extern const char collector_version_header[];

// Prints the title line (ush9053) and, for each file of `files` that exists,
// "Dump headers for FILE" (ush9054) and every header embedded in it
// (ush9055), closed by a line of hyphens (ush9056) when any was found.
void dump_version_headers(const std::vector<std::string>& files);

// The agent's program files dumped by the first -version reading: the
// collector and the probe, in the directory `argv0` was started from.
std::vector<std::string> builtin_program_files(const char* argv0);

// The embedded headers of `content` (texts after each "@(#)" marker, up to
// 100 printable characters), in file order.
std::vector<std::string> find_version_headers(const std::string& content);
