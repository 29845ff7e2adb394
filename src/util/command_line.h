// The program's command line as given and as expanded: argument files
// ("-filein FILE" or "@FILE") are replaced by their words before any option
// reader sees the arguments. Both programs expand their arguments this way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct command_line_state {
  int given_argc = 0;  // the program's arguments, as given
  char** given_argv = nullptr;
  int16_t console = 0;                 // -console given (not read further)
  std::string initfile;                // -initfile value (not read further)
  int16_t testI32Cap = 0;              // -testI32Cap given (test switch)
  int16_t testI64Cap = 0;              // -testI64Cap given (test switch)
  std::vector<std::string> arg_words;  // texts of Argv after argument-file expansion
  std::vector<char*> Argv;             // expanded argument vector, null-terminated
  int Argc = 0;                        // entries of Argv before its null
  int arg_files = 0;                   // argument files expanded so far
};

extern command_line_state command_line;

// Forgets the arguments (tests start from here).
void reset_command_line();

// Expands argument files ("-filein FILE" or "@FILE", at most 10 per run) in
// place and removes the -ddd... trace texts and the -testI32Cap/-testI64Cap
// switches. Returns the new null-terminated vector, also left in
// command_line.Argv/Argc (owned there). Exits with status 15 on the eleventh
// argument file and 95 when an argument file cannot be read.
char** parseCmdline(int argc, char** argv);

// The words of an argument file: split at blanks, tabs, line ends (and NULs);
// a word that begins with a double or single quote runs to the next quote of
// the same kind (or the end of the text), and the quotes are dropped.
std::vector<std::string> split_arg_words(const std::string& text);
