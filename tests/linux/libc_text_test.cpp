#include "linux/libc/libc_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct basename_case {
    const char* path;
    const char* result;
    const char* path_after;  // the argument as basename left it
};

TEST(Basename, Table)
{
    const basename_case cases[] = {
        {"/a/b/", "b", "/a/b"}, {"/", "/", "/"},       {"", ".", ""},
        {"file", "file", "file"}, {"/a/b", "b", "/a/b"}, {"dir/", "dir", "dir"},
        {"a//", "a/", "a/"},      {"/x", "x", "/x"},     {"//", "/", "/"},
    };
    for (const auto& c : cases) {
        std::string buf = c.path;
        EXPECT_STREQ(posix::basename(buf.data()), c.result) << c.path;
        EXPECT_STREQ(buf.c_str(), c.path_after) << c.path;
    }
    EXPECT_STREQ(posix::basename(nullptr), ".");
}

TEST(Strerror, EveryNumberIsUnknown)
{
    for (int n : {0, 2, 12, 34, -1, 9999}) {
        EXPECT_STREQ(posix::strerror(n), "unknown");
    }
}

}  // namespace
