// The tracked allocator: block sizes, zero fill, chains, foreign blocks, and in
// real child processes exhaustion and the guarded release.
#include "util/umem.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "child_run.h"
#include "under_sanitizer.h"
#include "util/settings.h"
#include "util_fixture.h"

namespace {

using AllocTest = UtilTest;

TEST_F(AllocTest, SizesRoundUpWithFourSpareBytes) {
  const std::pair<size_t, size_t> rows[] = {{0, 16}, {12, 16}, {13, 32}, {29, 48}, {1000, 1008}};
  for (auto [asked, reserved] : rows) EXPECT_EQ(u_alloc_size(asked), reserved) << asked;
  // The whole reservation is usable (the sanitizer build checks the bounds),
  // and zero filled when asked.
  setenv("COLL_ZEROMEM", "1", 1);
  for (int round = 0; round < 2; ++round) {
    unsigned char* p = static_cast<unsigned char*>(U_MALLOC(13, "thirteen"));
    for (size_t i = 0; i < 32; ++i) ASSERT_EQ(p[i], 0) << i;
    memset(p, 0xff, 32);
    U_FREE(p, "thirteen");
  }
}

TEST_F(AllocTest, BlocksAreChainedWithTheirSite) {
  size_t before = u_live_blocks();
  void* a = u_malloc(10, "a.cpp", 1, "first");
  void* b = u_malloc(20, "b.cpp", 2, "a description longer than thirty-five characters");
  EXPECT_STREQ(reinterpret_cast<u_block_header*>(static_cast<char*>(b) - 80)->description,
               "a description longer than thirty-fi");
  EXPECT_EQ(u_live_blocks(), before + 2);
  u_free(a, "t.cpp", 9, "older");
  u_free(b, "t.cpp", 9, "head");
  u_free(nullptr, "t.cpp", 9, "nothing");
  EXPECT_EQ(u_live_blocks(), before);
  // A block unlinked once is no longer stamped: a second release is caught.
  u_chain_link anchor;
  alignas(16) unsigned char block[96] = {};
  u_link(&anchor, block);
  EXPECT_EQ(u_dlink(block + 80), block);
  EXPECT_EQ(u_dlink(block + 80), nullptr);
}

TEST_F(AllocTest, ForeignBlocksAreReportedAtLevel0) {
  std::string data = "not from u_malloc, and longer than thirty characters";
  u_free(strdup("plain"), "t.cpp", 1, "plain");  // a plain allocation is released as one
  tracing.my_trace_all[0] = 1;
  StdCapture capture;
  EXPECT_EQ(u_dlink(data.data()), nullptr);
  std::string out = capture.out();
  EXPECT_EQ(out.substr(0, 28), "UUF0300T (083005) Free mem (");
  EXPECT_EQ(out.substr(out.find(')', 28)),
            ") was not allocated by u_malloc not from u.malloc, and longer \n");
}

// Children that end through the allocator: what they do, whether the sanitizer
// build can run them, the status or signal they end with, and their output.
TEST_F(AllocTest, FailuresInChildProcesses) {
  const struct {
    void (*body)();
    bool under_sanitizer;
    int status;  // exit status, or minus the signal
    const char* err;
  } rows[] = {
      // an impossible size ends the process with status 4
      {[] { u_malloc(SIZE_MAX - 8, "x.cpp", 77, "huge"); }, true, 4,
       "UTM5400E Memory allocation error at:x.cpp.77 - huge for 2147483647 bytes \n"},
      // so does exhausted memory (the sanitizer reserves more than the limit)
      {[] {
         struct rlimit limit = {1L << 30, 1L << 30};
         setrlimit(RLIMIT_AS, &limit);
         u_malloc(1536u << 20, "y.cpp", 12, "rows");
       },
       false, 4, "UTM5400E Memory allocation error at:y.cpp.12 - rows for 1610612736 bytes \n"},
      // a release that faults is survived: a linked header whose predecessor is
      // unreadable, then a pointer that never was a block (no allocation site)
      {[] {
         long page = sysconf(_SC_PAGESIZE);
         char* pages = static_cast<char*>(
             mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
         mprotect(pages, page, PROT_NONE);
         auto* h = reinterpret_cast<u_block_header*>(pages + page);
         h->file = "site.cpp";
         h->line = 5;
         u_link(&alloc_globals.chain, h);
         u_free(pages + page + 80, "y.cpp", 9, "guarded");
         u_free(reinterpret_cast<void*>(0x10), "y.cpp", 10, "wild");
       },
       false, kChildReturned,
       "UFE2000E Error (11) freeing memory y.cpp(9)\nUFE2004E  Allocated in site.cpp(5)\n"
       "UFE2010E Continuing without free\nUFE2000E Error (11) freeing memory y.cpp(10)\n"
       "UFE2010E Continuing without free\n"},
      // with nosignals the fault stays fatal
      {[] {
         env_vars.nosignals = 1;
         u_free(reinterpret_cast<void*>(0x10), "y.cpp", 10, "wild");
       },
       false, -SIGSEGV, ""},
  };
  for (const auto& row : rows) {
#ifdef UNDER_SANITIZER
    if (!row.under_sanitizer) continue;
#endif
    ChildResult child = run_in_child(row.body);
    EXPECT_EQ(child.signal ? -child.signal : child.exit_code, row.status);
    EXPECT_EQ(child.output, row.err);
  }
}

}  // namespace
