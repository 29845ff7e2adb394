// Building the window lists of processes and cursors.
#include "ctl/operate.h"

#include "ctl/arena.h"

int set_operate(operate** list, int32_t start, int32_t end, record_arena& arena) {
  operate* w = arena.make<operate>();
  w->start = start;
  w->end = end < start ? end + 86400 : end;
  while (*list) list = &(*list)->next;
  *list = w;
  return 0;
}
