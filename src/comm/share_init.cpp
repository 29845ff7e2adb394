// Set-up of the shared-memory channels under the lock file: the key file with
// the ids, attaching to a running partner's objects, removing a dead one's,
// and the tear-down.
#include "comm/share_init.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "comm/comm.h"
#include "comm/pipe_io.h"
#include "comm/share_text.h"
#include "util/clock.h"
#include "util/outfile.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

share_globals share_state;

namespace {
// The six numbers of a key file.
struct key_record {
  int server_pid = -1, writer_pid = -1;
  int req_shm = -1, req_sem = -1, data_shm = -1, data_sem = -1;
};

bool read_key_file(const std::string& path, key_record* out) {
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return false;
  key_record k;
  bool ok = fscanf(f, "%d %d %d %d %d %d", &k.server_pid, &k.writer_pid, &k.req_shm, &k.req_sem,
                   &k.data_shm, &k.data_sem) == 6;
  fclose(f);
  if (ok) *out = k;
  return ok;
}

// Opens `path` for writing without following a symbolic link and only when
// it is (or becomes) a regular file; a file of this user gets `mode` exactly.
// -1 on failure.
int open_own_file(const std::string& path, unsigned mode) {
  unique_fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  struct stat st;
  if (!fd.valid() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  if (st.st_uid == geteuid() && fchmod(fd.get(), mode) != 0) return -1;
  return fd.release();
}

bool write_key_file(const std::string& path) {
  int fd = open_own_file(path, comm_ipc_modes().key);
  FILE* f = fd < 0 || ftruncate(fd, 0) != 0 ? nullptr : fdopen(fd, "w");
  if (!f) {
    if (fd >= 0) close(fd);
    PRINT('e', "ush0032", "Cannot open file: %s\n", path.c_str());
    return false;
  }
  fprintf(f, "%d %d %d %d %d %d\n", share_state.server_pid, static_cast<int>(getpid()),
          share_state.request_obj->shm_id(), share_state.request_obj->sem_id(),
          share_state.data_obj->shm_id(), share_state.data_obj->sem_id());
  return fclose(f) == 0;
}

// Removes a recorded segment and semaphore set, but only when they still
// look like a channel: after a reboot the ids may belong to someone else.
void remove_recorded(int shm, int sem, size_t size) {
  char cmd[64];
  shmid_ds ds;
  if (shm >= 0 && shmctl(shm, IPC_STAT, &ds) == 0 && ds.shm_segsz == size) {
    snprintf(cmd, sizeof cmd, "ipcrm -m %d > /dev/null 2>&1", shm);
    if (system(cmd) != 0) shmctl(shm, IPC_RMID, nullptr);
  }
  semid_ds sds;
  if (sem >= 0 && semctl(sem, 0, IPC_STAT, &sds) == 0 && sds.sem_nsems == 2) {
    snprintf(cmd, sizeof cmd, "ipcrm -s %d > /dev/null 2>&1", sem);
    if (system(cmd) != 0) semctl(sem, 0, IPC_RMID);
  }
}

void print_ids(const char* id, const char* fmt) {
  PRINT('a', id, fmt, time_text(clock_time()).c_str(), share_state.request_obj->shm_id(),
        share_state.request_obj->sem_id(), share_state.data_obj->shm_id(),
        share_state.data_obj->sem_id());
}

int CreateShare(const std::string& key_path) {
  if (share_state.request_obj && share_state.data_obj) return 0;
  key_record k;
  if (read_key_file(key_path, &k)) {
    int running = -1;
    for (int pid : {k.server_pid, k.writer_pid})
      if (pid > 0 && running < 0 && IsServerRunning(pid)) running = pid;
    if (running > 0) {
      if (AttachShareCommObject(k.req_shm, k.req_sem, k.data_shm, k.data_sem) == 0) {
        share_state.server_pid = running;
        print_ids("ush0035", "Attached IPCID(%s): %d %d %d %d\n");
        return 0;
      }
      // The partner runs but its objects are gone (or its id was reused):
      // serve with new objects rather than not at all.
    } else {
      remove_recorded(k.req_shm, k.req_sem, kRequestSegment);
      remove_recorded(k.data_shm, k.data_sem, kDataSegment);
    }
  }
  if (CreateShareCommObject() != 0) {
    PRINT('e', "ush0033", "Failed to initialize share memory and semaphore\n");
    DestroyShareCommObject();
    return -1;
  }
  share_state.server_pid = -1;
  print_ids("ush0034", "Created IPCID(%s): %d %d %d %d\n");
  return 0;
}

}  // namespace

std::string share_key_file(const char* serverid) {
  auto part = [](const char* s) { return std::string(s ? s : ""); };
  std::string base = part(serverid) + "_" + part(env_vars.db_type) + "_" + part(env_vars.hostname);
  return u_createTempFileName(nullptr, base.c_str(), 'n');
}

std::string share_lock_file(const char* serverid) { return share_key_file(serverid) + "-lk"; }

bool IsServerRunning(int pid) {
  // A process that may be signalled exists; one of another user refuses with
  // EPERM but exists all the same. As with a process listing, one that ended
  // but was not yet waited for still counts.
  const bool running = pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
  if (trace_on(5))
    PRINT('t', "ush0400", "Line:'%s', pid=%d\n", running ? std::to_string(pid).c_str() : "", pid);
  return running;
}

int CreateShareCommObject() {
  share_state.request_obj = std::make_unique<ShareCommObject>(0, read_wait_timeout('P'));
  share_state.data_obj = std::make_unique<ShareCommObject>(1, 0);
  share_state.data_obj->set_request_channel(share_state.request_obj.get());
  int rc = 0;
  if (!share_state.request_obj->IsGood()) {
    PRINT('e', "ush0034", "Failed to create Request object\n");
    rc = -1;
  }
  if (!share_state.data_obj->IsGood()) {
    PRINT('e', "ush0035", "Failed to create Data object\n");
    rc = -1;
  }
  return rc;
}

int AttachShareCommObject(int req_shm, int req_sem, int data_shm, int data_sem, bool keep) {
  auto request = std::make_unique<ShareCommObject>(0, req_shm, req_sem);
  if (keep) request->keep_objects();
  if (!request->IsGood()) {
    PRINT('e', "ush0036", "Failed to attach Request object\n");
    return -1;
  }
  auto data = std::make_unique<ShareCommObject>(1, data_shm, data_sem);
  if (keep) data->keep_objects();
  if (!data->IsGood()) {
    PRINT('e', "ush0037", "Failed to attach Data object\n");
    return -1;
  }
  data->set_request_channel(request.get());
  share_state.request_obj = std::move(request);
  share_state.data_obj = std::move(data);
  return 0;
}

void DestroyShareCommObject() {
  // The data channel borrows the request channel: it goes first.
  share_state.data_obj.reset();
  share_state.request_obj.reset();
}

int InitShare(const char* serverid) {
  std::string key_path = share_key_file(serverid);
  std::string lock_path = key_path + "-lk";
  unique_fd lock(open_own_file(lock_path, 0644));
  if (!lock.valid()) {
    PRINT('e', "ush0560", "Cannot open lock file: %s\n", lock_path.c_str());
    return -1;
  }
  if (trace_on(5)) PRINT('t', "ush0550", "locking file %s\n", lock_path.c_str());
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  while (fcntl(lock.get(), F_SETLKW, &fl) != 0 && errno == EINTR) {
  }
  int rc = CreateShare(key_path);
  if (rc == 0 && !write_key_file(key_path)) {
    DestroyShareCommObject();
    rc = -1;
  }
  if (rc == 0) {
    char pid[24];
    int n = snprintf(pid, sizeof pid, "%d\n", static_cast<int>(getpid()));
    if (ftruncate(lock.get(), 0) != 0 || write(lock.get(), pid, static_cast<size_t>(n)) != n)
      PRINT('e', "ush0560", "Cannot open lock file: %s\n", lock_path.c_str());
  }
  if (trace_on(5)) PRINT('t', "ush0570", "Unlock file %s\n", lock_path.c_str());
  fl.l_type = F_UNLCK;
  fcntl(lock.get(), F_SETLK, &fl);
  return rc;
}

// Whether process `pid` exists and has not ended: a process that ended but
// was not yet waited for counts as gone. Async-signal-safe.
bool partner_running(int pid) {
  if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM)) return false;
  char path[32] = "/proc/";
  int at = 6;
  char digits[12];
  int n = 0;
  for (int v = pid; v > 0 && n < 11; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
  while (n > 0) path[at++] = digits[--n];
  memcpy(path + at, "/stat", 6);
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  char stat[256];
  ssize_t len = read(fd, stat, sizeof stat - 1);
  close(fd);
  if (len <= 0) return true;
  stat[len] = 0;
  // The state follows the parenthesised command name: "pid (comm) S ...".
  const char* close_paren = strrchr(stat, ')');
  return !(close_paren && close_paren[1] == ' ' &&
           (close_paren[2] == 'Z' || close_paren[2] == 'X'));
}

