// Fixed tables of what a forced stop removes. The handler reads them while
// the main loop may be changing them: each slot is published by one atomic
// store after its text is complete, and cleared by one before it is reused.
#include "platform/emergency.h"

#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {
constexpr int kPaths = 4;
constexpr int kIds = 8;
constexpr size_t kPathSize = 1024;

struct path_slot {
  std::atomic<bool> used{false};
  char text[kPathSize] = {};
};
path_slot paths[kPaths];
std::atomic<int> shm_ids[kIds];
std::atomic<int> sem_ids[kIds];

void note_id(std::atomic<int>* ids, int id) {
  if (id < 0) return;
  for (int i = 0; i < kIds; ++i)
    if (ids[i].load() == id + 1) return;
  for (int i = 0; i < kIds; ++i) {
    int empty = 0;
    if (ids[i].compare_exchange_strong(empty, id + 1)) return;
  }
}

void forget_id(std::atomic<int>* ids, int id) {
  for (int i = 0; i < kIds; ++i) {
    int held = id + 1;
    ids[i].compare_exchange_strong(held, 0);
  }
}
}  // namespace

void emergency_note_path(const char* path) {
  if (!path || !*path || strlen(path) >= kPathSize) return;
  for (path_slot& p : paths)
    if (p.used.load() && strcmp(p.text, path) == 0) return;
  for (path_slot& p : paths) {
    if (p.used.load()) continue;
    memcpy(p.text, path, strlen(path) + 1);
    p.used.store(true);
    return;
  }
}

void emergency_forget_path(const char* path) {
  if (!path) return;
  for (path_slot& p : paths)
    if (p.used.load() && strcmp(p.text, path) == 0) p.used.store(false);
}

// Ids are stored plus one, so that 0 marks an empty slot.
void emergency_note_shm(int id) { note_id(shm_ids, id); }
void emergency_forget_shm(int id) { forget_id(shm_ids, id); }
void emergency_note_sem(int id) { note_id(sem_ids, id); }
void emergency_forget_sem(int id) { forget_id(sem_ids, id); }

void emergency_exit(const char* line, int status) {
  for (path_slot& p : paths)
    if (p.used.load()) unlink(p.text);
  for (std::atomic<int>& id : shm_ids)
    if (int held = id.load()) shmctl(held - 1, IPC_RMID, nullptr);
  for (std::atomic<int>& id : sem_ids)
    if (int held = id.load()) semctl(held - 1, 0, IPC_RMID);
  if (line) (void)!write(STDERR_FILENO, line, strlen(line));
  _exit(status);
}

void emergency_clear() {
  for (path_slot& p : paths) p.used.store(false);
  for (std::atomic<int>& id : shm_ids) id.store(0);
  for (std::atomic<int>& id : sem_ids) id.store(0);
}
