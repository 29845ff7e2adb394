// The last resort of a stop that cannot wait: the collector's FIFOs, shared
// memory segments and semaphore sets are noted here while they exist, so a
// signal handler can remove them and end the process even while the main loop
// is stuck in a call that does not return (a database that does not answer).
#pragma once

// Notes a FIFO path (copied; up to 4 paths of up to 1,023 bytes) to unlink,
// and forgets it again. Not for signal handlers.
void emergency_note_path(const char* path);
void emergency_forget_path(const char* path);

// Notes a shared memory segment or semaphore set id to remove, and forgets it.
void emergency_note_shm(int id);
void emergency_forget_shm(int id);
void emergency_note_sem(int id);
void emergency_forget_sem(int id);

// Removes everything noted, writes `line` (may be null) to standard error
// and ends the process with `status` at once, without exit handlers. Uses
// only calls that are safe in a signal handler.
[[noreturn]] void emergency_exit(const char* line, int status);

// Forgets everything noted (tests start from here).
void emergency_clear();
