// The probe's record of a stored row: layout with aligned binary fields, and
// the per-column conversions (text placement, timestamps, integers, floats).
#include "rows/row_record.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ctl/curs.h"
#include "util/datetime.h"
#include "util/print.h"
#include "util/trace.h"
#include "util/value_text.h"

namespace {

enum : int16_t { TEXT = 0, INT = 1, FLOAT = 2, TS = 3, NO_SEND = 4, INT64 = 5 };
constexpr int16_t NUMBER = 2;       // orig_type of number columns
constexpr int MAX_NUM_TEXT = 2048;  // longest value text converted to a number
constexpr int TS_LEN = 16;          // an agent timestamp

int32_t align_to(int32_t size, int32_t unit) { return (size + unit - 1) / unit * unit; }

// The record bytes a column takes.
int32_t record_len(const columns* col) {
  switch (col->num_type) {
    case INT:
      return 4;
    case INT64:
    case FLOAT:
      return 8;
    case NO_SEND:
      return 0;
    case TS:
      return col->set_length ? col->set_length : TS_LEN;
    default:
      return col->set_length ? col->set_length : col->fmt_len;
  }
}

const char* conversion_text(int16_t num_type) {
  switch (num_type) {
    case INT64:
      return "Converted to integer 64";
    case INT:
      return "Converted to integer";
    case FLOAT:
      return "Converted to float";
    case NO_SEND:
      return "Will not be sent";
    case TS:
      return "Converted TIMESTAMP";
    default:
      return "UnConverted text";
  }
}

void put_text(const columns* col, char* out, const char* value) {
  size_t len = static_cast<size_t>(col->fmt_len);
  size_t set = static_cast<size_t>(col->set_length);
  bool right = col->orig_type == NUMBER && len > 0 && value[0] == ' ';
  if (set == 0) {
    memcpy(out, value, len);
  } else if (set >= len) {
    // The value and its blank padding, each byte written once.
    const size_t pad = set - len;
    memcpy(right ? out + pad : out, value, len);
    memset(right ? out : out + len, ' ', pad);
  } else {
    memcpy(out, right ? value + len - set : value, set);
  }
}

void put_timestamp(const columns* col, char* out, const char* value, bool traced) {
  char work[TS_LEN + 1];
  memset(work, '0', sizeof work);
  std::string_view text = value_text(value, col->fmt_len);
  // An empty text is passed as a terminated one: a length below 1 means that.
  us_normalizeDateTime(text.empty() ? "" : text.data(), static_cast<int>(text.size()), work);
  if (traced)
    PRINT('t', "dmk3735", "TS! Timestamp = %.*s , converted to = %.*s\n",
          static_cast<int>(text.size()), text.data(), TS_LEN, work);
  int32_t len = record_len(col);
  memcpy(out, work, static_cast<size_t>(len < TS_LEN ? len : TS_LEN));
}

// Copies the value without its leading blanks into `num` as a C string.
void number_text(const columns* col, const char* value, char* num) {
  if (col->fmt_len < 0) {
    strcpy(num, "-1");
    return;
  }
  int len = static_cast<int>(value_text(value, col->fmt_len).size());
  while (len > 1 && *value == ' ') {
    ++value;
    --len;
  }
  if (len > MAX_NUM_TEXT) len = MAX_NUM_TEXT;
  memcpy(num, value, static_cast<size_t>(len));
  num[len] = '\0';
}

// Reads the commonest number text, [blanks][sign]digits, in place and
// without copying, to what strtoll would make of it: anything after the
// digits is ignored. False for every other text (other white space, no
// digits, 19 digits or more), which takes the general path.
bool plain_integer(const columns* col, const char* value, int64_t* out) {
  const char* p = value;
  const char* const end = value + (col->fmt_len > 0 ? col->fmt_len : 0);
  // Number texts are right-aligned: the blanks go eight at a time.
  constexpr uint64_t kBlanks = 0x2020202020202020;
  for (uint64_t word; end - p >= 8 && (memcpy(&word, p, 8), word == kBlanks);) p += 8;
  while (p < end && *p == ' ') ++p;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  const char* const digits = p;
  uint64_t magnitude = 0;
  while (p < end && p - digits < 19 && *p >= '0' && *p <= '9')
    magnitude = magnitude * 10 + static_cast<uint64_t>(*p++ - '0');
  if (p == digits || p - digits > 18) return false;
  const int64_t v = static_cast<int64_t>(magnitude);
  *out = negative ? -v : v;
  return true;
}

void put_int(char* out, const char* num, bool traced) {
  // Converted through 64 bits so that a 32-bit range is enforced on any host.
  errno = 0;
  long long wide = strtoll(num, nullptr, 10);
  int err = errno;
  int32_t value = static_cast<int32_t>(wide);
  if (err == 0 && (wide > INT32_MAX || wide < INT32_MIN)) err = ERANGE;
  if (err == ERANGE) value = wide < 0 ? INT32_MIN : INT32_MAX;
  if (err != 0 && traced)
    PRINT('t', "dmk3800", "CONVERT_TO_INT strtol(%s) returned (%d) errno = %d (%s)\n", num, value,
          err, strerror(err));
  if (err == ERANGE) value = INT32_MAX;
  memcpy(out, &value, sizeof value);
}

void put_int64(char* out, const char* num, bool traced) {
  int64_t value = 0;
  if (traced) PRINT('t', "dmk3740", "Begin to CONVERT_TO_INT64 \n");
  int err = qvzstrtoll(num, &value);
  if (traced) {
    PRINT('t', "dmk3750", "CONVERT_TO_INT64 Complete\n");
    if (err == 0) {
      PRINT('t', "dmk3780", "CONVERT_TO_INT64 errno==0 \n");
      PRINT('t', "dmk3790", "CONVERT_TO_INT64 strtoll(%s) returned (%lld) \n", num,
            static_cast<long long>(value));
    } else {
      PRINT('t', "dmk3780", "CONVERT_TO_INT64 errno!=0 \n");
      PRINT('t', "dmk3770",
            "CONVERT_TO_INT64 qvzstrtoll(%s,&llIntegerLong) llIntegerLong is (%lld) errno = %d \n",
            num, static_cast<long long>(value), err);
    }
  }
  if (err == ERANGE) value = INT64_MAX;
  memcpy(out, &value, sizeof value);
}

void put_float(char* out, const char* num) {
  double value = 0.0;
  // from_chars reads a plain decimal number quickly; strtod takes the rest (a
  // '+' sign, hexadecimal, INF and NAN forms, out-of-range values).
  if (std::from_chars(num, num + strlen(num), value).ec != std::errc())
    value = strtod(num, nullptr);
  memcpy(out, &value, sizeof value);
}

void show_format(const curs* cur, const char* text) {
  PRINT('t', "dmk3725", "Formatted row data for %s\n", cur->cur_name);
  for (const columns* col = cur->column_list; col; col = col->next) {
    const char* value = col->fmt_len >= MAX_NUM_TEXT ? "?????????" : text + col->offset;
    PRINT('t', "dmk3730", "#%d = %s(%d,%d) %s : %s\n", col->col_ordinal, col->name,
          col->record_offset, record_len(col), conversion_text(col->num_type), value);
  }
}

}  // namespace

