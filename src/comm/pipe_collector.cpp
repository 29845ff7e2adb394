// Collector end of the named-pipe transport: creating the request pipe,
// reading and filing request records, writing the answer streams and closing.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "comm/pipe_transport.h"
#include "comm/request_record.h"
#include "platform/emergency.h"
#include "util/dump.h"
#include "util/print.h"
#include "util/trace.h"

namespace {
// Most bytes held from the request pipe at once: many records, and a bound on
// whatever a writer pours in.
constexpr size_t kPendingMax = 16 * kMaxRequestLen;
// An answer to one reply pipe is written within this many wait_timeouts, or
// abandoned: a reader that takes a little now and then cannot hold the
// collector for longer.
constexpr int kAnswerDeadlineFactor = 4;

int64_t monotonic_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec);
}

// Appends what waits in the request pipe to the anchor's pending bytes.
// False on a read error.
bool fill_pending(comm_anchor* anchor) {
  uint8_t buf[kPendingMax];
  while (anchor->pending.size() < kPendingMax) {
    ssize_t n = ReadPipe(anchor->read_fd.get(), buf, kPendingMax - anchor->pending.size());
    if (n > 0) {
      anchor->pending.insert(anchor->pending.end(), buf, buf + n);
      continue;
    }
    if (n == 0 || errno == EAGAIN) return true;
    if (errno != EINTR) return false;
  }
  return true;
}

// Opens the request pipe in `mode`; on failure reports it and returns -1.
int open_request_end(comm_anchor* anchor, int mode) {
  int fd = ClientOpenPipe(anchor->coll_pipe, mode);
  if (fd < 0) {
    int err = errno;
    comm_set_error(anchor, kCommPipe, "Open Pipe error %d. Pipe=%s cursor=%s", err,
                   anchor->coll_pipe.c_str(), anchor->cur_name);
    PRINT('e', "com0115", "Open Pipe error %d-%s. Pipe=%s\n", err, strerror(err),
          anchor->coll_pipe.c_str());
  }
  return fd;
}

// Opens the request pipe for reading and the extra write descriptor on it,
// so that its read end never reports end-of-file between probes.
bool open_request_pipe(comm_anchor* anchor) {
  int fd = open_request_end(anchor, 4);
  if (fd < 0) return false;
  anchor->read_fd.reset(fd);
  anchor->pending.clear();
  if (int err = apply_fifo_mode(fd)) {
    comm_set_error(anchor, kCommPipe, "Create Pipe error %d. Pipe=%s", err,
                   anchor->coll_pipe.c_str());
    PRINT('e', "com0110", "Create Pipe error %d. Pipe=%s\n", err, anchor->coll_pipe.c_str());
    return false;
  }
  fd = open_request_end(anchor, 6);
  if (fd < 0) return false;
  anchor->extra_write_fd.reset(fd);
  return true;
}

bool create_request_pipe(comm_anchor* anchor) {
  unlink(anchor->coll_pipe.c_str());
  if (int err = MakeNamedPipe(anchor, 'C')) {
    comm_set_error(anchor, kCommPipe, "Create Pipe error %d. Pipe=%s", err,
                   anchor->coll_pipe.c_str());
    PRINT('e', "com0110", "Create Pipe error %d. Pipe=%s\n", err, anchor->coll_pipe.c_str());
    return false;
  }
  return open_request_pipe(anchor);
}

// Outcome of writing one block to a reply pipe.
enum class write_result { done, pipe_broken, call_ended, past_deadline };

