// Set-up and tear-down of the shared-memory transport: the pair of channels a
// process uses, the key file that tells a partner their ids, the lock file
// that serialises set-up, and the removal of objects a dead server left.
#pragma once

#include <memory>
#include <string>

#include "comm/share_comm.h"

// The objects a probe attached to, from the key file, and the processes that
// use them: the recorded server and writer.
struct share_ids {
  int req_shm = -1, req_sem = -1, data_shm = -1, data_sem = -1;
  int partner_pids[2] = {-1, -1};
};

// The process's channels and the facts of its set-up.
struct share_globals {
  std::unique_ptr<ShareCommObject> request_obj;  // request channel, null until set up
  std::unique_ptr<ShareCommObject> data_obj;     // data channel, null until set up
  int server_pid = -1;      // running partner found at set-up, -1 when the objects were made
  int request_counter = 0;  // last counter used in a unique request id
  share_ids attached;       // probe: what AttachShare attached to (ids -1 otherwise)
};

extern share_globals share_state;

// The key file path for `serverid` (from "serverid_db_type_hostname" in the
// local temporary directory) and the lock file beside it.
std::string share_key_file(const char* serverid);
std::string share_lock_file(const char* serverid);

// Sets up the channels once per process under the lock file: attaches to the
// objects of a partner named in the key file that still runs, or removes the
// recorded objects and creates new ones; then rewrites the key file. Returns
// 0, or -1 after reporting (the channels are then destroyed).
int InitShare(const char* serverid);

// The probe's set-up: reads the key file (and writes nothing) and attaches
// to the recorded objects; never creates objects. Returns 0, or -1 after
// reporting.
int AttachShare(const char* serverid);

// The probe's tear-down: detaches the channels of AttachShare and removes
// the objects only when nobody is attached any more and neither recorded
// process runs. Channels of other origin are destroyed as by "shut".
void DetachShare();

// Removes the objects `ids` when no process is attached to either segment
// and neither recorded process runs. Async-signal-safe.
void remove_if_abandoned(const share_ids& ids);

// True when process `pid` exists (also when it belongs to another user, and
// when it ended but was not yet waited for), as a process listing shows it.
bool IsServerRunning(int pid);

// Creates both channels (null members in share_state on failure).
int CreateShareCommObject();
// Attaches both channels to existing ids; with `keep` detaching never removes
// them (QVZShareMemory::keep_objects). Returns 0 or -1 after reporting.
int AttachShareCommObject(int req_shm, int req_sem, int data_shm, int data_sem, bool keep = false);
// Detaches both channels; the last user removes the objects.
void DestroyShareCommObject();

// Tears the channels down and clears share_state (tests start from here).
void reset_share_state();
