// The fixed-width records of the control words: the cursor status record
// ("C-STATUS", 456 bytes), the process status record ("D-STATUS", 788 bytes)
// and the column layout record ("C-LAYOUT", 80 bytes). The collector encodes
// them from its records; the probe decodes them through the field tables.
//
// Byte order: every integer is a 32-bit two's-complement value, big-endian
// (most significant byte first), whatever the host. Texts are fixed-width,
// NUL-padded, cut to width - 1 bytes so that each field ends with a NUL.
// Relative seconds are counted from 1 March 1992 00:00 local time (0: never);
// each time field that a person reads is also given as a 14-digit time text
// YYYYMMDDHHMMSS (empty for 0). A window is a pair of seconds after midnight
// (start, end; end above 86,400 when it runs past midnight); unused window
// pairs are (-1, -1).
//
// Cursor status record (456 bytes):
//   0  16 cur_name            16 64 table_name        80  32 insert_table
//   112 16 last_time (text)   128 16 state: "HELD", "VIRTUAL", "DEMAND" or "INTERVAL"
//   144 20 last_sqlcode_text (16 characters, right-aligned)  164 12 age_to
//   176 flags: 1 held, 2 demand, 4 virtual, 8 no_sql, 16 once, 32 empty,
//       64 column functions, 128 fetch exit, 256 traced, 512 version of
//       another cursor, 1024 history, 2048 held by its definition
//   180 class   184 interval   188 stale   192 stale_at   196 window_open
//   200 window_close   204 next_time   208 previous_start   212 run_start
//   216 run_end   220 execution_time   224 current_interval   228 row_count
//   232 sample_no   236 samples   240 limit   244 time_limit   248 row_size
//   252 column count   256 last_sqlcode   260 length (stored text length)
//   264 16 window_open text   280 16 window_close text   296 16 next_time text
//   312 16 stale_at text      328 16 run_start text      344 16 run_end text
//   360 96 operating windows: Monday-Friday, Saturday, Sunday, 4 pairs each
//
// Process status record (788 bytes):
//   0  32 distrib_name   32 36 logon_id   68 36 server_id   104 8 run_status
//   112 16 last_run (text)   128 16 next_time text   144 16 window_start text
//   160 16 window_end text   176 type   180 interval   184 time_offset
//   188 state   192 next_time   196 window_start   200 window_end
//   204 send_false   208 1 hold ('Y' or 'N')   209 1 continuous ('Y' or 'N')
//   210 2 zero   212 52 classes: byte k is 1 when class k (0-50) is served
//   264 96 operating windows as in the cursor record
//   360 holiday count   364 400 holidays: 100 relative day numbers, unused 0
//   764 24 zero
//
// Column layout record (80 bytes, one per column of the cursor, in order):
//   0 52 column name   52 record offset   56 record length (0: not sent)
//   60 value type: 0 text, 1 INT!, 2 FLOAT!, 3 TS!, 4 NS!, 5 INT64!
//   64 database type   68 ordinal (from 1)   72 text length in the stored row
//   76 the cursor's record size
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr size_t kCursorStatusLen = 456;
constexpr size_t kProcessStatusLen = 788;
constexpr size_t kColumnLayoutLen = 80;

// Operating windows per day class in a status record.
constexpr int kStatusWindows = 4;
// Holidays in a process status record.
constexpr int kStatusHolidays = 100;
// Cursor classes 0 to 50.
constexpr int kStatusClasses = 51;

// Cursor status flag bits.
enum : uint32_t {
  kCurHeld = 1,
  kCurDemand = 2,
  kCurVirtual = 4,
  kCurNoSql = 8,
  kCurOnce = 16,
  kCurEmpty = 32,
  kCurColumnFunctions = 64,
  kCurFetchExit = 128,
  kCurTraced = 256,
  kCurVersion = 512,
  kCurHistory = 1024,
  kCurHeldByDefinition = 2048,
};

// One operating window, seconds after midnight; (-1, -1) when unused.
struct status_window {
  int32_t start = -1;
  int32_t end = -1;
};

// Windows of the three day classes: Monday-Friday, Saturday, Sunday.
using status_windows = status_window[3][kStatusWindows];

// The values of a cursor status record. Times are relative seconds; the time
// texts are derived from them when the record is encoded.
struct cursor_status {
  std::string cur_name, table_name, insert_table, last_time, state, last_sqlcode_text, age_to;
  uint32_t flags = 0;
  int32_t class_ = 0, interval = 0, stale = 0, stale_at = 0, window_open = 0, window_close = 0,
          next_time = 0, previous_start = 0, run_start = 0, run_end = 0, execution_time = 0,
          current_interval = 0, row_count = 0, sample_no = 0, samples = 0, limit = 0,
          time_limit = 0, row_size = 0, column_count = 0, last_sqlcode = 0, length = 0;
  status_windows windows;
};

// The values of a process status record.
struct process_status {
  std::string distrib_name, logon_id, server_id, run_status, last_run;
  int32_t type = 0, interval = 0, time_offset = 0, state = 0, next_time = 0, window_start = 0,
          window_end = 0, send_false = 0;
  char hold = 'N', continuous = 'N';
  bool classes[kStatusClasses] = {};
  status_windows windows;
  std::vector<int32_t> holidays;  // relative day numbers, at most 100 are kept
};

// The values of a column layout record.
struct column_layout {
  std::string name;
  int32_t record_offset = 0, record_length = 0, value_type = 0, db_type = 0, ordinal = 0,
          text_length = 0, row_size = 0;
};

// Encoders: write exactly one record into `out` (its size given above).
void encode_cursor_status(const cursor_status& s, uint8_t out[kCursorStatusLen]);
void encode_process_status(const process_status& s, uint8_t out[kProcessStatusLen]);
void encode_column_layout(const column_layout& c, uint8_t out[kColumnLayoutLen]);

// Reads a column layout record back. Never reads past kColumnLayoutLen bytes.
column_layout decode_column_layout(const uint8_t* record);

// How a status field is stored and shown.
enum class status_kind {
  text,      // NUL-padded text
  int32,     // big-endian integer
  flag,      // one character
  windows,   // 3 x 4 window pairs, shown "mon_fri=HHMM-HHMM,... sat=... sun=..."
  classes,   // 52 flag bytes, shown as the served class numbers
  holidays,  // count, then 100 day numbers, shown as YYYYMMDD dates
};

// One field of a record: its name as the probe shows it, place and kind.
struct status_field {
  const char* name;
  uint16_t offset;
  uint16_t width;
  status_kind kind;
};

// The fields of each record, in record order.
std::span<const status_field> cursor_status_fields();
std::span<const status_field> process_status_fields();
std::span<const status_field> column_layout_fields();

// Renders field `f` of `record` (at least f.offset + f.width bytes) as text:
// texts up to their first NUL, integers in decimal, flags as their character
// (empty for NUL), windows, classes and holidays as described above.
std::string render_status_field(const status_field& f, const uint8_t* record);

// Big-endian access, shared with the decoders of other records.
void put_be32(uint8_t* at, int32_t v);
int32_t get_be32(const uint8_t* at);
