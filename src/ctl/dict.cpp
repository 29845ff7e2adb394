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
#include "ctl/reader.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

dictionary_state dictionary;
std::vector<std::pair<std::string, std::string>> dict_parms;

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";
constexpr int max_length = 2048;

record_arena& dict_arena() {
  static record_arena arena;
  return arena;
}

enum class outcome { next, quiet_stop, fatal };

struct dict_parser {
  d_ptr* open = nullptr;
  bool errors = false;
  bool ended = false;

  outcome close_entry();
  outcome statement(int code);
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

int parse(FILE* in) {
  dict_parser p;
  char now[20];
  ctl_banner_time(now);
  PRINT('i', "pdc2040", "%s", dashes);
  PRINT('i', "pdc2045", "-- Starting parse of DICT.CTL -- Time: %s\n", now);
  PRINT('i', "pdc2050", "%s", dashes);
  if (tracing.trace_all) {
    for (const auto& [name, value] : dict_parms) {
      PRINT('i', "pdc2164", "Parm Name= %s, Value= %s\n", name.c_str(), value.c_str());
    }
  }
  statement_source src(in, 256);
  bool first = true;
  int rc;
  while ((rc = src.next()) != 0) {
    int n = rc < 0 ? -1 : get_word(reader.this_start, reader.statement_end);
    if (n < 0) {
      PRINT('e', "pdc2060", "Parsing failed : %s\n", reader.message);
      p.errors = true;
      break;
    }
    if (n == 0) continue;
    reader.this_start += n;
    const word_info& w = reader.parse_word;
    if (first) {
      first = false;
      if (w.len != 4) {
        PRINT('e', "pdc2070", "First word must be 'name'\n");
        p.errors = true;
        break;
      }
      if (!word_is("name") && !word_is("NAME")) {
        PRINT('e', "pdc2075", "First word must be 'name'\n");
        p.errors = true;
        break;
      }
    }
    int code = test_dict_word(w.str, w.len);
    if (code == 0) {
      std::string word(w.str, w.len);
      PRINT('e', "pdc2065", "Unknown keyword (%s)\n", word.c_str());
      p.errors = true;
      break;
    }
    outcome o = p.statement(code);
    if (o == outcome::fatal) {
      if (reader.failed) PRINT('e', "pdc2110", "Parsing failed : %s\n", reader.message);
      p.errors = true;
      break;
    }
    if (o == outcome::quiet_stop || p.ended) break;
  }
  // An entry still open at the end of the file is kept like any other.
  if (rc == 0 && p.open && p.close_entry() != outcome::next) p.errors = true;
  if (tracing.trace_all) {
    for (const d_ptr* e = dictionary.dict_anchor; e; e = e->next) {
      PRINT('i', "pdc2165", "Name = %s, Type = %d, len = %d", e->name, e->num_type, e->length);
      if (e->has_initial) {
        PRINT('-', "pdc2170", ", Initial = %s.\n", e->initial.c_str());
      } else {
        PRINT('-', "", "\n");
      }
    }
  }
  char end_time[20];
  ctl_banner_time(end_time);
  PRINT('i', "ptc4725", "%s", dashes);
  PRINT('i', "ptc4740", "--  Dict Control Parsing ended at %s\n", end_time);
  PRINT('i', "ptc4735", "%s", dashes);
  if (p.errors) {
    PRINT('e', "pdc2180", "Parsing ended with errors\n");
    return 1;
  }
  return 0;
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
