// The tracked allocator, the block chains and the guarded release.
#include "util/umem.h"

#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "util/dump.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

alloc_state alloc_globals;

void reset_alloc_state() { alloc_globals.zero_mem = -1; }

namespace {
constexpr char kStamp[8] = {'T', 'R', 'C', ' ', 'w', 'a', 's', ' '};
constexpr size_t kHeader = sizeof(u_block_header);

[[noreturn]] void exhausted(const char* file, int line, const char* description, size_t size) {
  u_msg(nullptr, nullptr, 0, "e", "utm5400",
        "Memory allocation error at:%s.%d - %s for %d bytes \n", file ? file : "?", line,
        description ? description : "", static_cast<int>(size > 0x7fffffff ? 0x7fffffff : size));
  exit(4);
}

bool zero_fill() {
  if (alloc_globals.zero_mem < 0) {
    const char* text = getenv("COLL_ZEROMEM");
    alloc_globals.zero_mem = text && strtol(text, nullptr, 10) == 1;
  }
  return alloc_globals.zero_mem == 1;
}

// The release runs with this jump target armed; the fault handler returns
// through it. Single-threaded, and only armed inside u_free.
sigjmp_buf release_fault;

void on_release_fault(int sig) { siglongjmp(release_fault, sig); }
}  // namespace

size_t u_alloc_size(size_t size) { return 16 * ((size + 19) / 16); }

void u_link(u_chain_link* anchor, void* header) {
  u_block_header* h = static_cast<u_block_header*>(header);
  h->link.prev = anchor;
  h->link.next = anchor->next;
  if (anchor->next) anchor->next->prev = &h->link;
  anchor->next = &h->link;
  memcpy(h->stamp, kStamp, sizeof kStamp);
  alloc_globals.linked.insert(h);
}

void* u_dlink(void* data) {
  // The set is asked first, so the bytes before a foreign block are never read.
  // Integer arithmetic: a foreign pointer may lie too low for a header.
  uintptr_t at = reinterpret_cast<uintptr_t>(data) - kHeader;
  u_block_header* h = reinterpret_cast<u_block_header*>(at);
  if (alloc_globals.linked.count(h) && memcmp(h->stamp, kStamp, sizeof kStamp) == 0) {
    alloc_globals.linked.erase(h);
    h->link.prev->next = h->link.next;
    if (h->link.next) h->link.next->prev = h->link.prev;
    h->link.next = h->link.prev = nullptr;
    memset(h->stamp, 0, sizeof h->stamp);
    return h;
  }
  if (trace_on(0)) {
    char text[31];
    const char* bytes = static_cast<const char*>(data);
    int n = static_cast<int>(strnlen(bytes, 30));
    u_msg(nullptr, nullptr, 0, "t", "uuf0300",
          "Free mem (%x) was not allocated by u_malloc %.30s\n",
          static_cast<unsigned>(reinterpret_cast<uintptr_t>(data)), u_printable(text, bytes, n));
  }
  return nullptr;
}

void* u_malloc(size_t size, const char* file, int line, const char* description) {
  if (size > SIZE_MAX / 2) exhausted(file, line, description, size);
  size_t usable = u_alloc_size(size);
  void* raw = malloc(kHeader + usable);
  if (!raw) exhausted(file, line, description, size);
  if (zero_fill()) memset(raw, 0, kHeader + usable);
  u_block_header* h = static_cast<u_block_header*>(raw);
  h->file = file;
  h->line = line;
  h->size = size;
  snprintf(h->description, sizeof h->description, "%s", description ? description : "");
  try {
    u_link(&alloc_globals.chain, h);
  } catch (const std::bad_alloc&) {
    free(raw);
    exhausted(file, line, description, size);
  }
  return static_cast<char*>(raw) + kHeader;
}

void u_free(void* block, const char* file, int line, const char* description) {
  (void)description;
  if (!block) return;
  u_block_header* const h = static_cast<u_block_header*>(u_dlink(block));
  void* const release = h ? static_cast<void*>(h) : block;
  if (env_vars.nosignals != 0) {
    free(release);
    return;
  }
  struct sigaction guard = {}, previous = {};
  guard.sa_handler = on_release_fault;
  sigemptyset(&guard.sa_mask);
  guard.sa_flags = SA_NODEFER;
  sigaction(SIGSEGV, &guard, &previous);
  int sig = sigsetjmp(release_fault, 1);
  if (sig == 0) {
    free(release);
  } else {
    u_msg(nullptr, nullptr, 0, "e", "ufe2000", "Error (%d) freeing memory %s(%d)\n", sig,
          file ? file : "?", line);
    if (h) u_msg(nullptr, nullptr, 0, "e", "ufe2004", " Allocated in %s(%d)\n", h->file, h->line);
    u_msg(nullptr, nullptr, 0, "e", "ufe2010", "Continuing without free\n");
  }
  sigaction(SIGSEGV, &previous, nullptr);
}

size_t u_live_blocks() {
  size_t n = 0;
  for (const u_chain_link* l = alloc_globals.chain.next; l; l = l->next) ++n;
  return n;
}
