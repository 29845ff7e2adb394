// Shared-memory channels: creation and attachment, and the request handshake
// (SendRequest by the probe, GetRequest by the collector). The answer
// handshake is in share_data.cpp.
#include "comm/share_comm.h"

#include <sys/ipc.h>

#include <cstring>

#include "comm/comm.h"
#include "comm/share_init.h"
#include "comm/share_text.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/trace.h"

namespace {
// New private objects with the configured mode (System V modes are not
// subject to the umask, so the mode given is the mode they get).
int create_flags() { return IPC_CREAT | IPC_EXCL | static_cast<int>(comm_ipc_modes().ipc); }

size_t segment_size(int type) { return type == 0 ? kRequestSegment : kDataSegment; }
}  // namespace

int32_t share_now() { return static_cast<int32_t>(clock_time()); }

void QVZRequest::FormRequest() {
  char tail[64];
  snprintf(tail, sizeof tail, "-%.12d-%.4d", static_cast<int>(clock_time()),
           ++share_state.request_counter);
  unique = name + tail;
}

ShareCommObject::ShareCommObject(int type, int lifetime)
    : type_(type), memory_(segment_size(type), IPC_PRIVATE, create_flags()) {
  if (!memory_.attached()) return;
  int rc = semaphore_.Create(IPC_PRIVATE, create_flags());
  // A set that was made but not initialised must still go with the segment.
  if (semaphore_.id() >= 0) memory_.set_sem_id(semaphore_.id());
  if (rc == 0) init(lifetime);
}

ShareCommObject::ShareCommObject(int type, int shm_id, int sem_id)
    : type_(type), memory_(shm_id, segment_size(type)), semaphore_(sem_id) {
  if (memory_.attached()) memory_.set_sem_id(sem_id);
}

request_area* ShareCommObject::request() const {
  return type_ == 0 && memory_.attached() ? static_cast<request_area*>(memory_.address()) : nullptr;
}

data_area* ShareCommObject::data() const {
  return type_ == 1 && memory_.attached() ? static_cast<data_area*>(memory_.address()) : nullptr;
}

bool ShareCommObject::IsGood() const {
  return memory_.attached() && memory_.exists() && semaphore_.exists() &&
         semaphore_.Value(kSemAvailable) >= 0;
}

void ShareCommObject::init(int lifetime) {
  if (request_area* req = request()) {
    req->reader_word = 0;
    req->writer_word = 0;
    req->lifetime = lifetime;
    req->request_time = share_now();
    req->data_time = 0;
  } else if (data_area* d = data()) {
    d->clean_word = 0;
    d->block_index = 0;
    d->reader_done = 1;
  }
}

int ShareCommObject::ResetSemaphore() { return semaphore_.Reset(); }

int ShareCommObject::WaitForWrite(int timeout) {
  return semaphore_.TimedTake(kSemAvailable, timeout);
}

int ShareCommObject::WaitForRead(int timeout) { return semaphore_.TimedTake(kSemFilled, timeout); }

int ShareCommObject::SendRequest(QVZRequest* req, int timeout) {
  request_area* area = request();
  if (!area) return -1;
  if (trace_on(5))
    PRINT('t', "ush0120", "SendRequest: %s, timeout=%d\n", req->name.c_str(), timeout);
  bool fits = req->name.size() <= kShareNameMax && req->text.size() <= kShareTextMax;
  for (const std::string& p : req->parms) fits = fits && p.size() <= kShareParmMax;
  if (!fits) {
    PRINT('e', "ush0125", "SendRequest: request for %.14s does not fit share memory\n",
          req->name.c_str());
    return -1;
  }
  req->FormRequest();
  int rc = WaitForWrite(timeout);
  if (rc == -10) {
    if (trace_on(5)) PRINT('t', "ush0007", "Function SendRequest timeout\n");
    // Neither side may write nor read: a writer died while it held the area.
    if (semaphore_.Value(kSemAvailable) == 0 && semaphore_.Value(kSemFilled) == 0) {
      PRINT('e', "ush0130", "SendRequest: share memory inconsistency occurs\n");
      if (semaphore_.Give(kSemAvailable) != 0) {
        ResetSemaphore();
        PRINT('e', "ush0038", "Break SendRequest deadlock\n");
      }
    }
    return -10;
  }
  if (rc != 0) {
    PRINT('e', "ush0003", "SendRequest cannnot acquire 'available' semaphore\n");
    return -1;
  }
  if (trace_on(5)) PRINT('t', "ush0140", "SendRequest: Get 'available' semaphore\n");
  memset(area->name, 0, sizeof area->name);
  memset(area->unique, 0, sizeof area->unique);
  memset(area->parms, 0, sizeof area->parms);
  memset(area->text, 0, sizeof area->text);
  memcpy(area->name, req->name.data(), req->name.size());
  memcpy(area->unique, req->unique.data(), std::min(req->unique.size(), kShareUniqueMax));
  for (size_t i = 0; i < req->parms.size() && i < 40; ++i)
    memcpy(area->parms[i], req->parms[i].data(), req->parms[i].size());
  memcpy(area->text, req->text.data(), req->text.size());
  area->writer_word = 0;
  area->request_time = share_now();
  if (semaphore_.Give(kSemFilled) != 0) {
    ResetSemaphore();
    PRINT('e', "ush0008", "SendRequest cannot release 'filled' semaphore\n");
    return -1;
  }
  if (trace_on(5))
    PRINT('t', "ush0150", "Finish copy a request to share memory, Unique=%s\n",
          req->unique.c_str());
  return 0;
}

int ShareCommObject::GetRequest(QVZRequest* req, int timeout) {
  request_area* area = request();
  if (!area) return -1;
  if (trace_on(5)) PRINT('t', "ush0170", "GetRequest: Entering\n");
  int rc = WaitForRead(timeout);
  if (rc == -10) {
    if (trace_on(5)) PRINT('t', "ush0009", "Function GetRequest timeout\n");
    return -10;
  }
  if (rc != 0) {
    if (trace_on(5)) PRINT('t', "ush0190", "SemOp failed\n");
    ResetSemaphore();
    PRINT('e', "ush0004", "GetRequest cannot acquire 'filled' semaphore\n");
    return -1;
  }
  *req = QVZRequest{};
  // The writer may have been anything: every text is read within its field.
  req->unique = bounded_text(area->unique, kShareUniqueMax);
  req->name = bounded_text(area->name, kShareNameMax);
  for (const char* slot : area->parms)
    if (slot[0]) req->parms.push_back(bounded_text(slot, kShareParmMax));
  if (area->text[0]) req->text = bounded_text(area->text, kShareTextMax);
  area->reader_word = 0;
  int32_t written = area->request_time, lifetime = area->lifetime;
  // Giving "available" back as a reset to available 1, filled 0 also repairs
  // whatever a dead partner left, and in one step, so no writer can slip in
  // between the release and the repair.
  if (ResetSemaphore() != 0)
    PRINT('e', "ush0010", "GetRequest cannot release 'available' semaphore\n");
  int32_t now = share_now();
  if (static_cast<int64_t>(now) - written > lifetime) {
    PRINT('i', "ush0032",
          "It's %s. Request '%s' received too late to process(now:%d, finish write:%d, "
          "timeout:%d)\n",
          time_text(now).c_str(), req->unique.c_str(), now, written, lifetime);
    return -1;
  }
  if (trace_on(5))
    PRINT('t', "ush0210", "GetRequest(%s): Leaving, unique=%s, timeout=%d\n", req->name.c_str(),
          req->unique.c_str(), timeout);
  return 0;
}
