// The row chain of a cursor: allocation of stored rows and the chain edits that
// keep first row, tail, current row and row count in step.
#include "rows/row_chain.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"

#if defined(__SANITIZE_ADDRESS__)
#define ROWS_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ROWS_UNDER_ASAN 1
#endif
#endif
#ifdef ROWS_UNDER_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr uint32_t kAlign = 8;              // rows start on 8-byte boundaries
constexpr uint32_t kFirstBlock = 4u << 10;  // the first block of a cursor
constexpr uint32_t kMinBlock = 256;         // the least first block of a later sample
constexpr uint32_t kMaxBlock = 1u << 20;    // blocks grow no larger
constexpr uint32_t kLargeRow = 64u << 10;   // rows above this get a block of their own

// The head of a block of rows; the rows follow it end to end.
//
// Rows are appended to their cursor's chain as they are made, and chains move
// between cursors whole, so the rows of a block none of which was freed yet
// ("intact") follow one another in one chain, from the first placed to `last`:
// such a block leaves a chain at once, without a visit to each row. A row
// appended after a chain other than its block's predecessor's (the chain was
// handed over meanwhile) marks the block scattered: it is never intact.
struct row_block {
  uint32_t live;    // rows placed and not yet freed
  uint32_t placed;  // rows placed since the block was made or restarted
  uint32_t used;    // bytes taken from the start, this head included
  uint32_t size;    // bytes of the block
  int32_t sample;   // the cursor's sample number its rows were made for
  bool filling;     // a cursor places its next rows here: kept when empty
  bool scattered;   // its rows are not all in one run of one chain
  text_row* last;   // the row placed last
};
constexpr uint32_t kHead = (sizeof(row_block) + kAlign - 1) / kAlign * kAlign;

// Where a cursor places its next rows, and how large its next block is made.
struct fill_state {
  row_block* block = nullptr;
  uint32_t next_size = kFirstBlock;
  uint32_t sample_bytes = 0;  // bytes the rows of the current sample took
};

row_store_usage usage;

// Never destroyed: the blocks it keeps stay reachable until the process ends.
std::unordered_map<const curs*, fill_state>& fills() {
  static auto* all = new std::unordered_map<const curs*, fill_state>;
  return *all;
}
// The last cursor asked for, as rows of one run come one after another.
const curs* last_cursor = nullptr;
fill_state* last_fill = nullptr;

fill_state& fill_of(const curs* cur) {
  if (cur != last_cursor) {
    last_fill = &fills()[cur];
    last_cursor = cur;
  }
  return *last_fill;
}

uint32_t row_bytes(int32_t len) {
  return (static_cast<uint32_t>(sizeof(text_row)) + static_cast<uint32_t>(len) + 1 + kAlign - 1) /
         kAlign * kAlign;
}

// A block that holds `bytes` of rows, within the bounds.
uint32_t first_block_size(uint32_t bytes) {
  uint32_t size = kMinBlock;
  while (size < kMaxBlock && size < bytes + kHead) size *= 2;
  return size;
}

#ifdef ROWS_UNDER_ASAN
// Under the address sanitizer a freed row and a block's unused room are
// poisoned, so that a read of a freed row is caught as it would be on the heap.
std::unordered_map<const text_row*, uint32_t>& row_sizes() {
  static auto* sizes = new std::unordered_map<const text_row*, uint32_t>;
  return *sizes;
}
void hide(const void* at, size_t n) { ASAN_POISON_MEMORY_REGION(at, n); }
void show(const void* at, size_t n) { ASAN_UNPOISON_MEMORY_REGION(at, n); }
#else
void hide(const void*, size_t) {}
void show(const void*, size_t) {}
#endif

char* start_of(row_block* b) { return reinterpret_cast<char*>(b); }

row_block* new_block(uint32_t size, int32_t sample, bool filling) {
  auto* b = static_cast<row_block*>(std::malloc(size));
  if (!b) return nullptr;
  *b = row_block{0, 0, kHead, size, sample, filling, false, nullptr};
  hide(start_of(b) + kHead, size - kHead);
  ++usage.blocks;
  ++usage.made;
  usage.bytes += size;
  return b;
}

void drop_block(row_block* b) {
  --usage.blocks;
  usage.bytes -= b->size;
  show(b, b->size);
  std::free(b);
}

