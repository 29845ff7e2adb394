// The two record arenas.
#include "ctl/arena.h"

record_arena& cursor_arena() {
  static record_arena arena;
  return arena;
}

record_arena& process_arena() {
  static record_arena arena;
  return arena;
}
