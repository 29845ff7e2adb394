// System V building blocks of the shared-memory transport: the layouts of the
// request and data segments, an owned segment attachment (QVZShareMemory) and
// a semaphore set (QVZSemaphore). Integers in the segments are native order.
#pragma once

#include <sys/sem.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// The request segment: the probe writes one request, the collector reads it.
struct request_area {
  int32_t attach_count;  // 1 at creation, +1 per attach, -1 per detach
  int32_t reader_word;   // cleared by the reader after each request
  int32_t writer_word;   // cleared by the writer after each request
  char name[15];         // cursor name, at most 14 characters, NUL-padded
  char unique[50];       // unique request id, at most 49 characters
  char parms[40][20];    // parameters, at most 19 characters; empty slots all zero
  char text[30000];      // request text, at most 29,999 characters
  char reserved[3];      //
  int32_t lifetime;      // seconds a request stays valid (creator's WAIT_TIMEOUT)
  int32_t request_time;  // when the last request was written, seconds since the epoch
  int32_t data_time;     // when the last data block was written (0 or -1 before)
};
static_assert(offsetof(request_area, name) == 12 && offsetof(request_area, unique) == 27 &&
              offsetof(request_area, parms) == 77 && offsetof(request_area, text) == 877 &&
              offsetof(request_area, lifetime) == 30880 &&
              offsetof(request_area, request_time) == 30884 &&
              offsetof(request_area, data_time) == 30888 && sizeof(request_area) == 30892);

// Largest part of an answer carried by one data block.
constexpr size_t kDataBlock = 99000;

// The data segment: the collector writes an answer in parts, the probe reads them.
struct data_area {
  int32_t attach_count;   // as in request_area
  int32_t clean_word;     // cleared on clean-up
  int32_t block_index;    // always 0
  int32_t reader_done;    // 1 when the reader has taken the last block (1 at creation)
  char unique[50];        // unique id of the request being answered
  char reserved[2];       //
  int32_t rows;           // row count of the whole answer
  int32_t row_len;        // row length of the whole answer
  char data[kDataBlock];  // the next part of the rows
};
static_assert(offsetof(data_area, unique) == 16 && offsetof(data_area, rows) == 68 &&
              offsetof(data_area, row_len) == 72 && offsetof(data_area, data) == 76);

// Segment sizes as created (the data segment is larger than its layout).
constexpr size_t kRequestSegment = 30892;
constexpr size_t kDataSegment = 100000;

// Semaphores of each set.
constexpr int kSemAvailable = 0;  // 1: the area may be written
constexpr int kSemFilled = 1;     // 1: the area holds something for the reader

// An attached shared-memory segment. The last user to detach also removes
// the segment and the semaphore set recorded with it. Not copyable.
class QVZShareMemory {
 public:
  // Creates a segment of `size` bytes with `key` and `flags` and attaches it.
  QVZShareMemory(size_t size, key_t key, int flags);
  // Attaches an existing segment, which must be at least `size` bytes.
  QVZShareMemory(int shm_id, size_t size);
  QVZShareMemory(const QVZShareMemory&) = delete;
  QVZShareMemory& operator=(const QVZShareMemory&) = delete;
  ~QVZShareMemory();

  bool attached() const { return address_ != nullptr; }
  int id() const { return id_; }
  void* address() const { return address_; }
  // The semaphore set removed together with the segment.
  void set_sem_id(int sem_id) { sem_id_ = sem_id; }
  // True when the segment still exists in the system.
  bool exists() const;
  // Detaching never removes the objects: a user that did not create them
  // leaves their removal to its creator or to whoever checks that nobody
  // uses them.
  void keep_objects() { keep_ = true; }

 private:
  int id_ = -1;
  int sem_id_ = -1;
  bool keep_ = false;
  void* address_ = nullptr;
  pid_t owner_ = 0;  // the attaching process: a forked child only unmaps its copy
};

// A set of two semaphores, available and filled. Removal belongs to the
// segment it is recorded with.
class QVZSemaphore {
 public:
  QVZSemaphore() = default;
  explicit QVZSemaphore(int id) : id_(id) {}
  int id() const { return id_; }
  // Creates a set of two with `key` and `flags` and sets it to available 1,
  // filled 0. Returns 0 or -1 after reporting.
  int Create(key_t key, int flags);
  // Performs the operations. Returns 0, or -1 (EAGAIN silently, other errors
  // reported as "ush0027").
  int SemOp(sembuf* ops, int count);
  // Takes one unit of semaphore `num`, waiting at most `seconds`. Returns 0,
  // -10 on timeout, -1 on failure.
  int TimedTake(int num, int seconds);
  // As TimedTake, but first tries without blocking for up to `spin_us`
  // microseconds: a partner that is running on another processor usually
  // gives the unit back within that time, and a hand-over then costs no sleep
  // and wake-up.
  int SpinTake(int num, int seconds, int spin_us);
  // Waits at most `seconds` until semaphore `num` is non-zero, without taking
  // it. Returns 0, -10 on timeout (also when `wake_on_signal` is set and a
  // caught signal waits in the signal box), -1 on failure.
  int TimedWait(int num, int seconds, bool wake_on_signal = false);
  // Gives one unit back. Returns 0 or -1.
  int Give(int num);
  // Current value of semaphore `num`, or -1.
  int Value(int num) const;
  // Sets available 1, filled 0. Returns 0 or -1.
  int Reset();
  // True when the set still exists.
  bool exists() const { return Value(0) >= 0; }

 private:
  int TimedOps(sembuf* ops, int count, int seconds, bool wake_on_signal = false);

  int id_ = -1;
};
