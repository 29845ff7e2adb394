// The DICT.CTL parser: element entries, their types and lengths, and initial
// values resolved from dictionary parameters and environment references.
#include "ctl/dict.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/ctl_file.h"
#include "ctl/ctl_time.h"
#include "ctl/env_lookup.h"
#include "ctl/keywords.h"
#include "ctl/parse_loop.h"
#include "ctl/reader.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

std::vector<std::pair<std::string, std::string>> dict_parms;

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";
constexpr int max_length = 2048;

record_arena& dict_arena() {
  static record_arena arena;
  return arena;
}

using outcome = ctl_outcome;

struct dict_parser final : ctl_statements {
  d_ptr* open = nullptr;

  int keyword(const char* word, int len) override { return test_dict_word(word, len); }
  outcome statement(int code) override;
  void started() override;
  // An entry still open at the end of the file is kept like any other.
  outcome at_eof() override { return open ? close_entry() : outcome::next; }
  void finishing() override;

  outcome close_entry();
  outcome type(char* value);
  void initial(const char* value);
};

// The text from `from` to the end of the statement, without the appended blanks.
std::string rest_of(const char* from) {
  const char* end = reader.statement_end;
  while (end > from && end[-1] == ' ') --end;
  return std::string(from, end > from ? end - from : 0);
}

// The default after a reference: blanks, commas and quotes stripped.
std::string default_text(const std::string& after, size_t limit) {
  std::string out;
  for (char c : after) {
    if (c != ' ' && c != ',' && c != '\'' && c != '"' && out.size() < limit) out += c;
  }
  return out;
}

outcome dict_parser::close_entry() {
  d_ptr* e = open;
  open = nullptr;
  if (e->name[0] == 0) {
    PRINT('e', "pdc2080", "No  name\n");
    return outcome::fatal;
  }
  if (!e->type_set) {
    PRINT('e', "pdc2085", "No data type\n");
    return outcome::fatal;
  }
  if (e->length == 0) {
    PRINT('e', "pdc2090", "No Length specified\n");
    return outcome::fatal;
  }
  if (!e->has_initial) PRINT('i', "pdc2095", "No Initial value, using default\n");
  d_ptr** tail = &dictionary.dict_anchor;
  while (*tail) tail = &(*tail)->next;
  *tail = e;
  return outcome::next;
}

outcome dict_parser::type(char* value) {
  d_ptr* e = open;
  if (e->type_set) {
    PRINT('e', "pdc2130", "Duplicate data type\n");
    return outcome::fatal;
  }
  const word_info& w = reader.parse_word;
  if (word_is("CHAR") || word_is("char")) {
    char* p = value + w.len;
    while (*p == ' ') ++p;
    if (*p != '(') {
      PRINT('e', "pdc2140", "Data type CHAR needs a length, as in CHAR(20)\n");
      return outcome::fatal;
    }
    int n = 0;
    for (++p; *p == ' '; ++p) {
    }
    for (; *p >= '0' && *p <= '9' && n <= max_length; ++p) n = n * 10 + (*p - '0');
    if (n > max_length) {
      PRINT('e', "pdc2135", "ERR Length of %d exceeds maximum(%d)\n", n, max_length);
      return outcome::fatal;
    }
    e->length = static_cast<int16_t>(n);
    e->type_set = 1;
    return outcome::next;
  }
  static const char* const numeric[] = {"INTEGER", "integer", "INT64", "int64", "float", "FLOAT"};
  for (const char* t : numeric) {
    if (word_is(t)) {
      e->num_type = 2;
      e->length = 21;
      e->type_set = 1;
      return outcome::next;
    }
  }
  PRINT('e', "pdc2145", "Invalid data type\n");
  return outcome::fatal;
}

void dict_parser::initial(const char* text) {
  d_ptr* e = open;
  std::string value = text;
  if (value[0] == '-' || value[0] == '%') {
    size_t n = value.find_first_of(" ,", 1);
    std::string name = value.substr(1, n == std::string::npos ? std::string::npos : n - 1);
    std::string after = n == std::string::npos ? "" : value.substr(n);
    const char* found = nullptr;
    if (value[0] == '-') {
      found = search_dict_parm(name.c_str());
    } else {
      found = u_retrieveEnvVar(name.c_str());
      if (!found) found = getenv(name.c_str());
    }
    if (found) {
      value = found;
    } else {
      value = default_text(after, 98);
      if (value.empty()) {
        if (text[0] == '%') {
          PRINT('w', "pdc2150", "Environmental variable %s not found\n", name.c_str());
        }
        return;
      }
    }
  }
  if (e->num_type != 2) {
    // A value in single quotes loses them, up to the last quote.
    if (value.size() >= 2 && value[0] == '\'') {
      size_t last = value.rfind('\'');
      if (last > 0) value = value.substr(1, last - 1);
    }
    e->initial = value;
  } else {
    std::string bare;
    for (char c : value) {
      if (c != '\'' && c != '"') bare += c;
    }
    size_t start = bare.find_first_not_of(' ');
    std::string word = start == std::string::npos ? "" : bare.substr(start);
    word = word.substr(0, word.find_first_of(" ,"));
    size_t width = static_cast<size_t>(e->length);
    if (word.size() > width) word.resize(width);
    e->initial = std::string(width - word.size(), ' ') + word;
  }
  e->has_initial = true;
}

