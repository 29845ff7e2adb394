// Heap tuning: the row chains of all cursors are freed and rebuilt every
// interval, which with the default trim threshold returns the top of the heap
// to the system and takes it back a moment later, page by page.
#include "platform/heap.h"

#include <malloc.h>

namespace {

constexpr int kKeepFreed = 16 << 20;  // bytes of free heap kept at its top

}  // namespace

void heap_tune() {
  // Setting the trim threshold also stops glibc from raising it on its own.
  mallopt(M_TRIM_THRESHOLD, kKeepFreed);
}
