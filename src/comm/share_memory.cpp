// Shared-memory segments and semaphore sets: creation, attachment, the
// removal by the last user, and semaphore operations with timeouts.
#include "comm/share_memory.h"

#include <sched.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/emergency.h"
#include "platform/signal_box.h"
#include "util/print.h"

namespace {
// Both layouts begin with the attach count.
std::atomic_ref<int32_t> attach_count(void* address) {
  return std::atomic_ref<int32_t>(*static_cast<int32_t*>(address));
}

timespec monotonic_now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts;
}

double seconds_since(const timespec& start) {
  timespec now = monotonic_now();
  return static_cast<double>(now.tv_sec - start.tv_sec) +
         static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}
}  // namespace

QVZShareMemory::QVZShareMemory(size_t size, key_t key, int flags) {
  id_ = shmget(key, size, flags);
  if (id_ < 0) {
    PRINT('e', "ush0016", "Failed to construct QVZShareMemory(): %s\n", strerror(errno));
    return;
  }
  void* at = shmat(id_, nullptr, 0);
  if (at == reinterpret_cast<void*>(-1)) {
    PRINT('e', "ush0021", "Failed to attach share memory: %s\n", strerror(errno));
    shmctl(id_, IPC_RMID, nullptr);
    id_ = -1;
    return;
  }
  address_ = at;
  owner_ = getpid();
  attach_count(address_).store(1);
  emergency_note_shm(id_);
}

QVZShareMemory::QVZShareMemory(int shm_id, size_t size) {
  shmid_ds ds;
  if (shmctl(shm_id, IPC_STAT, &ds) != 0) {
    PRINT('e', "ush0021", "Failed to attach share memory: %s\n", strerror(errno));
    return;
  }
  if (ds.shm_segsz < size) {
    PRINT('e', "ush0021", "Failed to attach share memory: %s\n", "segment too small");
    return;
  }
  void* at = shmat(shm_id, nullptr, 0);
  if (at == reinterpret_cast<void*>(-1)) {
    PRINT('e', "ush0021", "Failed to attach share memory: %s\n", strerror(errno));
    return;
  }
  id_ = shm_id;
  address_ = at;
  owner_ = getpid();
  attach_count(address_).fetch_add(1);
}

QVZShareMemory::~QVZShareMemory() {
  if (!address_) return;
  emergency_forget_shm(id_);
  emergency_forget_sem(sem_id_);
  if (getpid() != owner_) {
    // A child that inherited the mapping never counted as a user.
    shmdt(address_);
    return;
  }
  // The count in the segment says who is last. The system's attach count,
  // read after detaching, covers users that died without detaching: they
  // left the count too high. Reading it before detaching would let two users
  // leaving at once each see the other and both leave the objects behind.
  bool last = attach_count(address_).fetch_sub(1) <= 1;
  if (shmdt(address_) != 0)
    PRINT('e', "ush0018", "Failed to detach share memory: %s\n", strerror(errno));
  shmid_ds ds;
  if (shmctl(id_, IPC_STAT, &ds) == 0 && ds.shm_nattch == 0) last = true;
  if (keep_) return;
  // A probe that sent the last request may still be reading its reply; it
  // leaves the objects to their creator. Give such users two seconds to go
  // before leaving the objects to the next start's clean-up.
  for (int i = 0; !last && i < 40; ++i) {
    const timespec pause = {0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    if (shmctl(id_, IPC_STAT, &ds) != 0 || ds.shm_nattch == 0) last = true;
  }
  if (!last) return;
  // Both users of a simultaneous leave may find themselves last; the second
  // finds the objects gone, which is what it wanted.
  if (shmctl(id_, IPC_RMID, nullptr) != 0 && errno != EINVAL && errno != EIDRM)
    PRINT('e', "ush0019", "Failed to remove share memory: %s\n", strerror(errno));
  if (sem_id_ >= 0 && semctl(sem_id_, 0, IPC_RMID) != 0 && errno != EINVAL && errno != EIDRM)
    PRINT('e', "ush0020", "Failed to remove share memory: %s\n", strerror(errno));
}

bool QVZShareMemory::exists() const {
  shmid_ds ds;
  return id_ >= 0 && shmctl(id_, IPC_STAT, &ds) == 0;
}

int QVZSemaphore::Create(key_t key, int flags) {
  id_ = semget(key, 2, flags);
  if (id_ < 0) {
    PRINT('e', "ush0024", "Failed to create semaphore: %s\n", strerror(errno));
    return -1;
  }
  emergency_note_sem(id_);
  if (Reset() != 0) {
    PRINT('e', "ush0022", "Failed to initialize semaphore\n");
    return -1;
  }
  return 0;
}

int QVZSemaphore::SemOp(sembuf* ops, int count) {
  if (semop(id_, ops, static_cast<size_t>(count)) == 0) return 0;
  if (errno != EAGAIN) PRINT('e', "ush0027", "semop() failed: %s\n", strerror(errno));
  return -1;
}

int QVZSemaphore::TimedTake(int num, int seconds) {
  sembuf op{static_cast<unsigned short>(num), -1, 0};
  return TimedOps(&op, 1, seconds);
}

int QVZSemaphore::SpinTake(int num, int seconds, int spin_us) {
  sembuf op{static_cast<unsigned short>(num), -1, IPC_NOWAIT};
  const timespec start = monotonic_now();
  while (seconds_since(start) * 1e6 < spin_us) {
    if (semop(id_, &op, 1) == 0) return 0;
    if (errno != EAGAIN && errno != EINTR) break;
    sched_yield();
  }
  return TimedTake(num, seconds);
}

int QVZSemaphore::TimedWait(int num, int seconds, bool wake_on_signal) {
  // Taking and giving back in one atomic operation blocks until the value is
  // non-zero and leaves it as it was.
  unsigned short n = static_cast<unsigned short>(num);
  sembuf ops[2] = {{n, -1, 0}, {n, 1, 0}};
  return TimedOps(ops, 2, seconds, wake_on_signal);
}

int QVZSemaphore::TimedOps(sembuf* ops, int count, int seconds, bool wake_on_signal) {
  timespec start = monotonic_now();
  for (;;) {
    // Signals (a child ending, a stop request) interrupt the wait; it resumes
    // with what is left of the time.
    double left = seconds - seconds_since(start);
    if (left < 0) left = 0;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(left);
    ts.tv_nsec = static_cast<long>((left - static_cast<double>(ts.tv_sec)) * 1e9);
    if (left == 0)
      for (int i = 0; i < count; ++i) ops[i].sem_flg = IPC_NOWAIT;
    if (semtimedop(id_, ops, static_cast<size_t>(count), left == 0 ? nullptr : &ts) == 0) return 0;
    if (errno == EAGAIN) return -10;
    if (errno == EINTR && !(wake_on_signal && signal_box_waiting())) continue;
    if (errno == EINTR) return -10;
    PRINT('e', "ush0027", "semop() failed: %s\n", strerror(errno));
    return -1;
  }
}

int QVZSemaphore::Give(int num) {
  sembuf op{static_cast<unsigned short>(num), 1, 0};
  return SemOp(&op, 1);
}

int QVZSemaphore::Value(int num) const { return id_ < 0 ? -1 : semctl(id_, num, GETVAL); }

int QVZSemaphore::Reset() {
  unsigned short values[2] = {1, 0};
  if (semctl(id_, 0, SETALL, values) != 0) {
    PRINT('e', "ush0026", "semctl() failed: %s\n", strerror(errno));
    return -1;
  }
  return 0;
}
