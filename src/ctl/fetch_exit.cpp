// The table of known fetch exits and the selection of a cursor's copy.
#include "ctl/fetch_exit.h"

#include <strings.h>

#include <cctype>
#include <cstring>

#include "ctl/arena.h"
#include "ctl/curs.h"

namespace {

struct known_exit {
  const char* name;
  int16_t output_format;
  int32_t run_option;
};

// In this order: "fetchxi1" must be tried before "fetchxi".
constexpr known_exit known_exits[] = {
    {"fetchx1", 1, 0}, {"fetchx2", 2, 0},  {"fetchx3", 3, 0}, {"fetchx4", 4, 0},
    {"fetchx5", 5, 0}, {"fetchxi1", 9, 7}, {"fetchxi", 9, 0}, {"fetchxt", 1, 0},
};

}  // namespace

int select_fetch_exit(curs* cur, const char* text) {
  size_t len = strcspn(text, " ");
  for (const known_exit& k : known_exits) {
    size_t n = strlen(k.name);
    if (len < n || strncasecmp(text, k.name, n) != 0) continue;
    fetch_ex* copy = cursor_arena().make<fetch_ex>();
    memcpy(copy->name, k.name, n);
    copy->output_format = k.output_format;
    copy->run_option = k.run_option;
    if (len > n && (text[n] == 't' || text[n] == 'T')) {
      copy->run_option = 1;
      int32_t t = 0;
      size_t i = n + 1;
      for (; i < len && isdigit(static_cast<unsigned char>(text[i])) && t < 100000; ++i)
        t = t * 10 + (text[i] - '0');
      copy->time_out = i > n + 1 ? t : 30;
    } else if (len > n && (text[n] == 'p' || text[n] == 'P')) {
      copy->run_option = 2;
    }
    cur->fetch_exit = copy;
    return 0;
  }
  return 1;
}
