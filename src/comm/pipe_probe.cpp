// Probe end of the named-pipe transport: its reply pipe, sending request
// records into the collector's pipe and reading the answer streams.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include "comm/pipe_transport.h"
#include "comm/request_record.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/trace.h"

namespace {
// Largest answer a probe accepts: row count times row length as a signed
// 32-bit quantity, as the stream header can express it.
constexpr int64_t kMaxAnswer = INT32_MAX;
// Room asked for in the reply pipe: a larger pipe lets the collector write an
// answer in fewer, larger steps. The system may grant less (its limit for
// users without the privilege), which only costs speed.
constexpr int kReplyPipeSize = 1 << 20;

void drain(int fd) {
  char junk[4096];
  for (int i = 0; i < 4096 && ReadPipe(fd, junk, sizeof junk) > 0; ++i) {
  }
}

// Reads exactly `len` bytes from the reply pipe into `out`, waiting before
// each read. False with the anchor's error set on a timeout or failure.
bool read_exact(comm_anchor* anchor, char* out, size_t len, bool header) {
  int fd = anchor->read_fd.get();
  while (len > 0) {
    int w = wait_for_read(anchor, fd);
    if (w == 1) {
      if (header)
        comm_set_error(anchor, kCommTimeout, "Data Collector Wait Timeout. Wait Time=%d Cursor=%s",
                       anchor->wait_timeout, anchor->cur_name);
      else
        comm_set_error(anchor, kCommTimeout,
                       "Data Collector Wait Timeout. Is collector still there?");
      return false;
    }
    if (w != 0) {
      if (header)
        PRINT('e', "com0120", "%s:%d Pipe error in wait_for_read:ret=%d Cursor=%s\n", __FILE__,
              __LINE__, w, anchor->cur_name);
      else
        PRINT('e', "com0125", "%s:%d get_curs_data() Pipe error in wait_for_read: ret=%d  \n",
              __FILE__, __LINE__, w);
      comm_set_error(anchor, kCommTimeout, "Data Collector Wait error.");
      return false;
    }
    ssize_t n = ReadPipe(fd, out, len);
    if (n > 0) {
      out += n;
      len -= static_cast<size_t>(n);
    } else if (n == 0 || errno != EAGAIN) {
      comm_set_error(anchor, kCommPipe, "Pipe read error. Pipe=%s", anchor->probe_pipe.c_str());
      return false;
    }
  }
  return true;
}

// Opens the collector's pipe for writing: up to 10 attempts, 1 second apart,
// since a collector that is restarting has no reader on it for a moment.
int open_collector_pipe(comm_anchor* anchor) {
  int fd = -1;
  for (int attempt = 1; attempt <= 10; ++attempt) {
    fd = ClientOpenPipe(anchor->coll_pipe, 6);
    if (fd >= 0 || attempt == 10) break;
    current_clock().sleep_for(1);
  }
  if (fd < 0)
    comm_set_error(anchor, kCommOpenWrite, "Open Pipe errorno %d. Pipe=%s Cursor=%s", errno,
                   anchor->coll_pipe.c_str(), anchor->cur_name);
  return fd;
}

bool send_record(comm_anchor* anchor, const std::vector<uint8_t>& record) {
  int fd = open_collector_pipe(anchor);
  if (fd < 0) return false;
  anchor->write_fd.reset(fd);
  anchor->pipe_error = false;
  int w = wait_for_write(anchor, fd);
  bool ok = false;
  if (w == 1) {
    comm_set_error(anchor, kCommTimeout,
                   "Data Collector Wait Timeout. Is collector still there? Cursor=%s",
                   anchor->cur_name);
  } else if (w != 0 || anchor->pipe_error) {
    if (trace_on(0))
      PRINT('t', "com0145", "%s:%d pipe error in wait_for_write. Cursor=%s\n", __FILE__, __LINE__,
            anchor->cur_name);
    comm_set_error(anchor, kCommTimeout, "Data Collector Wait error. Cursor=%s", anchor->cur_name);
  } else {
    // A record is far below PIPE_BUF, so one write delivers it whole or not at all.
    ssize_t n = WritePipe(fd, record.data(), record.size());
    if (n == static_cast<ssize_t>(record.size())) {
      ok = true;
    } else {
      int err = n < 0 ? errno : EIO;
      sigpipe_check(anchor, __FILE__, __LINE__);
      comm_set_error(anchor, kCommOpenWrite, "Write Pipe error %d. Pipe=%s Cursor=%s", err,
                     anchor->coll_pipe.c_str(), anchor->cur_name);
    }
  }
  ClosePipe(anchor->write_fd);
  return ok;
}

bool ask_one(comm_anchor* anchor, const std::string& name) {
  memset(anchor->cur_name, 0, sizeof anchor->cur_name);
  memcpy(anchor->cur_name, name.data(), name.size());
  std::vector<uint8_t> record = encode_request(name, anchor->probe_pipe, anchor->probe_parms);
  if (record.empty()) {
    comm_set_error(anchor, kCommPipe, "Request length error. Cursor=%s", anchor->cur_name);
    return false;
  }
  // An answer that arrived after an earlier request gave up must not be
  // taken for this one.
  drain(anchor->read_fd.get());
  if (!send_record(anchor, record)) return false;

  uint8_t header[kStreamHeaderLen];
  if (!read_exact(anchor, reinterpret_cast<char*>(header), sizeof header, true)) return false;
  curs_list& entry = anchor->entries.emplace_back();
  memcpy(entry.name, anchor->cur_name, sizeof entry.name);
  decode_stream_header(header, &entry.rows, &entry.row_len);
  int64_t bytes = static_cast<int64_t>(entry.rows) * entry.row_len;
  if (entry.rows < 0 || entry.row_len < 0 || bytes > kMaxAnswer) {
    comm_set_error(anchor, kCommPipe, "Pipe stream header error. rows=%d len=%d Cursor=%s",
                   entry.rows, entry.row_len, anchor->cur_name);
    drain(anchor->read_fd.get());
    return false;
  }
  if (entry.rows == 0) return true;
  // Grow with what arrives rather than trusting the header with one big block;
  // room for an answer of usual size is reserved at once (address space only,
  // no copies while it grows).
  constexpr size_t kChunk = 1 << 20;
  constexpr size_t kReserveMax = 64 << 20;
  size_t want = static_cast<size_t>(bytes);
  entry.data.reserve(std::min(want, kReserveMax));
  while (entry.data.size() < want) {
    size_t at = entry.data.size();
    size_t step = std::min(kChunk, want - at);
    entry.data.resize(at + step);
    if (!read_exact(anchor, entry.data.data() + at, step, false)) return false;
  }
  return true;
}
}  // namespace

