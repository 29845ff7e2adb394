// The transport entry point between collector and probe: `qvzcomm` takes a
// function word ("init", "initc", "get", "put", "term", "shut", "initsm") and
// routes it to the named-pipe transport or, by default, to the shared-memory
// transport. Both ends of both transports share the anchor and entry records.
#pragma once

#include <csignal>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "comm/pipe_io.h"

// Error codes left in comm_anchor::error_code.
constexpr int kCommTimeout = 1;        // a wait timed out or failed
constexpr int kCommOpenWrite = 3;      // opening or writing a pipe failed
constexpr int kCommPipe = 4;           // pipe create/open/read failed, bad request, wrong side
constexpr int kCommNoMemory = 8;       // anchor missing or memory exhausted
constexpr int kCommBadFunction = 12;   // invalid function code
constexpr int kCommShareTimeout = 20;  // shared memory: a wait timed out
constexpr int kCommShareError = 21;    // shared memory: any other failure

// The most parameter strings one request carries; further ones are ignored.
constexpr int kMaxParms = 40;

// One distinct request being served (collector), or one answer received (probe).
// The collector's request service fills rows, row_len and data before "put";
// data must then hold rows * row_len bytes.
struct curs_list {
  std::vector<uint8_t> data_request;   // the request record as received (collector end)
  std::vector<std::string> pipe_list;  // reply pipes (shared memory: requesters' unique ids)
  char name[9] = {};                   // requested cursor name, NUL-terminated
  int32_t rows = 0;                    // row count of the answer
  int32_t row_len = 0;                 // bytes per row of the answer
  std::vector<char> data;              // the rows, back to back
};

// One open transport end. Made by "init" (probe) or "initc" (collector) and
// released by "term"; the transport owns it in between.
struct comm_anchor {
  char side = 0;                 // 'P' probe end, 'C' collector end
  bool pipe_transport = false;   // made by the named-pipe transport (owns a FIFO)
  char cur_name[9] = {};         // cursor of the current request, for messages
  unique_fd read_fd;             // the own pipe, read end
  unique_fd write_fd;            // the peer's pipe while it is being written
  unique_fd extra_write_fd;      // the own pipe opened for writing: its read end never sees EOF
  std::string probe_pipe;        // reply pipe of the current request ("AGT" or unique id with shm)
  std::string coll_pipe;         // the collector's request pipe ("COL" with shm)
  std::list<curs_list> entries;  // collector: requests being served; probe: answers received
  int error_code = 0;            // 0, or the code of the last failure
  std::string error_text;        // the message of the last failure
  const char* parms[kMaxParms] = {};  // collector: the current request's parameters (into entries)
  std::vector<std::string> probe_parms;  // probe: the parameters sent with every request
  int wait_timeout = 0;                  // seconds every timed wait allows
  bool pipe_error = false;               // a write or wait on the current pipe failed
  bool sigpipe_saved = false;            // saved_sigpipe holds the disposition to restore
  struct sigaction saved_sigpipe = {};   // SIGPIPE disposition before the first "get" or "put"
  time_t last_success = 0;               // probe with shared memory: time of the last good send
  std::vector<uint8_t>
      pending;  // collector, pipes: bytes read from the request pipe, not yet taken
};

// Result of one qvzcomm call; which member carries it depends on the word.
struct comm_reply {
  comm_anchor* anchor = nullptr;         // "init", "initc": the new anchor, or null
  std::list<curs_list>* list = nullptr;  // collector "get": the entries; null on failure
  int status = 0;                        // probe "get", "put": 0 or the error code; "shut"
};

// The single entry point. `word` is a function word; `anchor` the open end for
// "get", "put" and "term"; `names` the probe's blank- or comma-separated cursor
// names for its "get". An unknown word is reported ("com0100") and yields an
// empty reply. "term" releases the anchor: callers store reply.anchor (null)
// in its place.
comm_reply qvzcomm(const char* word, comm_anchor* anchor = nullptr, const char* names = nullptr);

// Transport to the probe: "shut" (tear down everything) and "term" (close the
// collector's end). 0 on success.
int transport_shut();
int transport_term();

// The shared-memory counterpart with the same words and results.
comm_reply qvzcomm2(const char* word, comm_anchor* anchor = nullptr, const char* names = nullptr);

// True when the pipe transport is chosen: `useshm` is set and does not begin
// with "1".
bool use_pipes();

// Reads the end's timeout in seconds once per process: "COLL_WAIT_TIMEOUT"
// (default 5) for the collector, "WAIT_TIMEOUT" (default 45) for the probe;
// 0, negative or unset gives the default, values above 600 become 600.
int read_wait_timeout(char side);

// Access modes of the transport's objects. COLL_IPC_MODE (or -ipcmode), an
// octal mode of at most 0777, is applied exactly to the FIFOs, the segments
// and the semaphore sets; unset, FIFOs get 0777 and the System V objects 0666,
// which lets any local user ask and read every answer. A value that is not
// such a mode is reported once ("com0105") and the defaults apply.
struct ipc_modes {
  unsigned fifo = 0777;  // FIFOs: the collector's request pipe, the probes' reply pipes
  unsigned ipc = 0666;   // segments and semaphore sets
  unsigned key = 0644;   // the key file: readable by whoever may use the objects
};
ipc_modes comm_ipc_modes();

// Records a failure in the anchor (code and formatted text). Returns `code`.
int comm_set_error(comm_anchor* anchor, int code, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

// Waits until a request can be read from the collector's end or `seconds`
// pass, whichever is first. Returns 0 when a request waits, 1 on timeout or
// when a caught signal waits to be acted on, -1 when the end cannot be
// waited on. The scheduler may sleep on it instead of a fixed sleep.
int comm_wait_request(comm_anchor* anchor, int seconds);

// Process-wide transport state.
struct comm_globals {
  comm_anchor* ipc_ptr = nullptr;  // the collector's open end, null until its first service
  int qvzcomm_locked = 0;          // function code of the call in progress, 0 when none
  int collector_timeout = 0;       // COLL_WAIT_TIMEOUT once read, 0 before
  int probe_timeout = 0;           // WAIT_TIMEOUT once read, 0 before
  bool ipc_mode_reported = false;  // an unusable COLL_IPC_MODE has been reported
  int request_wait_cap = -1;       // collector: most seconds a "get" waits for a request
                                   // (the next collection is due then); negative: no cap
};

extern comm_globals comm_state;

// Closes the collector's end, destroys the shared-memory channels and clears
// all transport state (tests start from here).
void reset_comm_state();