// An empty block taken up again from its start.
void restart(row_block* b, int32_t sample) {
  b->placed = 0;
  b->scattered = false;
  b->used = kHead;
  b->sample = sample;
}

// The block no longer takes rows: it goes when its last row does.
void close_block(row_block* b) {
  b->filling = false;
  if (b->live == 0) drop_block(b);
}

text_row* place_row(row_block* b, uint32_t bytes) {
  char* at = start_of(b) + b->used;
  show(at, bytes);
  auto* row = reinterpret_cast<text_row*>(at);
  *row = text_row{nullptr, 0, 0, 0, 0, b->used};
  b->used += bytes;
  ++b->live;
  ++b->placed;
  b->last = row;
#ifdef ROWS_UNDER_ASAN
  row_sizes()[row] = bytes;
#endif
  return row;
}

row_block* block_of(const text_row* row) {
  return reinterpret_cast<row_block*>(const_cast<char*>(reinterpret_cast<const char*>(row)) -
                                      row->place);
}

void forget_row([[maybe_unused]] text_row* row) {
#ifdef ROWS_UNDER_ASAN
  auto it = row_sizes().find(row);
  if (it == row_sizes().end()) return;
  hide(row, it->second);
  row_sizes().erase(it);
#endif
}

// The block `row` is the first row of, when none of its rows was freed yet.
row_block* intact_block_from(const text_row* row) {
  if (row->place != kHead) return nullptr;
  row_block* b = block_of(row);
  return b->live == b->placed && !b->scattered ? b : nullptr;
}

// Frees all the rows of an intact block at once; the block goes too unless a
// cursor is placing rows in it. Returns the row after the block's last row.
text_row* drop_intact_block(row_block* b) {
  text_row* after = b->last->next;
#ifdef ROWS_UNDER_ASAN
  for (uint32_t at = kHead; at < b->used;) {
    auto* r = reinterpret_cast<text_row*>(start_of(b) + at);
    auto it = row_sizes().find(r);
    if (it == row_sizes().end()) break;
    at += it->second;
    forget_row(r);
  }
#endif
  b->live = 0;
  if (!b->filling) drop_block(b);
  return after;
}

bool block_holds(const row_block* b, const text_row* row) {
  const auto at = reinterpret_cast<uintptr_t>(row);
  const auto start = reinterpret_cast<uintptr_t>(b);
  return at >= start && at < start + b->used;
}

// The other cursor holding exactly `cur`'s rows, or null: after the first
// age-to hand-over a source and its copy share one chain until the next
// hand-over. Edits of a shared chain apply to both holders and free a row once.
curs* chain_partner(const curs* cur) {
  if (!cur->first_row) return nullptr;
  if (cur->aged_copy && cur->aged_copy->first_row == cur->first_row) return cur->aged_copy;
  if (!cur->copy_marker) return nullptr;
  curs* found = nullptr;
  for (curs* c = anchors.cur_anchor; c && !found; c = c->next)
    for_each_version(c, [cur, &found](curs* v) {
      if (v->aged_copy == cur && v->first_row == cur->first_row) found = v;
    });
  return found;
}

void take_chain(curs* to, const curs* from) {
  to->first_row = from->first_row;
  to->last_row = from->last_row;
  to->current_row = from->current_row;
  to->row_count = from->row_count;
  to->rows_changed = 1;
}

}  // namespace

text_row* alloc_text_row(int32_t len) {
  const uint32_t bytes = row_bytes(len);
  row_block* b = new_block(kHead + bytes, 0, false);
  if (!b) return nullptr;
  text_row* row = place_row(b, bytes);
  memset(row->text(), 0, static_cast<size_t>(len) + 1);
  return row;
}

text_row* alloc_sample_row(curs* cur, int32_t len) {
  const uint32_t bytes = row_bytes(len);
  if (bytes > kLargeRow) {
    row_block* b = new_block(kHead + bytes, cur->sample_no, false);
    if (!b) return nullptr;
    text_row* row = place_row(b, bytes);
    row->text()[len] = '\0';
    return row;
  }
  fill_state& f = fill_of(cur);
  row_block* b = f.block;
  if (b && b->sample != cur->sample_no) {
    // A new sample: its first block is sized by what the last one took.
    f.next_size = first_block_size(f.sample_bytes);
    f.sample_bytes = 0;
    if (b->live == 0 && b->size >= f.next_size) {
      restart(b, cur->sample_no);
    } else {
      close_block(b);
      b = f.block = nullptr;
    }
  }
  if (b && b->size - b->used < bytes) {
    if (b->live == 0 && b->size - kHead >= bytes) {
      restart(b, cur->sample_no);
    } else {
      close_block(b);
      b = f.block = nullptr;
    }
  }
  if (!b) {
    const uint32_t size = std::max(f.next_size, kHead + bytes);
    b = new_block(size, cur->sample_no, true);
    if (!b) return nullptr;
    f.block = b;
    f.next_size = std::min(size * 2, kMaxBlock);
  }
  f.sample_bytes += bytes;
  text_row* row = place_row(b, bytes);
  row->text()[len] = '\0';
  return row;
}

