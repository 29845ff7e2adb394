// Select-item rules: buffer lengths per database type, and the clean-up of a
// fetched value before it is placed into the row.
#include "rows/select_items.h"

#include <cstdio>
#include <cstring>

#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "rows/code_page.h"
#include "rows/select_desc.h"
#include "util/dump.h"
#include "util/print.h"
#include "util/trace.h"
#include "util/value_text.h"

namespace {

const char* nls_name(int16_t flag) {
  if (flag == 1) return "non-Unicode";
  if (flag == 2) return "Unicode";
  return "non-character";
}

// The described item named `name`, or -1.
int item_named(const select_desc* lda, const char* name) {
  size_t len = strnlen(name, sizeof set_len::column);
  for (int i = 0; i < lda->F; ++i)
    if (static_cast<size_t>(lda->C[i]) == len && memcmp(lda->S[i], name, len) == 0) return i;
  return -1;
}

}  // namespace

int init_set_len(curs* cur, const select_desc* lda) {
  bool unknown = false;
  for (const set_len* s = cur->set_lens; s; s = s->next) {
    if (item_named(lda, s->column) >= 0) continue;
    PRINT('e', "pcl4570", "For cursor %s the set_len name (%s) not_found\n", cur->cur_name,
          s->column);
    unknown = true;
  }
  if (unknown) {
    PRINT('e', "pcl4575", "Holding cursor\n");
    cur->hold = 'Y';
    return 1;
  }
  cur->lengths_set = 1;
  return 0;
}

void set_the_lengths(const curs* cur, const select_desc* lda, item_work& work) {
  for (const set_len* s = cur->set_lens; s; s = s->next)
    if (int i = item_named(lda, s->column); i >= 0) work.set_len_len[i] = s->length;
}

int size_select_items(curs* cur, select_desc* lda, item_work& work) {
  work.byte_sum = 0;
  bool detail = trace_on(7);
  if (detail) PRINT('t', "oru0115", "Column count: <%d>\n", lda->F);
  for (int i = 0; i < lda->F; ++i) {
    lda->T[i] &= 0x7fff;  // the null-permitted bit
    int16_t type = lda->T[i];
    const char* type_text = "default";
    switch (type) {
      case O_CHAR:
      case O_FIXCHAR:
        type_text = "O_CHAR";
        break;
      case O_NUMBER:
        type_text = "O_NUMBER";
        break;
      case O_DATE:
        type_text = "O_DATE";
        break;
      case O_RAWD:
        type_text = "O_RAWD";
        break;
      case O_LONG:
        type_text = "O_LONG";
        break;
      case O_LONGRAW:
        type_text = "O_LONGRAW";
        break;
      case O_ROWID:
        type_text = "O_ROWID";
        break;
    }
    if (detail) {
      PRINT('t', "oru0120", "Column name: <%.*s>\n", lda->C[i], lda->S[i]);
      PRINT('t', "oru0125", "Column type (code): <%d>\n", type);
      PRINT('t', "oru0130", "Column type (name): <%s>\n", type_text);
    }
    switch (type) {
      case O_CHAR:
      case O_FIXCHAR: {
        int32_t len = 3 * lda->col_size_chars[i];
        lda->L[i] = len > MAX_COL_LEN ? MAX_COL_LEN : len;
        break;
      }
      case O_NUMBER: {
        int32_t precision = lda->precision[i] ? lda->precision[i] : 19;
        lda->L[i] = precision + 2 + (lda->scale[i] < 0 ? -lda->scale[i] : 0);
        break;
      }
      case O_DATE:
        lda->L[i] = 9;
        break;
      case O_RAWD:
        lda->L[i] = 2 * lda->col_size_bytes[i];
        lda->col_size_chars[i] = lda->L[i];
        if (cur->trace)
          PRINT('t', "oru0012", "Support RAW for <%.*s> as character\n", lda->C[i], lda->S[i]);
        break;
      case O_LONG:
        PRINT('e', "oru0011", "Don't support LONG for <%.*s>\n", lda->C[i], lda->S[i]);
        return 1;
      case O_LONGRAW:
        PRINT('e', "oru0013", "Don't support LONGRAW for <%.*s>\n", lda->C[i], lda->S[i]);
        return 1;
      case O_ROWID:
        PRINT('e', "oru0014", "Don't support ROWID for <%.*s>\n", lda->C[i], lda->S[i]);
        return 1;
      default:
        PRINT('e', "oru0015", "Unknown data type <%d> for <%.*s>\n", type, lda->C[i], lda->S[i]);
        return 1;
    }
    // A set_len length is the user's explicit choice: it wins over the type's.
    if (work.set_len_len[i] > 0) lda->L[i] = work.set_len_len[i];
    if (detail) {
      PRINT('t', "oru0135", "NLS flag (%d): <%s>\n", lda->nls_flag[i], nls_name(lda->nls_flag[i]));
      PRINT('t', "oru0140", "Column size (chars): <%d>\n", lda->col_size_chars[i]);
      PRINT('t', "oru0145", "Column size (bytes): <%d>\n", lda->col_size_bytes[i]);
      PRINT('t', "oru0150", "Allocated column size (bytes): <%d>\n", lda->L[i]);
    }
    work.byte_sum += lda->L[i];
  }
  return 0;
}

