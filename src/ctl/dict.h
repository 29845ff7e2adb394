// The dictionary file DICT.CTL: named data elements with a type, a length and
// an initial value, read before the cursor file; script fetch exits take their
// result-column types and lengths from it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct d_ptr {
  d_ptr* next = nullptr;     // next entry, file order
  char name[32] = {};        // element name, at most 31 characters
  int16_t num_type = 0;      // 2 numeric, 0 character
  int16_t type_set = 0;      // a type statement was given
  int16_t length = 0;        // 1 to 2048; 21 for the numeric types
  bool has_initial = false;  // an initial value was resolved
  std::string initial;       // initial value; numeric: right-aligned in `length` blanks
};

struct dictionary_state {
  d_ptr* dict_anchor = nullptr;  // the entries, file order (owned by the dictionary arena)
};

extern dictionary_state dictionary;

// The "-name value" dictionary parameters of the command line and the
// environment, name/value in the order added.
extern std::vector<std::pair<std::string, std::string>> dict_parms;

// Appends a dictionary parameter handed to the dictionary file parser.
inline void add_dict_parm(std::string_view name, std::string_view value) {
  dict_parms.emplace_back(name, value);
}

// Releases the entries, clears the anchor and forgets the parameters (tests
// start from here).
void reset_dictionary();

// Returns the value of the first dictionary parameter (dict_parms)
// whose name equals `name` without regard to case, or null. The text is owned
// by dict_parms.
const char* search_dict_parm(const char* name);

// Finds and parses DICT.CTL. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_dict();

// Parses DICT.CTL from an open stream (borrowed); parse_dict finds
// the file. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_dict_stream(FILE* in);
