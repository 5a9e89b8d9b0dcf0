#include "linux/libc/env_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// A heap that records live blocks and can be told to fail, so that leaks, double frees and
// frees of foreign pointers show up as test failures.
struct test_heap {
    std::set<void*> live;
    int fail_after = -1;  // number of further successful allocations; -1: never fail

    static void* alloc(void* ctx, std::size_t size)
    {
        auto* h = static_cast<test_heap*>(ctx);
        if (h->fail_after == 0) return nullptr;
        if (h->fail_after > 0) --h->fail_after;
        void* p = std::malloc(size);
        h->live.insert(p);
        return p;
    }
    static void* resize(void* ctx, void* block, std::size_t size)
    {
        auto* h = static_cast<test_heap*>(ctx);
        if (h->fail_after == 0) return nullptr;
        if (h->fail_after > 0) --h->fail_after;
        if (block != nullptr) {
            EXPECT_EQ(h->live.erase(block), 1u);
        }
        void* p = std::realloc(block, size);
        h->live.insert(p);
        return p;
    }
    static void release(void* ctx, void* block)
    {
        if (block == nullptr) return;
        EXPECT_EQ(static_cast<test_heap*>(ctx)->live.erase(block), 1u);
        std::free(block);
    }
    posix::allocator get() { return {this, alloc, resize, release}; }
};

class EnvTable : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (std::size_t i = 0; table_ != nullptr && table_[i] != nullptr; ++i) {
            test_heap::release(&heap_, table_[i]);
        }
        test_heap::release(&heap_, table_);
        EXPECT_TRUE(heap_.live.empty()) << "blocks leaked";
    }
    char* dup(const char* s)
    {
        auto* p = static_cast<char*>(test_heap::alloc(&heap_, std::strlen(s) + 1));
        std::strcpy(p, s);
        return p;
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; table_ != nullptr && table_[i] != nullptr; ++i) {
            out.emplace_back(table_[i]);
        }
        return out;
    }

    test_heap heap_;
    char** table_ = nullptr;
};

TEST_F(EnvTable, PutReplacesOrAppends)
{
    auto a = heap_.get();
    EXPECT_EQ(posix::env_table_get(table_, "A"), nullptr);  // no table at all
    EXPECT_EQ(posix::env_table_put(table_, dup("A=1"), a), 0);
    EXPECT_EQ(posix::env_table_put(table_, dup("B="), a), 0);
    EXPECT_EQ(posix::env_table_put(table_, dup("AB=3"), a), 0);
    EXPECT_EQ(posix::env_table_put(table_, dup("A=2"), a), 0);
    EXPECT_EQ(entries(), (std::vector<std::string>{"A=2", "B=", "AB=3"}));
    EXPECT_STREQ(posix::env_table_get(table_, "A"), "2");
    ASSERT_NE(posix::env_table_get(table_, "B"), nullptr);  // empty value, not null
    EXPECT_STREQ(posix::env_table_get(table_, "B"), "");
    EXPECT_EQ(posix::env_table_get(table_, "AB=3"), nullptr);
    EXPECT_EQ(posix::env_table_get(table_, "C"), nullptr);
    EXPECT_STREQ(posix::env_table_get_n(table_, "ABX", 2), "3");
    EXPECT_EQ(posix::env_table_count(table_), 3u);
}

TEST_F(EnvTable, PutWithoutEqualsRemovesEveryEntryOfThatName)
{
    auto a = heap_.get();
    for (const char* s : {"X=1", "Y=2", "Z=3", "W=4"}) posix::env_table_put(table_, dup(s), a);
    table_[2][0] = 'X';  // a duplicate name, as a foreign table might hold: "X=3"
    char* name = dup("X");
    EXPECT_EQ(posix::env_table_put(table_, name, a), 0);
    test_heap::release(&heap_, name);  // a removal keeps nothing of its argument
    EXPECT_EQ(entries(), (std::vector<std::string>{"W=4", "Y=2"}));
    char* missing = dup("Q");
    EXPECT_EQ(posix::env_table_put(table_, missing, a), 0);
    test_heap::release(&heap_, missing);
    EXPECT_EQ(entries().size(), 2u);
}

TEST_F(EnvTable, SetHonoursOverwriteAndRejectsBadNames)
{
    auto a = heap_.get();
    EXPECT_EQ(posix::env_table_set(table_, "HOME", "/root", 0, a), 0);
    EXPECT_EQ(posix::env_table_set(table_, "HOME", "/tmp", 0, a), 0);
    EXPECT_STREQ(posix::env_table_get(table_, "HOME"), "/root");
    EXPECT_EQ(posix::env_table_set(table_, "HOME", "/tmp", 1, a), 0);
    EXPECT_STREQ(posix::env_table_get(table_, "HOME"), "/tmp");
    EXPECT_EQ(posix::env_table_set(table_, "E", "", 1, a), 0);
    EXPECT_STREQ(posix::env_table_get(table_, "E"), "");
    EXPECT_EQ(posix::env_table_set(table_, "", "x", 1, a), -1);
    EXPECT_EQ(posix::env_table_set(table_, "A=B", "x", 1, a), -1);
    EXPECT_EQ(entries(), (std::vector<std::string>{"HOME=/tmp", "E="}));
}

TEST_F(EnvTable, AllocationFailuresLeaveTheTableUnchanged)
{
    auto a = heap_.get();
    EXPECT_EQ(posix::env_table_put_copy(table_, "K=v", a), 0);
    heap_.fail_after = 0;  // the text cannot be allocated
    EXPECT_EQ(posix::env_table_set(table_, "N", "1", 1, a), -1);
    heap_.fail_after = 1;  // the text can, the table cannot grow
    EXPECT_EQ(posix::env_table_set(table_, "N", "1", 1, a), -1);
    heap_.fail_after = 1;
    EXPECT_EQ(posix::env_table_put_copy(table_, "M=2", a), -1);
    heap_.fail_after = 1;  // replacing needs no growth
    EXPECT_EQ(posix::env_table_put_copy(table_, "K=w", a), 0);
    heap_.fail_after = -1;
    EXPECT_EQ(entries(), (std::vector<std::string>{"K=w"}));
}

}  // namespace