void remove_if_abandoned(const share_ids& ids) {
  shmid_ds ds;
  for (int shm : {ids.req_shm, ids.data_shm})
    if (shm < 0 || shmctl(shm, IPC_STAT, &ds) != 0 || ds.shm_nattch != 0) return;
  for (int pid : ids.partner_pids)
    if (partner_running(pid)) return;
  for (int shm : {ids.req_shm, ids.data_shm}) shmctl(shm, IPC_RMID, nullptr);
  for (int sem : {ids.req_sem, ids.data_sem}) semctl(sem, 0, IPC_RMID);
}

int AttachShare(const char* serverid) {
  if (share_state.request_obj && share_state.data_obj) return 0;
  std::string key_path = share_key_file(serverid);
  key_record k;
  if (!read_key_file(key_path, &k)) {
    PRINT('e', "ush0032", "Cannot open file: %s\n", key_path.c_str());
    return -1;
  }
  // Kept from the start: a failed attach must not remove what others use.
  if (AttachShareCommObject(k.req_shm, k.req_sem, k.data_shm, k.data_sem, true) != 0) return -1;
  share_state.attached = {
      k.req_shm, k.req_sem, k.data_shm, k.data_sem, {k.server_pid, k.writer_pid}};
  share_state.server_pid = k.server_pid > 0 ? k.server_pid : k.writer_pid;
  return 0;
}

void DetachShare() {
  share_ids ids = share_state.attached;
  DestroyShareCommObject();
  share_state.attached = share_ids{};
  if (ids.req_shm >= 0) remove_if_abandoned(ids);
}

void reset_share_state() {
  DestroyShareCommObject();
  share_state = share_globals{};
}