namespace {

// A character item the client delivers in a code page of its own (UTF-8),
// not in the locale's. The client fills such an item's buffer with whole
// characters however many bytes they take, so the buffer bounds its bytes.
bool client_coded(const select_desc* lda, const item_work& work, int i) {
  return lda->client.code_page != 0 && work.orig_type[i] == O_CHAR && !work.raw_flag[i] &&
         lda->nls_flag[i] != 2;
}

// The bytes of the first `chars` characters of the UTF-8 text `s` (`len` bytes).
int32_t utf8_prefix(const char* s, int32_t len, int32_t chars) {
  int32_t n = 0;
  for (int32_t i = 0; i < len; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n++ == chars) return i;
  return len;
}

// Converts a character value into UTF-8 in place.
void convert_item(select_desc* lda, const item_work& work, int i, int32_t octet_len, char* scratch,
                  int32_t scratch_size, bool traced);

}  // namespace

void finish_item(select_desc* lda, const item_work& work, int i, int32_t octet_len,
                 int32_t char_len, char* scratch, int32_t scratch_size) {
  bool traced = trace_on(8);
  int32_t L = lda->L[i];
  char* value = lda->V[i];
  if (client_coded(lda, work, i)) {
    if (octet_len > L) octet_len = L;
  } else if (octet_len > lda->col_size_bytes[i]) {
    octet_len = lda->col_size_bytes[i];
    char_len = lda->col_size_chars[i];
  }
  if (octet_len == 0) {
    if (traced)
      PRINT('t', "oin0266", "Reset the returned_octet_length from %d to col_size_bytes[i]:%d\n",
            octet_len, lda->col_size_bytes[i]);
    octet_len = lda->col_size_bytes[i];
  }
  // A set_len buffer may be longer than MAX_COL_LEN; its value is kept whole.
  const int32_t cap = L > MAX_COL_LEN ? L : MAX_COL_LEN;
  if (octet_len > cap) {
    if (traced)
      PRINT('t', "oin0267", "Reset the returned_octet_length from %d to MAX_COL_LEN\n", octet_len);
    octet_len = cap;
  }
  if (traced) {
    PRINT('t', "oru0160", "Column name: <%.*s>\n", lda->C[i], lda->S[i]);
    PRINT('t', "oru0165", "Indicator flag: <%d>\n", lda->I[i] ? *lda->I[i] : 0);
    PRINT('t', "oru0170", "Returned length (chars): <%d>\n", char_len);
    PRINT('t', "oru0175", "Returned length (bytes): <%d>\n", octet_len);
    PRINT('t', "oru0180", "Column size (bytes): <%d>\n", lda->col_size_bytes[i]);
    PRINT('t', "oru0185", "Data from Oracle, returned length: <%d>\n", octet_len);
    u_print_dumpx(nullptr, value, octet_len < L ? octet_len : L);
  }

  if (work.orig_type[i] == O_CHAR) {
    convert_item(lda, work, i, octet_len, scratch, scratch_size, traced);
  } else if (work.orig_type[i] == O_NUMBER) {
    if (traced) PRINT('t', "oru0215", "Doing right justification\n");
    size_t len = value_text(value, L).size();
    if (len < static_cast<size_t>(L)) {
      memmove(value + L - len, value, len);
      memset(value, ' ', static_cast<size_t>(L) - len);
    }
  }
  if (traced) {
    PRINT('t', "oru0220", "Final column value, length <%d>\n", L);
    u_print_dumpx(nullptr, value, L);
  }
}

namespace {

void convert_item(select_desc* lda, const item_work& work, int i, int32_t octet_len, char* scratch,
                  int32_t scratch_size, bool traced) {
  int32_t L = lda->L[i];
  char* value = lda->V[i];
  if (!scratch || scratch_size < L) {
    PRINT('e', "oru0267", "Malloc of size (%d) failed\n", L);
    return;
  }
  int n;
  // Never read past the item's own buffer, whatever size was declared.
  if (lda->nls_flag[i] == 2) {
    if (traced) PRINT('t', "oru0190", "Unicode conversion\n");
    int32_t bytes = lda->col_size_bytes[i] < L ? lda->col_size_bytes[i] : L;
    n = Convert_UnicodeToUTF8_wopt(scratch, L, value, bytes, NLX_OPT_SUBSTITUTE);
  } else {
    // The client's own code page when it has one, else the locale's.
    int32_t code_page = lda->client.code_page;
    bool own = client_coded(lda, work, i);
    int32_t bytes = lda->col_size_chars[i];
    if (own)  // whole characters, as many as the item declares, whatever their bytes
      bytes = utf8_prefix(value, octet_len < L ? octet_len : L, lda->col_size_chars[i]);
    else if (!work.raw_flag[i] && octet_len < bytes)
      bytes = octet_len;
    if (traced) {
      char name[50];
      const char* own_name = own ? code_page_iconv_name(code_page) : nullptr;
      if (own)
        snprintf(name, sizeof name, "%s", own_name ? own_name : "");
      else
        getCodepageInfo(0, name, sizeof name);
      PRINT('t', "oru0195", "Non-Unicode conversion\n");
      PRINT('t', "oru0200", "Code page CCSID: <%d>\n", own ? code_page : systm.getCodepage());
      PRINT('t', "oru0205", "Code page name: <%s>\n", name);
      if (bytes != lda->col_size_chars[i])
        PRINT('t', "oru0266", "Overriding bytes to convert: <%d>\n", bytes);
    }
    if (bytes > L) bytes = L;
    n = own ? Convert_CodepageToUTF8_wopt(code_page, scratch, L, value, bytes, NLX_OPT_SUBSTITUTE)
            : Convert_toUTF8_wopt(scratch, L, value, bytes, NLX_OPT_SUBSTITUTE);
  }
  if (n < 1) {
    PRINT('e', "oru0210", "UTF-8 conversion failed for column: <%.*s>\n", lda->C[i], lda->S[i]);
  } else {
    memset(value, 0, static_cast<size_t>(L));
    memcpy(value, scratch, static_cast<size_t>(n));
  }
}

}  // namespace
