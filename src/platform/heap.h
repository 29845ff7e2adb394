// Heap tuning for a process that frees and re-allocates every cursor's rows
// each interval.
#pragma once

// Keeps up to 16 MiB of freed heap instead of handing it back to the system
// after every run, so the next run's rows do not fault their pages in again.
// Idempotent; costs nothing when the heap is smaller.
void heap_tune();
