// Storage of the definition anchors and the shared default window.
#include "ctl/anchors.h"

#include "ctl/arena.h"
#include "ctl/operate.h"

definition_anchors anchors;
operate full_day{nullptr, 0, 86400};

void reset_definitions() {
  anchors = definition_anchors{};
  cursor_arena().clear();
  process_arena().clear();
}
