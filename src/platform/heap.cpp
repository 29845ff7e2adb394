// Heap tuning: the row chains of all cursors are freed and rebuilt every
// interval, which with the default trim threshold returns the top of the heap
// to the system and takes it back a moment later, page by page. Answers of
// several megabytes are built and freed for every request, which by default
// maps fresh pages for each one.
#include "platform/heap.h"

#include <malloc.h>

namespace {

constexpr int kKeepFreed = 16 << 20;  // bytes of free heap kept at its top
constexpr int kMapAbove = 32 << 20;   // blocks at least this large get their own mapping

}  // namespace

void heap_tune() {
  // Setting the trim threshold also stops glibc from raising it on its own.
  mallopt(M_TRIM_THRESHOLD, kKeepFreed);
  mallopt(M_MMAP_THRESHOLD, kMapAbove);
}
