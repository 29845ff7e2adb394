// Parsing the insert_select of a script fetch exit into its result
// descriptor: one column per select item, typed and sized by the dictionary.
#include "ctl/script_exit.h"

#include <cstring>

#include "ctl/arena.h"
#include "ctl/dict.h"
#include "util/print.h"

namespace {

const d_ptr* dictionary_entry(const char* name) {
  for (const d_ptr* d = dictionary.dict_anchor; d; d = d->next)
    if (strncmp(d->name, name, 32) == 0) return d;
  return nullptr;
}

}  // namespace

int parse_script_exit(curs* cur) {
  const char* raw = cur->raw_insert_select.c_str();
  while (*raw == ' ') ++raw;
  if (strncmp(raw, "SELECT ", 7) != 0 && strncmp(raw, "select ", 7) != 0) {
    PRINT('e', "pcc3990", "Invalid insert_select\n");
    return 1;
  }
  auto* x = cursor_arena().make<xda_ptr>();
  x->text = raw + 7;
  char* p = x->text.data();
  while (*p == ' ') ++p;
  if (*p == '(') ++p;
  char* first = p;
  int n = 1;
  for (;; ++p) {
    if (!*p) {
      PRINT('e', "pcc4000", "Bad insert_select text\n");
      return 1;
    }
    if (strncmp(p, "FROM ", 5) == 0 || strncmp(p, "from ", 5) == 0) break;
    if (*p == '(' || *p == ')') *p = ' ';
    if (*p == ',') ++n;
  }
  *p = '\0';
  x->count = x->max_count = n;
  x->ind_store.assign(static_cast<size_t>(n), 1);
  int32_t total = 0;
  p = first;
  for (int i = 0; i < n; ++i) {
    while (*p == ' ') ++p;
    char* name = p;
    while (*p && *p != '(' && *p != ' ' && *p != ',') ++p;
    char stop = *p;
    *p = '\0';
    const d_ptr* d = dictionary_entry(name);
    if (!d) {
      PRINT('e', "pcc4005", "No dictionary entry found for %s\n", name);
      PRINT('e', "pcc4010", "Script parsing failed\n");
      return 1;
    }
    x->names.push_back(name);
    x->name_lens.push_back(static_cast<int16_t>(strlen(name)));
    x->name_lens2.push_back(x->name_lens.back());
    x->lengths.push_back(d->length);
    x->types.push_back(d->num_type == 2 ? 2 : 1);
    total += d->length;
    if (stop) ++p;
    while (*p == ' ') ++p;
    if (*p == ',') ++p;
  }
  x->buffer.assign(static_cast<size_t>(total) + 1, ' ');
  char* at = x->buffer.data();
  for (int i = 0; i < n; ++i) {
    x->values.push_back(at);
    x->indicators.push_back(&x->ind_store[static_cast<size_t>(i)]);
    at += x->lengths[static_cast<size_t>(i)];
  }
  cur->xda = x;
  return 0;
}