void free_text_row(text_row* row) {
  if (!row) return;
  row_block* b = block_of(row);
  forget_row(row);
  if (--b->live == 0 && !b->filling) drop_block(b);
}

row_store_usage row_store_in_use() { return usage; }

void append_row(curs* cur, text_row* row) {
  if (row->place != kHead) {
    row_block* b = block_of(row);
    if (!cur->last_row || block_of(cur->last_row) != b) b->scattered = true;
  }
  row->next = nullptr;
  if (cur->last_row)
    cur->last_row->next = row;
  else
    cur->first_row = row;
  cur->last_row = row;
  cur->current_row = row;
  ++cur->row_count;
}

void remove_row(curs* cur, text_row* prev, text_row* row) {
  curs* partner = chain_partner(cur);
  if (prev)
    prev->next = row->next;
  else
    cur->first_row = row->next;
  if (cur->last_row == row) cur->last_row = prev;
  if (cur->current_row == row) cur->current_row = cur->last_row;
  --cur->row_count;
  cur->rows_changed = 1;
  free_text_row(row);
  if (partner) take_chain(partner, cur);
}

void remove_rows_if(curs* cur, bool (*expired)(text_row* row, void* context), void* context,
                    bool by_sample) {
  curs* partner = chain_partner(cur);
  text_row* prev = nullptr;
  int32_t removed = 0;
  bool current_gone = false;
  for (text_row* row = cur->first_row; row;) {
    if (row_block* whole = by_sample ? intact_block_from(row) : nullptr) {
      // All its rows are of one sample: they go or stay together.
      if (!expired(row, context)) {
        prev = whole->last;
        row = prev->next;
        continue;
      }
      current_gone |= block_holds(whole, cur->current_row);
      removed += static_cast<int32_t>(whole->live);
      text_row* after = drop_intact_block(whole);
      if (prev)
        prev->next = after;
      else
        cur->first_row = after;
      row = after;
      continue;
    }
    text_row* next = row->next;
    if (expired(row, context)) {
      if (prev)
        prev->next = next;
      else
        cur->first_row = next;
      current_gone |= cur->current_row == row;
      free_text_row(row);
      ++removed;
    } else {
      prev = row;
    }
    row = next;
  }
  if (removed == 0) return;
  cur->last_row = prev;
  if (current_gone) cur->current_row = prev;
  cur->row_count -= removed;
  cur->rows_changed = 1;
  if (partner) take_chain(partner, cur);
}

void drop_first_row(curs* cur) {
  if (cur->first_row) remove_row(cur, nullptr, cur->first_row);
}

void free_all_rows(curs* cur) {
  text_row* row = cur->first_row;
  if (row) cur->rows_changed = 1;
  // A shared chain stays with the other holder.
  if (chain_partner(cur)) row = nullptr;
  while (row) {
    if (row_block* whole = intact_block_from(row)) {
      row = drop_intact_block(whole);
    } else {
      text_row* next = row->next;
      free_text_row(row);
      row = next;
    }
  }
  cur->first_row = cur->last_row = cur->current_row = nullptr;
  cur->row_count = 0;
}

void release_all_rows() {
  // Versions not in their cursor's place keep the rows they had when last active.
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next)
    for_each_version(cur, [](curs* v) {
      free_all_rows(v);
      free_text_row(v->function_row);
      v->function_row = v->min_max_row = nullptr;
      v->function_len = 0;
    });
  if (anchors.percent_cursor) free_all_rows(anchors.percent_cursor);
  for (auto& [cur, fill] : fills())
    if (fill.block) close_block(fill.block);
  fills().clear();
  last_cursor = nullptr;
  last_fill = nullptr;
}
