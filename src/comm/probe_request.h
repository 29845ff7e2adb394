// The probe's side of one request: open an end of the transport the settings
// choose, send a cursor name or control word with its parameters, and return
// the rows of the answer or the transport's error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct comm_anchor;

// The answer to one request.
struct probe_answer {
  int error_code = 0;      // 0, or the transport's error code (1, 3, 4, 8, 20, 21)
  std::string error_text;  // the failure's text when error_code is not 0
  int32_t rows = 0;        // row count
  int32_t row_len = 0;     // bytes per row
  std::vector<char> data;  // rows * row_len bytes, the fixed-width records back to back
};

// Opens a probe end. With shared memory the channels are set up first
// (attaching to a running collector's). Returns the anchor, or null with
// `out`'s error set. Close it with probe_close.
comm_anchor* probe_open(probe_answer* out);

// Closes the end; with shared memory the channels are detached, and removed
// when this process was their last user.
void probe_close(comm_anchor* anchor);

// For a handler of SIGINT and SIGTERM while an end is open: removes the
// reply FIFO, detaches the segments and removes them when nobody uses them
// any more and the collector is gone. Async-signal-safe; the process must
// end afterwards.
void probe_release_now();

// Sends one request for `name` (at most 8 characters, no blank or comma) with
// at most 40 parameters (further ones are not sent) through the open end and
// waits for the answer. Returns out->error_code.
int probe_ask(comm_anchor* anchor, std::string_view name, std::span<const std::string> parms,
              probe_answer* out);

// probe_open, probe_ask and probe_close in one.
probe_answer probe_request(std::string_view name, std::span<const std::string> parms);
