// The tracked allocator: block sizes, zero fill, chains, foreign blocks,
// exhaustion and the guarded release, the last two in real child processes.
#include "util/umem.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "driver/settings.h"
#include "util/util_test_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif

namespace {

class AllocTest : public UtilTest {
 protected:
  struct Child {
    int status;       // raw wait status
    std::string err;  // what the child wrote to standard error
  };
  // Runs `body` in a child process with standard error captured.
  template <typename F>
  Child in_child(F body) {
    StdCapture capture;
    pid_t pid = fork();
    if (pid == 0) {
      body();
      fflush(stdout);
      fflush(stderr);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {status, capture.err()};
  }
};

TEST_F(AllocTest, SizesRoundUpWithFourSpareBytes) {
  struct Row {
    size_t asked, reserved;
  } rows[] = {{0, 16}, {1, 16}, {12, 16}, {13, 32}, {28, 32}, {29, 48}, {1000, 1008}};
  for (const Row& row : rows) EXPECT_EQ(u_alloc_size(row.asked), row.reserved) << row.asked;
  // The whole reservation is usable (the sanitizer build checks the bounds).
  char* a = static_cast<char*>(U_MALLOC(13, "thirteen"));
  memset(a, 0x5a, 32);
  char* b = static_cast<char*>(U_MALLOC(12, "twelve"));
  memset(b, 0x5a, 16);
  U_FREE(a, "thirteen");
  U_FREE(b, "twelve");
}

TEST_F(AllocTest, ZeroFillWhenAsked) {
  setenv("COLL_ZEROMEM", "1", 1);
  for (int round = 0; round < 2; ++round) {
    unsigned char* p = static_cast<unsigned char*>(U_MALLOC(200, "zeroed"));
    for (size_t i = 0; i < u_alloc_size(200); ++i) ASSERT_EQ(p[i], 0) << i;
    memset(p, 0xff, 200);
    U_FREE(p, "zeroed");
  }
}

TEST_F(AllocTest, BlocksAreChainedWithTheirSite) {
  size_t before = u_live_blocks();
  void* a = u_malloc(10, "a.cpp", 1, "first");
  void* b = u_malloc(20, "b.cpp", 2, "a description longer than thirty-five characters");
  void* c = u_malloc(30, "c.cpp", 3, nullptr);
  EXPECT_EQ(u_live_blocks(), before + 3);
  auto* head = reinterpret_cast<u_block_header*>(alloc_globals.chain.next);
  EXPECT_EQ(static_cast<void*>(reinterpret_cast<char*>(head) + 80), c);  // newest first
  auto* hb = reinterpret_cast<u_block_header*>(static_cast<char*>(b) - 80);
  EXPECT_STREQ(hb->file, "b.cpp");
  EXPECT_EQ(hb->line, 2);
  EXPECT_EQ(hb->size, 20u);
  EXPECT_STREQ(hb->description, "a description longer than thirty-fi");
  EXPECT_EQ(std::string(hb->stamp, 8), "TRC was ");
  u_free(b, "t.cpp", 9, "middle");
  EXPECT_EQ(u_live_blocks(), before + 2);
  u_free(c, "t.cpp", 9, "head");
  u_free(a, "t.cpp", 9, "last");
  u_free(nullptr, "t.cpp", 9, "nothing");
  EXPECT_EQ(u_live_blocks(), before);
}

TEST_F(AllocTest, OwnChainsLinkAndUnlink) {
  u_chain_link anchor;
  alignas(16) unsigned char blocks[2][96] = {};
  u_link(&anchor, blocks[0]);
  u_link(&anchor, blocks[1]);
  EXPECT_EQ(anchor.next, reinterpret_cast<u_chain_link*>(blocks[1]));
  EXPECT_EQ(u_dlink(blocks[1] + 80), blocks[1]);
  EXPECT_EQ(anchor.next, reinterpret_cast<u_chain_link*>(blocks[0]));
  EXPECT_EQ(reinterpret_cast<u_chain_link*>(blocks[0])->prev, &anchor);
  // once unlinked the stamp is gone
  EXPECT_EQ(u_dlink(blocks[1] + 80), nullptr);
  EXPECT_EQ(u_dlink(blocks[0] + 80), blocks[0]);
  EXPECT_EQ(anchor.next, nullptr);
}

TEST_F(AllocTest, ForeignBlocksAreReportedAtLevel0) {
  std::string data = "not from u_malloc, and longer than thirty characters";
  EXPECT_EQ(u_dlink(data.data()), nullptr);
  tracing.my_trace_all[0] = 1;
  StdCapture capture;
  EXPECT_EQ(u_dlink(data.data()), nullptr);
  std::string out = capture.out();
  EXPECT_EQ(out.rfind("UUF0300T (083005) Free mem (", 0), 0u) << out;
  std::string tail = ") was not allocated by u_malloc not from u.malloc, and longer \n";
  ASSERT_GT(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  // and a plain allocation handed to u_free is released as one
  u_free(strdup("plain"), "t.cpp", 1, "plain");
}

TEST_F(AllocTest, ImpossibleSizeEndsTheProcessWithStatus4) {
  Child child = in_child([] { u_malloc(SIZE_MAX - 8, "x.cpp", 77, "huge"); });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 4);
  EXPECT_EQ(child.err,
            "UTM5400E Memory allocation error at:x.cpp.77 - huge for 2147483647 bytes \n");
}

TEST_F(AllocTest, ExhaustedMemoryEndsTheProcessWithStatus4) {
#ifdef UNDER_SANITIZER
  GTEST_SKIP() << "the sanitizer's allocator reserves more address space than the limit";
#endif
  Child child = in_child([] {
    struct rlimit limit = {1L << 30, 1L << 30};
    setrlimit(RLIMIT_AS, &limit);
    u_malloc(1536u << 20, "y.cpp", 12, "rows");
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 4);
  EXPECT_EQ(child.err,
            "UTM5400E Memory allocation error at:y.cpp.12 - rows for 1610612736 bytes \n");
}

TEST_F(AllocTest, FaultingReleaseIsSurvived) {
#ifdef UNDER_SANITIZER
  GTEST_SKIP() << "the sanitizer reports a bad release before any fault";
#endif
  Child child = in_child([] {
    // A linked header at the start of a page whose predecessor is unreadable:
    // the release reads just below it and faults.
    long page = sysconf(_SC_PAGESIZE);
    char* pages = static_cast<char*>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(pages, page, PROT_NONE);
    auto* h = reinterpret_cast<u_block_header*>(pages + page);
    h->file = "site.cpp";
    h->line = 5;
    u_link(&alloc_globals.chain, h);
    u_free(pages + page + 80, "y.cpp", 9, "guarded");
    // a pointer that never was a block: no allocation site
    u_free(reinterpret_cast<void*>(0x10), "y.cpp", 10, "wild");
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 0);
  EXPECT_EQ(child.err,
            "UFE2000E Error (11) freeing memory y.cpp(9)\n"
            "UFE2004E  Allocated in site.cpp(5)\n"
            "UFE2010E Continuing without free\n"
            "UFE2000E Error (11) freeing memory y.cpp(10)\n"
            "UFE2010E Continuing without free\n");
}

TEST_F(AllocTest, NosignalsLeavesTheFaultFatal) {
#ifdef UNDER_SANITIZER
  GTEST_SKIP() << "the sanitizer reports a bad release before any fault";
#endif
  Child child = in_child([] {
    env_vars.nosignals = 1;
    u_free(reinterpret_cast<void*>(0x10), "y.cpp", 10, "wild");
  });
  ASSERT_TRUE(WIFSIGNALED(child.status));
  EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
}

}  // namespace
