// The answer handshake of the shared-memory transport: the collector writes an
// answer into the data channel in blocks of at most 99,000 bytes (SendData),
// the probe takes them one by one (GetData).
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <ctime>

#include "comm/share_comm.h"
#include "comm/share_text.h"
#include "util/clock.h"
#include "util/print.h"
#include "util/trace.h"

namespace {
// Polls of the reader-done flag before an answer, 3 seconds apart.
constexpr int kReaderPolls = 20;
constexpr unsigned kReaderPollSeconds = 3;
// How long a block hand-over is awaited without sleeping: a few times what
// the partner's copy of one block takes. On an idle machine a sleeping side
// wakes slowly, and without this the parts' hand-overs cost more than the
// copies (a 4 MB answer then goes at about a third of the speed).
constexpr int kHandOverSpinUs = 100;
constexpr int64_t kReserveMax = 64 << 20;  // most bytes reserved for an answer at once

int64_t monotonic_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec);
}

std::atomic_ref<int32_t> reader_done(data_area* d) {
  return std::atomic_ref<int32_t>(d->reader_done);
}
}  // namespace

void ShareCommObject::clean() {
  data_area* d = data();
  d->block_index = 0;
  d->clean_word = 0;
  reader_done(d).store(1);
  // The unread block goes, and with it the "filled" unit it held.
  ResetSemaphore();
}

bool ShareCommObject::Check(const std::string& name) {
  request_area* req = request_channel_ ? request_channel_->request() : nullptr;
  if (!req || !data()) return false;
  int32_t now = share_now();
  if (req->data_time <= 0 || static_cast<int64_t>(now) - req->data_time <= req->lifetime)
    return false;
  PRINT('i', "nsh0011", "It's %s. Data for cursor %s is cleaned\n", time_text(now).c_str(),
        name.c_str());
  clean();
  return true;
}

int ShareCommObject::SendData(const std::string& unique, int32_t rows, int32_t row_len,
                              const char* payload, int timeout) {
  data_area* d = data();
  request_area* req = request_channel_ ? request_channel_->request() : nullptr;
  if (!d || !req) return -1;
  int32_t now = share_now();
  if (static_cast<int64_t>(now) - req->request_time > req->lifetime) {
    PRINT('i', "ush0033", "Data for Request '%s' are too late to send(%d,%d,%d)\n", unique.c_str(),
          now, req->request_time, req->lifetime);
    return -1;
  }
  // An answer nobody took for a while is thrown away before the next one.
  auto stale = [&] {
    int32_t written = req->data_time;
    return written > 0 && static_cast<int64_t>(share_now()) - written > kStaleDataSeconds;
  };
  auto clean_stale = [&] {
    PRINT('i', "ush0030", "Cleaning share memory, Data for cursor %s is cleaned\n",
          unique_name(bounded_text(d->unique, kShareUniqueMax)).c_str());
    clean();
  };
  if (stale()) clean_stale();
  std::string name = unique_name(unique);
  if (trace_on(5)) PRINT('t', "ush0230", "SendData(%s): Entering\n", name.c_str());
  if (unique.empty()) {
    PRINT('e', "ush0015", "Unique name is not supplied\n");
    return -1;
  }
  int64_t total = static_cast<int64_t>(rows) * row_len;
  if (rows < 0 || row_len < 0 || total > INT32_MAX || (total > 0 && !payload)) {
    PRINT('e', "ush0235", "SendData(%s): bad row count %d or row length %d\n", name.c_str(), rows,
          row_len);
    return -1;
  }
  if (total == 0) {
    payload = "NONE";
    total = 4;
  }

  for (int poll = 0; poll < kReaderPolls && reader_done(d).load() == 0; ++poll) {
    if (stale()) {
      clean_stale();
      break;
    }
    current_clock().sleep_for(kReaderPollSeconds);
  }
  if (reader_done(d).load() == 0 && trace_on(5))
    PRINT('t', "ush0240", "Reader should already finish read now!\n");
  reader_done(d).store(0);

  // A reader that takes a block now and then gets a fresh wait each time; the
  // deadline bounds the whole transfer.
  const int64_t deadline = answer_deadline_ > 0 ? monotonic_seconds() + answer_deadline_ : 0;
  int64_t sent = 0;
  do {
    int wait = timeout;
    const int64_t left = deadline > 0 ? deadline - monotonic_seconds() : INT32_MAX;
    if (left < wait) wait = static_cast<int>(std::max<int64_t>(left, 0));
    int rc =
        wait == 0 && left <= 0 ? -10 : semaphore_.SpinTake(kSemAvailable, wait, kHandOverSpinUs);
    if (rc == -10 && left <= timeout) {
      PRINT('e', "ush0245", "SendData(%s): answer not taken within %d seconds, abandoned\n",
            name.c_str(), answer_deadline_);
      clean();
      return -10;
    }
    if (rc == -10) {
      if (trace_on(5)) PRINT('t', "ush0002", "Function SendData Timeout\n");
      // The reader is gone or stuck; what it left in the channel is dropped
      // so that the next answer starts clean.
      clean();
      return -10;
    }
    if (rc != 0) {
      PRINT('e', "ush0005", "SendData cannot acquire 'available' semaphore\n");
      clean();
      return -1;
    }
    if (sent == 0) {
      memset(d->unique, 0, sizeof d->unique);
      memcpy(d->unique, unique.data(), std::min(unique.size(), kShareUniqueMax));
      d->rows = rows;
      d->row_len = row_len;
    }
    size_t part = static_cast<size_t>(std::min<int64_t>(total - sent, kDataBlock));
    // Only a last, shorter block leaves room to clear behind it.
    memcpy(d->data, payload + sent, part);
    memset(d->data + part, 0, sizeof d->data - part);
    sent += static_cast<int64_t>(part);
    req->data_time = share_now();
    if (semaphore_.Give(kSemFilled) != 0) {
      ResetSemaphore();
      PRINT('e', "ush0012", "SendData cannot release 'filled' semaphore\n");
      return -1;
    }
  } while (sent < total);
  if (trace_on(5))
    PRINT('t', "ush0250", "SendData(%s): Leaving, unique=%s, numrow=%d, lenrow=%d\n", name.c_str(),
          unique.c_str(), rows, row_len);
  return 0;
}