// Writes `len` bytes to the open reply pipe, every wait ending by `deadline`
// (monotonic seconds).
write_result write_block(comm_anchor* anchor, const void* buf, size_t len, bool header,
                         int64_t deadline) {
  const char* p = static_cast<const char*>(buf);
  int fd = anchor->write_fd.get();
  while (len > 0) {
    int64_t left = deadline - monotonic_seconds();
    if (left <= 0) return write_result::past_deadline;
    int w =
        wait_for_write(anchor, fd, static_cast<int>(std::min<int64_t>(left, anchor->wait_timeout)));
    if (w == 1 && left <= anchor->wait_timeout) return write_result::past_deadline;
    if (w == 1) {
      if (header)
        comm_set_error(anchor, kCommTimeout,
                       "Data Collector Wait Timeout.  Is collector still there? Cursor= %s",
                       anchor->cur_name);
      else
        comm_set_error(anchor, kCommTimeout,
                       "Data Collector Wait Timeout. Is collector still there? Cursor=%s",
                       anchor->cur_name);
      return write_result::call_ended;
    }
    if (w != 0 || anchor->pipe_error) {
      if (trace_on(0)) {
        if (header)
          PRINT('t', "com0130", "%s:%d Pipe error in wait_for_write. Cursor= %s \n", __FILE__,
                __LINE__, anchor->cur_name);
        else
          PRINT('t', "com0140", "%s:%d Pipe error in wait_for_write \n", __FILE__, __LINE__);
      }
      if (header)
        comm_set_error(anchor, kCommTimeout, "Data Collector Wait error. Cursor=%s.",
                       anchor->cur_name);
      else
        comm_set_error(anchor, kCommTimeout, "Data Collector Wait error. Cursor=%s",
                       anchor->cur_name);
      return write_result::call_ended;
    }
    ssize_t n = WritePipe(fd, p, len);
    if (n > 0) {
      p += n;
      len -= static_cast<size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      continue;
    } else {
      sigpipe_check(anchor, __FILE__, __LINE__);
      anchor->pipe_error = true;
      return write_result::pipe_broken;
    }
  }
  return write_result::done;
}

// Writes one entry's stream to one reply pipe; a failure ends only this
// answer, with the anchor's error set.
void answer_pipe(comm_anchor* anchor, const curs_list& entry, const std::string& path) {
  int fd = ClientOpenPipe(path, 6);
  if (fd < 0) {
    int err = errno;
    if (refused_not_fifo(err))
      PRINT('e', "com0117", "Reply path is not a FIFO, refused. Pipe=%s cursor=%s\n", path.c_str(),
            anchor->cur_name);
    comm_set_error(anchor, kCommOpenWrite, "Open Probe pipe errno= %d. Pipe=%s. cursor=%s", err,
                   path.c_str(), anchor->cur_name);
    return;
  }
  anchor->write_fd.reset(fd);
  anchor->pipe_error = false;
  const int64_t deadline =
      monotonic_seconds() + static_cast<int64_t>(kAnswerDeadlineFactor) * anchor->wait_timeout;
  // Never send more than the entry holds, whatever its counts claim.
  int64_t bytes = static_cast<int64_t>(entry.rows) * entry.row_len;
  int32_t rows = entry.rows;
  if (entry.rows < 0 || entry.row_len < 0 || bytes > static_cast<int64_t>(entry.data.size())) {
    rows = 0;
    bytes = 0;
  }
  if (trace_on(6)) {
    PRINT('t', "com0111", "collector open pxa pipe to write(success):%d\n", fd);
    PRINT('t', "com0112", "header rows=%d, len=%d\n", rows, entry.row_len);
  }
  uint8_t header[kStreamHeaderLen];
  encode_stream_header(rows, entry.row_len, header);
  write_result r = write_block(anchor, header, sizeof header, true, deadline);
  if (r == write_result::done && rows > 0)
    r = write_block(anchor, entry.data.data(), static_cast<size_t>(bytes), false, deadline);
  ClosePipe(anchor->write_fd);
  if (r == write_result::past_deadline) {
    PRINT('e', "com0135", "Answer not taken within %d seconds, abandoned. Pipe=%s cursor=%s\n",
          kAnswerDeadlineFactor * anchor->wait_timeout, path.c_str(), anchor->cur_name);
    comm_set_error(anchor, kCommTimeout,
                   "Data Collector Wait Timeout. Is collector still there? Cursor=%s",
                   anchor->cur_name);
    return;
  }
  if (r == write_result::call_ended) return;
  if (trace_on(5)) PRINT('t', "com2010", "put_request() %8.8s pipe=%s\n", entry.name, path.c_str());
}
}  // namespace

comm_anchor* init_collector() {
  auto anchor = std::make_unique<comm_anchor>();
  anchor->side = 'C';
  anchor->pipe_transport = true;
  anchor->wait_timeout = read_wait_timeout('C');
  anchor->coll_pipe = collector_pipe_name();
  if (!create_request_pipe(anchor.get())) {
    unlink(anchor->coll_pipe.c_str());
    return nullptr;
  }
  emergency_note_path(anchor->coll_pipe.c_str());
  return anchor.release();
}