outcome dict_parser::statement(int code) {
  if (code == 1 || code == 5) {  // name, end
    if (open) {
      outcome o = close_entry();
      if (o != outcome::next) return o;
    }
    if (code == 5) {
      ended = true;
      return outcome::next;
    }
    int n = get_word(reader.this_start, reader.statement_end);
    if (n < 0) return outcome::fatal;
    if (n == 0) return outcome::quiet_stop;
    reader.this_start += n;
    const word_info& w = reader.parse_word;
    if (w.len > 31) {
      PRINT('e', "pdc2100", "Dictionary element name is exceeds 29 characters\n");
      return outcome::fatal;
    }
    open = dict_arena().make<d_ptr>();
    memcpy(open->name, w.str, w.len);
    for (d_ptr* e = dictionary.dict_anchor; e; e = e->next) {
      if (strcmp(e->name, open->name) == 0) {
        PRINT('e', "pdc2105", "Name previously used\n");
        errors = true;
        break;
      }
    }
    return outcome::next;
  }
  char* value = reader.this_start;
  while (*value == ' ') ++value;
  int n = get_word(reader.this_start, reader.statement_end);
  if (n < 0) return outcome::fatal;
  if (n == 0) return outcome::quiet_stop;
  reader.this_start += n;
  switch (code) {
    case 2:
      return type(reader.parse_word.str);
    case 4:
      open->num_type = 2;
      return outcome::next;
    default:
      initial(rest_of(value).c_str());
      return outcome::next;
  }
}

void dict_parser::started() {
  if (!tracing.trace_all) return;
  for (const auto& [name, value] : dict_parms) {
    // The password's value never shows.
    const bool secret = strcasecmp(name.c_str(), "password") == 0;
    PRINT('i', "pdc2164", "Parm Name= %s, Value= %s\n", name.c_str(),
          secret ? "********" : value.c_str());
  }
}

void dict_parser::finishing() {
  if (!tracing.trace_all) return;
  for (const d_ptr* e = dictionary.dict_anchor; e; e = e->next) {
    PRINT('i', "pdc2165", "Name = %s, Type = %d, len = %d", e->name, e->num_type, e->length);
    if (e->has_initial) {
      PRINT('-', "pdc2170", ", Initial = %s.\n", e->initial.c_str());
    } else {
      PRINT('-', "", "\n");
    }
  }
}

const ctl_file_messages kDictFile = {
    .line_size = 256,
    .start_banner = {{"pdc2040", dashes},
                     {"pdc2045", "-- Starting parse of DICT.CTL -- Time: %s\n"},
                     {"pdc2050", dashes}},
    .end_banner = {{"ptc4725", dashes},
                   {"ptc4740", "--  Dict Control Parsing ended at %s\n"},
                   {"ptc4735", dashes}},
    .first_word = "name",
    .first_length = {"pdc2070", "First word must be 'name'\n"},
    .first_other = {"pdc2075", "First word must be 'name'\n"},
    .read_failed = {"pdc2060", "Parsing failed : %s\n"},
    .unknown = {"pdc2065", "Unknown keyword (%s)\n"},
    .statement_failed = {"pdc2110", "Parsing failed : %s\n"},
    .ended_with_errors = {"pdc2180", "Parsing ended with errors\n"},
};

int parse(FILE* in) {
  dict_parser p;
  return run_parse_loop(in, kDictFile, p);
}

}  // namespace

namespace {
void release_entries() {
  dictionary = dictionary_state{};
  dict_arena().clear();
}
}  // namespace

void reset_dictionary() {
  release_entries();
  dict_parms.clear();
}

const char* search_dict_parm(const char* name) {
  for (const auto& [parm, value] : dict_parms) {
    if (strcasecmp(parm.c_str(), name) == 0) return value.c_str();
  }
  return nullptr;
}

int parse_dict_stream(FILE* in) { return parse(in); }

int parse_dict() {
  if (!print_stream()) init_PRINT();
  release_entries();
  unique_file in = u_openInputFile("dict");
  if (!in) return 1;
  return parse_dict_stream(in.get());
}
