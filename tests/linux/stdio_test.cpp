// The C library over descriptors: stdio modes and line reading, the environment variables,
// and the time functions on the real clock.
#include <gtest/gtest.h>

#include <string>

#include "linux/stdio.h"
#include "tests/linux/env_harness.h"

namespace {

using kvtest::run_in_environment;
namespace px = posix;

void make_file(const char* path, const std::string& content) {
  px::FILE* f = px::fopen(path, "w");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(px::fwrite(content.data(), 1, content.size(), f), content.size());
  px::fclose(f);
}

TEST(Stdio, FopenModes) {
  run_in_environment([] {
    make_file("/s1", "0123456789");
    struct Case {
      const char* mode;
      int access;
      bool truncates;
    };
    for (Case c : {Case{"rb", KIV_O_RDONLY, false}, Case{"r+", KIV_O_RDWR, false}, Case{"w+", KIV_O_RDWR, true},
                   Case{"ab+", KIV_O_RDWR, false}}) {
      make_file("/s1", "0123456789");
      px::FILE* f = px::fopen("/s1", c.mode);
      ASSERT_NE(f, nullptr) << c.mode;
      EXPECT_EQ(px::fcntl(f->fd, KIV_F_GETFL) & 3, c.access) << c.mode;
      EXPECT_EQ(px::fseek(f, 0, 2), 0);
      EXPECT_EQ(px::ftell(f), c.truncates ? 0 : 10) << c.mode;
      px::fclose(f);
    }
    EXPECT_EQ(px::fopen("/no/such", "r"), nullptr);
    px::FILE* a = px::fopen("/s2", "ab+");
    ASSERT_NE(a, nullptr) << "append mode creates";
    EXPECT_EQ(px::fputs("abc", a), 3);
    EXPECT_EQ(px::ftell(a), 3);
    px::fclose(a);
  });
}

TEST(Stdio, FgetsStopsAfterALineEnd) {
  run_in_environment([] {
    make_file("/s3", "ab\ncd");
    px::FILE* f = px::fopen("/s3", "r");
    char line[10];
    ASSERT_NE(px::fgets(line, 10, f), nullptr);
    EXPECT_STREQ(line, "ab\n");
    ASSERT_NE(px::fgets(line, 10, f), nullptr);
    EXPECT_STREQ(line, "cd");
    EXPECT_EQ(px::fgets(line, 10, f), nullptr);
    EXPECT_NE(px::feof(f), 0);
    EXPECT_EQ(px::fgets(line, 1, f), nullptr);
    px::fclose(f);
  });
}

TEST(Stdio, ConsoleLinesAreEditedWhileRead) {
  run_in_environment([] {
    kvtest::console()->type("ab\x7f" "c\n\r");
    char line[16];
    ASSERT_NE(px::fgets(line, sizeof line, px::stdin_file()), nullptr);
    EXPECT_STREQ(line, "ac\r");
  });
}

TEST(Stdio, PrintfLongerThanTheStackBuffer) {
  run_in_environment([] {
    std::string big(5000, 'z');
    int fd = px::creat("/s4", 0);
    px::FILE* f = px::fdopen(fd, "w");
    EXPECT_EQ(px::fprintf(f, "%s!", big.c_str()), 5001);
    EXPECT_EQ(px::fprintf(f, "%s", ""), 0);
    EXPECT_EQ(px::ftell(f), 5001);
    px::fclose(f);
  });
}

TEST(Environment, GetSetPut) {
  run_in_environment([] {
    ASSERT_EQ(px::setenv("EMPTY", "", 1), 0);
    ASSERT_NE(px::getenv("EMPTY"), nullptr);
    EXPECT_STREQ(px::getenv("EMPTY"), "");
    EXPECT_EQ(px::setenv("EMPTY", "kept?", 0), 0);
    EXPECT_STREQ(px::getenv("EMPTY"), "");
    px::putenv(px::strdup("X=1"));
    EXPECT_STREQ(px::getenv("X"), "1");
    px::putenv(const_cast<char*>("X"));
    EXPECT_EQ(px::getenv("X"), nullptr);
  });
}

TEST(Time, SecondsFollowTheLocalClockAsIfItWereUtc) {
  run_in_environment([] {
    px::timeval tv{};
    ASSERT_EQ(px::gettimeofday(&tv, nullptr), 0);
    EXPECT_EQ(tv.tv_usec, 0);
    int64_t expected = kiv_arch_wall_time_us() / 1000000 + kiv_arch_utc_offset_s();
    EXPECT_LE(std::abs(tv.tv_sec - expected), 2);
    EXPECT_LE(std::abs(px::time(nullptr) - tv.tv_sec), 2);
  });
}

}  // namespace
