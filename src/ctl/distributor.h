// The process record `distributor`: one process block of PROCESS.CTL with its
// logon, operating windows, holidays, interval and scheduling state.
#pragma once

#include <cstdint>

#include "ctl/operate.h"

struct distributor {
  distributor* next = nullptr;  // next process, file order
  int16_t type = 0;             // 0 none 1 local 2 sql*net 3 dial 4 ctlib
  char distrib_name[25] = {};   // process name, at most 24 characters
  char logon_id[34] = {};       // database user, at most 33 characters
  char password[101] = {};      // database password, possibly scrambled
  char server_id[34] = {};      // database service, at most 33 characters
  operate* saturday = nullptr;  // windows, stored shifted by time_offset
  operate* sunday = nullptr;
  operate* mon_fri = nullptr;
  int32_t time_offset = 0;     // local-time offset, seconds
  int32_t holidays[100] = {};  // relative day numbers; 0 ends the list
  int32_t interval = 0;        // run interval, seconds
  char hold = 0;               // 'Y' or 'N'
  char continuous = 0;         // 'Y' or 'N' (collector only)
  int16_t classes[51] = {};    // cursor classes served
  int32_t window_start = 0;    // current operating window, relative seconds
  int32_t window_end = 0;
  int16_t state = 0;       // scheduling state bits; 1 active
  int16_t send_false = 0;  // evaluator only

  // --- scheduling (driver/) ---
  int32_t next_time = 0;    // next run, relative seconds
  char run_status[5] = {};  // "GOOD", "FAIL" or "CNCT"
  char last_run[15] = {};   // time text of the last run
};
