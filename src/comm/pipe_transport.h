// The named-pipe transport: the collector reads request records from its own
// FIFO and writes each answer into the reply FIFO the request names; a probe
// owns one reply FIFO and writes its requests into the collector's FIFO.
#pragma once

#include <list>

#include "comm/comm.h"

// Collector end ("initc"): creates the request pipe afresh and opens it.
// Returns the new anchor, or null after printing the failure.
comm_anchor* init_collector();

// Collector "get": reads at most one request record and files it into the
// anchor's entries (released first). Returns the entries (empty: no request),
// or null on a failure, with the anchor's error set unless a "com0203"
// message reported it.
std::list<curs_list>* get_probe_reqs(comm_anchor* anchor);

// True when the collector end holds read bytes that the next "get" takes (a
// request, or damage to drop) without waiting for more.
bool pipe_request_waiting(const comm_anchor* anchor);

// Collector "put": writes the stream of every entry to each of its reply
// pipes, then releases the entries. A reply path that is not a FIFO is
// refused; an answer not taken within 4 wait_timeouts is abandoned; either
// costs only that answer. Returns 0, or the error code of the last failure.
int put_request(comm_anchor* anchor);

// Probe end ("init"): creates and opens a fresh reply pipe. Returns the new
// anchor, or null after printing the failure.
comm_anchor* init_probe();

// Probe "get": for each cursor name in `names` (blank- or comma-separated, at
// most 8 characters each) sends a request with the anchor's probe_parms and
// reads the answer into a new entry of the anchor. Returns 0, or the error
// code left in the anchor at the first failure.
int get_curs_data(comm_anchor* anchor, const char* names);

// "term": closes the descriptors, removes the side's own pipe, restores
// SIGPIPE and releases the anchor; an anchor of the shared-memory transport
// is only released. Returns null.
comm_anchor* term_comm(comm_anchor* anchor);

// Points the anchor's parameter slots at the parameters of `entry`'s request
// record (slots beyond the request's parameters are cleared).
void set_anchor_parms(comm_anchor* anchor, const curs_list& entry);
