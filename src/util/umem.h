// The tracked allocator: every block carries an 80-byte header with its
// allocation site and description and sits on a doubly linked chain, so a
// release can be checked and a faulting release survived. Running out of
// memory ends the process with status 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

// Chain pointers; they begin every tracked header and every chain anchor.
struct u_chain_link {
  u_chain_link* next = nullptr;
  u_chain_link* prev = nullptr;
};

// The header in front of each tracked block.
struct u_block_header {
  u_chain_link link;     // chain pointers first
  const char* file;      // allocation site (the caller's __FILE__)
  size_t size;           // bytes asked for
  int32_t line;          // allocation site line
  char description[36];  // what the block holds, cut to 35 characters
  char stamp[8];         // "TRC was " while the block is linked
};
static_assert(sizeof(u_block_header) == 80, "the header is 80 bytes");

struct alloc_state {
  u_chain_link chain;                      // anchor of the blocks from u_malloc
  std::unordered_set<const void*> linked;  // headers currently on any chain
  int zero_mem = -1;                       // COLL_ZEROMEM is 1; -1 until read
};

extern alloc_state alloc_globals;

// Forgets the settings read once (tests start from here). Live blocks stay on
// their chains: they belong to their holders.
void reset_alloc_state();

// Bytes reserved for a request of `size`: 16 x floor((size + 19) / 16), at
// least 4 more than asked, rounded to 16.
size_t u_alloc_size(size_t size);

// Allocates a block of u_alloc_size(size) usable bytes (zero-filled when
// COLL_ZEROMEM is 1), tracked with the allocation site and `description`.
// Never returns null: when memory is exhausted it writes "utm5400" and ends
// the process with status 4. The caller releases it with u_free.
void* u_malloc(size_t size, const char* file, int line, const char* description);

// Releases `block` (null is ignored). A block not from u_malloc is released as
// a plain allocation. Unless nosignals is set a segmentation fault inside the
// release is caught and reported ("ufe2000") and the block is left alone.
void u_free(void* block, const char* file, int line, const char* description);

// Puts the block whose 80-byte header starts at `header` at the head of the
// chain `anchor` and stamps the header.
void u_link(u_chain_link* anchor, void* header);

// For `data` just after a linked, stamped header: unlinks the block and
// returns its header. Otherwise returns null (with trace level 0: "uuf0300").
void* u_dlink(void* data);

// Blocks currently allocated by u_malloc and not released.
size_t u_live_blocks();

#define U_MALLOC(size, description) u_malloc((size), __FILE__, __LINE__, (description))
#define U_FREE(block, description) u_free((block), __FILE__, __LINE__, (description))