void set_anchor_parms(comm_anchor* anchor, const curs_list& entry) {
  for (const char*& slot : anchor->parms) slot = nullptr;
  request_view view;
  if (decode_request(entry.data_request, &view, kMaxFiledRequestLen) != record_status::ok) return;
  // Each parameter in the record is NUL-terminated, so the view's start is a C string.
  for (size_t i = 0; i < view.parms.size(); ++i) anchor->parms[i] = view.parms[i].data();
}

bool pipe_request_waiting(const comm_anchor* anchor) { return !anchor->pending.empty(); }

std::list<curs_list>* get_probe_reqs(comm_anchor* anchor) {
  anchor->error_code = 0;
  anchor->error_text.clear();
  anchor->entries.clear();
  for (const char*& slot : anchor->parms) slot = nullptr;

  if (!Access(anchor->coll_pipe)) {
    anchor->read_fd.reset();
    anchor->extra_write_fd.reset();
    if (!create_request_pipe(anchor)) return nullptr;
  }
  if (!fill_pending(anchor)) {
    comm_set_error(anchor, kCommPipe, "Pipe read error. Pipe=%s", anchor->coll_pipe.c_str());
    return nullptr;
  }
  std::vector<uint8_t>& pending = anchor->pending;
  // A full buffer may end in a record the reader cut; it waits for its rest.
  record_frame frame = next_record(pending, pending.size() < kPendingMax);
  if (frame.kind == frame_kind::partial) return &anchor->entries;
  const auto taken = static_cast<std::ptrdiff_t>(frame.length);
  std::vector<uint8_t> record(pending.begin(), pending.begin() + taken);
  pending.erase(pending.begin(), pending.begin() + taken);
  if (trace_on(7)) {
    PRINT('t', "com0202", "pipe buffer:\n");
    u_print_dumpx(nullptr, record.data(), static_cast<int>(record.size()));
  }
  // Damage is dropped; the records behind it stay for the next calls.
  if (frame.kind == frame_kind::damaged) {
    switch (frame.status) {
      case record_status::bad_name_length:
        comm_set_error(anchor, kCommPipe, "Pipe cursor length error. Pipe=%s",
                       anchor->coll_pipe.c_str());
        break;
      case record_status::truncated:
        comm_set_error(anchor, kCommPipe, "Pipe read error. Pipe=%s", anchor->coll_pipe.c_str());
        break;
      case record_status::bad_total_length:
        PRINT('e', "com0203", "request length error, size=%d\n",
              record.size() >= 2 ? static_cast<int>(record_total_len(record.data()))
                                 : static_cast<int>(record.size()));
        break;
      default:
        comm_set_error(anchor, kCommPipe, "Pipe request format error. Pipe=%s",
                       anchor->coll_pipe.c_str());
    }
    return nullptr;
  }
  request_view view;
  decode_request(record, &view);
  memset(anchor->cur_name, 0, sizeof anchor->cur_name);
  memcpy(anchor->cur_name, view.name.data(), view.name.size());
  anchor->probe_pipe.assign(view.reply_path);
  curs_list* entry = file_request(anchor->entries, std::move(record), view);
  set_anchor_parms(anchor, *entry);
  return &anchor->entries;
}

int put_request(comm_anchor* anchor) {
  anchor->error_code = 0;
  anchor->error_text.clear();
  if (anchor->side != 'C')
    return comm_set_error(anchor, kCommPipe, "Invalid anchor side %c for put", anchor->side);
  // Each reply pipe is answered on its own: one that fails or stalls costs
  // only its own answer.
  for (const curs_list& entry : anchor->entries) {
    memcpy(anchor->cur_name, entry.name, sizeof anchor->cur_name);
    for (const std::string& path : entry.pipe_list) answer_pipe(anchor, entry, path);
  }
  anchor->entries.clear();
  for (const char*& slot : anchor->parms) slot = nullptr;
  return anchor->error_code;
}

comm_anchor* term_comm(comm_anchor* anchor) {
  if (!anchor || (anchor->side != 'P' && anchor->side != 'C')) return nullptr;
  if (!anchor->pipe_transport) {
    delete anchor;
    return nullptr;
  }
  ClosePipe(anchor->read_fd);
  ClosePipe(anchor->write_fd);
  ClosePipe(anchor->extra_write_fd);
  const std::string& own = anchor->side == 'C' ? anchor->coll_pipe : anchor->probe_pipe;
  unlink(own.c_str());
  emergency_forget_path(own.c_str());
  sigpipe_restore(anchor);
  delete anchor;
  return nullptr;
}
