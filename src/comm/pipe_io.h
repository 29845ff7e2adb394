// FIFO primitives of the named-pipe transport: an owning descriptor, creating,
// opening, reading and writing pipes, timed waits on a descriptor and the
// names of the collector's request pipe and the probes' reply pipes.
#pragma once

#include <sys/types.h>

#include <string>

#include "util/unique_fd.h"

struct comm_anchor;

// Creates the FIFO of the anchor's side (side 'C': the collector pipe, 'P':
// the reply pipe), owner-only; whoever opens it then applies the configured
// mode with apply_fifo_mode. Returns 0, or the errno of the failure.
int MakeNamedPipe(comm_anchor* anchor, char side);

// Opens the FIFO `path`: write-only when flag 2 is set, read-only otherwise;
// non-blocking when flag 4 is set. Never creates or truncates: a path that is
// a symbolic link (ELOOP) or anything but a FIFO (EINVAL) is refused without
// being opened. Returns the descriptor, or -1 with errno set.
int ClientOpenPipe(const std::string& path, int flags);
// True when ClientOpenPipe's errno says the path was refused as no FIFO.
bool refused_not_fifo(int err);
// Gives the open FIFO `fd` exactly the mode of comm_ipc_modes(). Returns 0 or
// the errno of the failure.
int apply_fifo_mode(int fd);

// read(2)/write(2) of one call; results as the system calls give them.
ssize_t ReadPipe(int fd, void* buf, size_t len);
ssize_t WritePipe(int fd, const void* buf, size_t len);
// Closes the held descriptor.
void ClosePipe(unique_fd& fd);
// True when `path` exists.
bool Access(const std::string& path);
// Nothing to do for FIFOs; kept for the symmetry of the transport.
inline void DisconnectPipe() {}

// Waits until `fd` can be written, at most the anchor's wait_timeout (or
// `seconds` when not negative). Returns 0 ready (a descriptor not reported
// writable or a failed select also sets the anchor's pipe_error), 1 timeout,
// 4 descriptor of 1024 or more.
int wait_for_write(comm_anchor* anchor, int fd, int seconds = -1);

// Waits until `fd` can be read, at most `seconds` (the anchor's wait_timeout
// when negative). Returns 0 ready, 1 timeout, 2 failure (also when the own
// pipe file has gone), 3 select returned without the descriptor, 4
// descriptor of 1024 or more. An interrupted select is retried after 1
// second, at most 10 times; with `wake_on_signal` set it ends as a timeout
// when a caught signal waits in the signal box.
int wait_for_read(comm_anchor* anchor, int fd, int seconds = -1, bool wake_on_signal = false);

// Catches SIGPIPE while a "get" or "put" runs (saving the previous
// disposition in the anchor once); sigpipe_ignore afterwards ignores it;
// sigpipe_restore puts the saved disposition back ("term").
void sigpipe_catch(comm_anchor* anchor);
void sigpipe_ignore();
void sigpipe_restore(comm_anchor* anchor);
// After a failed write: true (and "com0150" printed, the anchor's pipe_error
// set) when a SIGPIPE arrived since sigpipe_catch or the last check.
bool sigpipe_check(comm_anchor* anchor, const char* file, int line);

// The collector's request pipe path, built once per process from
// `localtmpdir`, `serverid` and `db_type`.
const std::string& collector_pipe_name();

// A fresh reply pipe path for this process: `localtmpdir`, "prb_", server,
// type and host, the local day and time, a counter and "_pipe"; names that
// exist are skipped.
std::string probe_pipe_name();

// Forgets the cached collector pipe name and restarts the reply counter.
void reset_pipe_names();
