// The per-item rules of a cursor's select list: the fetch buffer length of
// each database type (refusing the types the collector cannot send), and the
// clean-up of each fetched value (returned lengths, conversion into UTF-8,
// right-justified numbers).
#pragma once

#include <cstdint>

struct curs;
struct select_desc;

// Per-run working arrays beside the descriptor.
struct item_work {
  int16_t orig_type[60] = {};    // type code with CHAR and RAW folded to 1
  int16_t raw_flag[60] = {};     // the item is RAW (fetched as hexadecimal text)
  int16_t set_len_len[60] = {};  // length from the cursor's set_len list, 0 when none
  int32_t byte_sum = 0;          // sum of the items' buffer lengths
};

// Matches every name of `cur`'s set_len list against the described items
// (same length, same bytes). Returns 0 and sets the cursor's lengths_set flag
// when all match; otherwise reports each unknown name, holds the cursor and
// returns 1 (the run ends).
int init_set_len(curs* cur, const select_desc* lda);

// Puts the set_len length of every named item into `work.set_len_len`, for
// size_select_items to use. Names no longer described are passed over.
void set_the_lengths(const curs* cur, const select_desc* lda, item_work& work);

// Works out every item's buffer length `L` from its type, declared size,
// precision and scale, and adds them up in `work.byte_sum`. A set_len length
// replaces the type's length. Returns 0; 1 when an item's type cannot be
// fetched (reported; the run ends, the session stays).
int size_select_items(curs* cur, select_desc* lda, item_work& work);

// Cleans up item `i` of a fetched row in place: fixes its returned lengths,
// converts a character value into UTF-8 (using `scratch`, `scratch_size`
// bytes; null when it could not be allocated) and right-justifies a number.
void finish_item(select_desc* lda, const item_work& work, int i, int32_t octet_len,
                 int32_t char_len, char* scratch, int32_t scratch_size);
