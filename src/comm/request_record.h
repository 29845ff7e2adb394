// Wire formats of the probe protocol: the request record a probe writes into
// the collector's pipe and the stream header that precedes every answer. All
// integers are big-endian; a record in a pipe is at most 300 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct curs_list;

// Largest request record a pipe carries, header included.
constexpr size_t kMaxRequestLen = 300;
// Largest record filed for a shared-memory request: its name, its unique id
// and 40 parameters of 19 characters fit.
constexpr size_t kMaxFiledRequestLen = 1024;
// Longest cursor name in a request record.
constexpr size_t kMaxRequestName = 8;
// Size of the stream header: row count and row length.
constexpr size_t kStreamHeaderLen = 8;

// What decode_request found wrong, if anything.
enum class record_status {
  ok,
  bad_total_length,  // L above 300, below the 7-byte minimum, or not the record's size
  bad_name_length,   // N of 9 or more
  bad_format,        // N and L disagree, or a terminator is missing
  truncated,         // fewer bytes arrived than L announces (next_record only)
};

// The parts of a decoded record; the views point into the record's bytes.
struct request_view {
  std::string_view name;                // cursor name or control word, at most 8 bytes
  std::string_view reply_path;          // the probe's reply pipe
  std::vector<std::string_view> parms;  // at most 40 parameters; further ones ignored
  std::span<const uint8_t> parm_bytes;  // everything after the reply path's terminator
};

// Reads the total length L and the name length N from a record's first 4 bytes.
inline uint16_t record_total_len(const uint8_t* head) {
  return static_cast<uint16_t>(head[0] << 8 | head[1]);
}
inline uint16_t record_name_len(const uint8_t* head) {
  return static_cast<uint16_t>(head[2] << 8 | head[3]);
}

// Decodes a whole record (`record.size()` must equal its total length L, at
// most `max_len`). Never reads outside `record`.
record_status decode_request(std::span<const uint8_t> record, request_view* out,
                             size_t max_len = kMaxRequestLen);

// What lies at the front of the bytes read from the request pipe.
enum class frame_kind {
  whole,    // a well-formed record of `length` bytes
  partial,  // possibly the beginning of a record cut by the reader: wait for more
  damaged,  // bytes that are no record: drop `length` of them
};

struct record_frame {
  frame_kind kind = frame_kind::partial;
  size_t length = 0;                         // bytes of the record, or bytes to drop
  record_status status = record_status::ok;  // damaged: what was wrong at the front
};

// Finds the next request in `bytes`, read from the request pipe; `all` says
// they are everything written so far (the reader did not stop early). Probes
// write each record whole in one write, so a record that has not fully
// arrived when everything has is damage. Damage (a malformed or truncated
// record, garbage) is dropped only up to where the next record starts: past
// the damaged record when a record follows it, else up to the next offset that
// holds a whole record, else everything (all but a possible cut record when
// not `all`). Never reads outside `bytes`.
record_frame next_record(std::span<const uint8_t> bytes, bool all = true);

// Builds a record for `name` with the reply path and parameters (at most 40
// are taken). Returns an empty vector when the name exceeds 8 bytes, a
// string contains a NUL, or the record would exceed `max_len` bytes.
std::vector<uint8_t> encode_request(std::string_view name, std::string_view reply_path,
                                    std::span<const std::string> parms,
                                    size_t max_len = kMaxRequestLen);

// Files a decoded request into `entries`: an entry whose request has the same
// name, the same total length and the same parameter bytes takes the reply
// path; otherwise a new entry is appended owning `record`. Returns the entry.
// `view` must point into `record`.
curs_list* file_request(std::list<curs_list>& entries, std::vector<uint8_t> record,
                        const request_view& view);

// Stream header: row count and row length, big-endian.
void encode_stream_header(int32_t rows, int32_t row_len, uint8_t out[kStreamHeaderLen]);
void decode_stream_header(const uint8_t in[kStreamHeaderLen], int32_t* rows, int32_t* row_len);