comm_anchor* init_probe() {
  auto anchor = std::make_unique<comm_anchor>();
  anchor->side = 'P';
  anchor->pipe_transport = true;
  anchor->wait_timeout = read_wait_timeout('P');
  anchor->coll_pipe = collector_pipe_name();
  anchor->probe_pipe = probe_pipe_name();
  if (int err = MakeNamedPipe(anchor.get(), 'P')) {
    PRINT('e', "com0110", "Create Pipe error %d. Pipe=%s\n", err, anchor->probe_pipe.c_str());
    return nullptr;
  }
  int fd = ClientOpenPipe(anchor->probe_pipe, 4);
  int wfd = fd < 0 ? -1 : ClientOpenPipe(anchor->probe_pipe, 6);
  if (fd < 0 || wfd < 0) {
    int err = errno;
    PRINT('e', "com0115", "Open Pipe error %d-%s. Pipe=%s\n", err, strerror(err),
          anchor->probe_pipe.c_str());
    if (fd >= 0) close(fd);
    unlink(anchor->probe_pipe.c_str());
    return nullptr;
  }
  anchor->read_fd.reset(fd);
  anchor->extra_write_fd.reset(wfd);
  fcntl(fd, F_SETPIPE_SZ, kReplyPipeSize);
  if (int err = apply_fifo_mode(fd)) {
    PRINT('e', "com0110", "Create Pipe error %d. Pipe=%s\n", err, anchor->probe_pipe.c_str());
    unlink(anchor->probe_pipe.c_str());
    return nullptr;
  }
  if (trace_on(5))
    PRINT('t', "com2005", "init_probe() Created pipe=%s\n", anchor->probe_pipe.c_str());
  return anchor.release();
}

int get_curs_data(comm_anchor* anchor, const char* names) {
  anchor->error_code = 0;
  anchor->error_text.clear();
  anchor->entries.clear();
  if (anchor->side != 'P')
    return comm_set_error(anchor, kCommPipe, "Invalid anchor side %c for get", anchor->side);
  std::string list = names ? names : "";
  size_t at = 0;
  while (at < list.size()) {
    size_t start = list.find_first_not_of(" ,", at);
    if (start == std::string::npos) break;
    size_t end = list.find_first_of(" ,", start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    at = end;
    if (name.size() > kMaxRequestName)
      return comm_set_error(anchor, kCommPipe, "Pipe cursor length error. Pipe=%s",
                            anchor->probe_pipe.c_str());
    if (!ask_one(anchor, name)) return anchor->error_code;
  }
  return 0;
}