int ShareCommObject::GetData(const std::string& unique, const std::string& name, QVZDataRow* out,
                             int timeout) {
  data_area* d = data();
  if (!d) return -1;
  if (trace_on(5))
    PRINT('t', "ush0260", "GetData(%s): Entering, timeout=%d\n", name.c_str(), timeout);
  *out = QVZDataRow{};
  int64_t total = 0, got = 0;
  bool first = true, reported = false;
  int foreign_waits = 0;
  do {
    // The first block waits for the answer to be made; the next ones only
    // for the writer's copy.
    int rc = first ? semaphore_.TimedTake(kSemFilled, timeout)
                   : semaphore_.SpinTake(kSemFilled, timeout, kHandOverSpinUs);
    if (rc == -10) {
      if (trace_on(5)) PRINT('t', "ush0013", "GetData timeout\n");
      return -10;
    }
    if (rc != 0) {
      PRINT('e', "ush0006", "GetData cannot acquire 'filled' semaphore\n");
      ResetSemaphore();
      return -1;
    }
    std::string owner = bounded_text(d->unique, kShareUniqueMax);
    if (owner != unique) {
      if (!reported)
        PRINT('e', "ush0037", "Get Data for %s, not for %s\n", owner.c_str(), unique.c_str());
      reported = true;
      if (Check(name)) continue;
      // Another probe's answer: leave it for its owner and look again later.
      semaphore_.Give(kSemFilled);
      if (++foreign_waits > timeout) return -10;
      current_clock().sleep_for(1);
      continue;
    }
    if (first) {
      out->rows = d->rows;
      out->row_len = d->row_len;
      total = static_cast<int64_t>(out->rows) * out->row_len;
      if (out->rows < 0 || out->row_len < 0 || total > INT32_MAX) {
        PRINT('e', "ush0275", "GetData(%s): bad row count %d or row length %d\n", name.c_str(),
              out->rows, out->row_len);
        clean();
        return -1;
      }
      // Room for the whole answer up front, within reason: a header of a
      // damaged segment must not reserve gigabytes.
      out->data.reserve(static_cast<size_t>(std::min<int64_t>(total, kReserveMax)));
      first = false;
    }
    size_t part = static_cast<size_t>(std::min<int64_t>(total - got, kDataBlock));
    out->data.insert(out->data.end(), d->data, d->data + part);
    got += static_cast<int64_t>(part);
    if (semaphore_.Give(kSemAvailable) != 0) {
      PRINT('e', "ush0014", "GetData cannot release 'available' semaphore\n");
      ResetSemaphore();
      return -1;
    }
  } while (first || got < total);
  reader_done(d).store(1);
  if (trace_on(5))
    PRINT('t', "ush0270", "GetData(%s): get unique=%s, numrow=%d, lenrow=%d\n", name.c_str(),
          unique.c_str(), out->rows, out->row_len);
  return 0;
}