int64_t record_width(const curs* cur) {
  int64_t size = 0;
  for (const columns* col = cur->column_list; col; col = col->next) {
    switch (col->num_type) {
      case INT:
      case INT64:
        size = (size + 3) / 4 * 4 + (col->num_type == INT ? 4 : 8);
        break;
      case FLOAT:
        size = (size + 7) / 8 * 8 + 8;
        break;
      case NO_SEND:
        break;
      default:
        size += record_len(col);
        break;
    }
  }
  return size;
}

int32_t get_row_size(curs* cur) {
  // Offsets are 16-bit: a wider record would place columns before its start.
  if (int64_t width = record_width(cur); width > MAX_ROW_RECORD) {
    PRINT('e', "dmk3805", "Record length %lld of cursor %s exceeds %d bytes\n",
          static_cast<long long>(width), cur->cur_name, static_cast<int>(MAX_ROW_RECORD));
    cur->row_size = 0;
    return -1;
  }
  int32_t size = 0;
  for (columns* col = cur->column_list; col; col = col->next) {
    switch (col->num_type) {
      case INT:
      case INT64:
        size = align_to(size, 4);
        col->set_length = 0;
        break;
      case FLOAT:
        size = align_to(size, 8);
        col->set_length = 0;
        break;
      case NO_SEND:
        col->set_length = 0;
        col->record_offset = 0;
        continue;
      default:
        break;
    }
    col->record_offset = static_cast<int16_t>(size);
    size += record_len(col);
  }
  cur->row_size = size;
  return size;
}

int make_row(curs* cur, char* out, const char* text) {
  bool fmt = cur->fmt_trace != 0;
  if (fmt) {
    show_format(cur, text);
    cur->fmt_trace = 0;
  }
  bool traced = (cur->trace && fmt) || trace_on(8);
  char num[MAX_NUM_TEXT + 1];
  for (const columns* col = cur->column_list; col; col = col->next) {
    const char* value = text + col->offset;
    char* place = out + col->record_offset;
    switch (col->num_type) {
      case NO_SEND:
        break;
      case TS:
        put_timestamp(col, place, value, traced);
        break;
      case INT:
        // In range, the general path has nothing to report either.
        if (int64_t v; plain_integer(col, value, &v) && v >= INT32_MIN && v <= INT32_MAX) {
          const int32_t narrow = static_cast<int32_t>(v);
          memcpy(place, &narrow, sizeof narrow);
          break;
        }
        number_text(col, value, num);
        put_int(place, num, traced);
        break;
      case INT64:
        if (int64_t v; !traced && plain_integer(col, value, &v)) {
          memcpy(place, &v, sizeof v);
          break;
        }
        number_text(col, value, num);
        put_int64(place, num, traced);
        break;
      case FLOAT:
        number_text(col, value, num);
        put_float(place, num);
        break;
      default:
        put_text(col, place, value);
        break;
    }
  }
  return 0;
}

int qvzsign(int64_t value) { return (value > 0) - (value < 0); }

int qvzstrtoll(const char* text, int64_t* out) {
  if (!text || !out) return -1;
  *out = 0;
  errno = 0;
  *out = strtoll(text, nullptr, 10);
  return errno;
}
