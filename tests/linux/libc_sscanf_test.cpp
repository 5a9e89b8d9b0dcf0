#include "linux/libc/sscanf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(Sscanf, ConfigFileGrammar)
{
    char id[128];
    char pin[128];
    const char* text = "PSNID\t: abc\r\nPIN \t: 12345678\r\n" "                \n";
    EXPECT_EQ(posix::sscanf(text, "PSNID : %127s PIN  : %127s", id, pin), 2);
    EXPECT_STREQ(id, "abc");
    EXPECT_STREQ(pin, "12345678");
    EXPECT_EQ(posix::sscanf("PSNID : abc PIN  : 12345678", "PSNID : %127s PIN  : %127s", id,
                            pin),
              2);
    EXPECT_EQ(posix::sscanf("SSID\t: net\r\nPASSWD\t:", "SSID : %127s PASSWD : %127s", id, pin),
              2);  // the second run is empty at the end of the text and still counts
    EXPECT_STREQ(pin, "");
}

struct int_case {
    const char* text;
    const char* format;
    int result;
    int value;
    const char* rest;  // what the next %s then reads (checked when result is 1)
};

TEST(Sscanf, IntegerConversionsTable)
{
    const int_case cases[] = {
        {"42 x", "%d%s", 2, 42, ""},          // %s does not skip the blank: empty run
        {"  -17", "%d", 1, -17, nullptr},      // strtol skips leading white space
        {"+8", "%i", 1, 8, nullptr},
        {"010", "%i", 1, 10, nullptr},         // i is decimal here, not base 0
        {"ff", "%x", 1, 255, nullptr},
        {"0x1Fg", "%X%s", 2, 31, "g"},
        {"0xg", "%x%s", 2, 0, "xg"},           // "0x" without a digit after it: just 0
        {"777", "%o", 1, 511, nullptr},
        {"4294967295", "%u", 1, -1, nullptr},
        {"-1", "%u", 1, -1, nullptr},
        {"99999999999", "%d", 1, INT32_MAX, nullptr},
        {"-99999999999", "%d", 1, INT32_MIN, nullptr},
        {"12345", "%3d%s", 2, 123, "45"},      // width bounds the digits
        {"  123", "%3d%s", 2, 1, "23"},        // white space counts in the width
        {"abc", "%d", 0, 0, nullptr},          // no digits: scanning ends
        {"12", "%hd", 0, 0, nullptr},          // h converts nothing; "d" is then literal
        {"d7", "%hd%d", 1, 7, nullptr},
        {"%5", "%%%d", 0, 0, nullptr},         // "%%" consumes nothing from the text
        {"%7", "%*%%d", 1, 7, nullptr},        // "%*" matches the next character literally
        {"d5", "%*d%d", 1, 5, nullptr},
        {"x5", "%*d", 0, 0, nullptr},
        {"", "%d", 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        int value = 0;
        char rest[32] = "unset";
        int got = posix::sscanf(c.text, c.format, &value, rest);
        EXPECT_EQ(got, c.result) << c.text << " / " << c.format;
        if (c.result >= 1) {
            EXPECT_EQ(value, c.value) << c.text << " / " << c.format;
        }
        if (c.result == 0) {
            EXPECT_EQ(value, 0) << c.text << " / " << c.format;
        }
        if (c.result == 2) {
            EXPECT_STREQ(rest, c.rest) << c.text << " / " << c.format;
        }
    }
}

TEST(Sscanf, CharStringSetAndFloat)
{
    char c = 0;
    char s[16];
    float f = 0;
    EXPECT_EQ(posix::sscanf("xy", "%c%c", &c, &c), 2);
    EXPECT_EQ(c, 'y');
    EXPECT_EQ(posix::sscanf("x", "%c%c", &c, &c), 1);  // nothing left for the second
    EXPECT_EQ(posix::sscanf(" a", "%c", &c), 1);
    EXPECT_EQ(c, ' ');
    EXPECT_EQ(posix::sscanf("abcdef", "%3s", s), 1);
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(posix::sscanf(" abc", "%s", s), 1);  // white space before %s is not skipped
    EXPECT_STREQ(s, "");
    EXPECT_EQ(posix::sscanf("3.25rest", "%f%s", &f, s), 2);
    EXPECT_FLOAT_EQ(f, 3.25f);
    EXPECT_STREQ(s, "rest");
    EXPECT_EQ(posix::sscanf("1.2345", "%3f%s", &f, s), 2);
    EXPECT_FLOAT_EQ(f, 1.2f);
    EXPECT_STREQ(s, "345");
    EXPECT_EQ(posix::sscanf("x", "%f", &f), 0);
    EXPECT_EQ(posix::sscanf("aabx", "%[ab]%s", s, s + 8), 2);
    EXPECT_STREQ(s, "aab");
    EXPECT_STREQ(s + 8, "x");
    EXPECT_EQ(posix::sscanf("zzz", "%[ab]", s), 1);  // an empty run still counts
    EXPECT_STREQ(s, "");
    EXPECT_EQ(posix::sscanf("a-c", "%[a-c]", s), 1);  // no ranges: "-" is a member
    EXPECT_STREQ(s, "a-c");
    EXPECT_EQ(posix::sscanf("^^b", "%[^]", s), 1);    // no negation either
    EXPECT_STREQ(s, "^^");
    EXPECT_EQ(posix::sscanf("abab", "%2[ab]", s), 1);
    EXPECT_STREQ(s, "ab");
    EXPECT_EQ(posix::sscanf("ab", "%[ab", s), -1);
    int n = 0;
    EXPECT_EQ(posix::sscanf("5 ab", "%d %[ab", &n, s), -1);
}

TEST(Sscanf, LiteralsAndBlanks)
{
    int a = 0;
    int b = 0;
    EXPECT_EQ(posix::sscanf("1,2", "%d,%d", &a, &b), 2);
    EXPECT_EQ(posix::sscanf("1;2", "%d,%d", &a, &b), 1);
    EXPECT_EQ(posix::sscanf("1 \t\r\n,2", "%d ,%d", &a, &b), 2);
    EXPECT_EQ(posix::sscanf("1,2", "%d , %d", &a, &b), 2);  // a blank also matches nothing
    EXPECT_EQ(posix::sscanf("1", "%d%", &a), 1);            // a lone "%" at the end
    EXPECT_EQ(posix::sscanf("abc", "", &a), 0);
}

// Output canaries: a width-bounded string never writes past width + 1 bytes.
TEST(Sscanf, WidthBoundsTheStoredBytes)
{
    char buf[12];
    std::memset(buf, 0x5A, sizeof buf);
    EXPECT_EQ(posix::sscanf("abcdefghijklmnop", "%7s", buf + 2), 1);
    EXPECT_STREQ(buf + 2, "abcdefg");
    EXPECT_EQ(buf[0], 0x5A);
    EXPECT_EQ(buf[1], 0x5A);
    EXPECT_EQ(buf[10], 0x5A);
    EXPECT_EQ(buf[11], 0x5A);
}

// Deterministic replay in place of a fuzzer: formats and texts built from small alphabets;
// every stored string must stay inside its buffer (canaries) and be terminated.
TEST(SscanfFuzzReplay, StoresStayInsideTheirBuffers)
{
    const char* formats[] = {"%5s%3[ab ]%2d", "%c%4x %[a]", "%3s %3s", "%*a%2f%1s", "%2[ab%3s",
                             "PIN : %4s", "%d%u%o%i"};
    const char text_alphabet[] = "ab 12x-\t.PIN:";
    std::uint32_t state = 7;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        state = state * 1664525u + 1013904223u;
        int len = static_cast<int>((state >> 8) % 12);
        for (int i = 0; i < len; ++i) {
            state = state * 1664525u + 1013904223u;
            text += text_alphabet[(state >> 8) % (sizeof text_alphabet - 1)];
        }
        const char* format = formats[round % (sizeof formats / sizeof formats[0])];
        union slot {
            char s[16];
            int i;
            float f;
        } slots[4];
        std::memset(slots, 0x5A, sizeof slots);
        int n = posix::sscanf(text.c_str(), format, slots[0].s + 4, slots[1].s + 4,
                              slots[2].s + 4, slots[3].s + 4);
        ASSERT_GE(n, -1) << text;
        ASSERT_LE(n, 4) << text;
        for (auto& sl : slots) {
            for (int k = 0; k < 4; ++k) {
                ASSERT_EQ(sl.s[k], 0x5A) << format << " / " << text;
            }
            ASSERT_EQ(sl.s[15], 0x5A) << format << " / " << text;
        }
    }
}

}  // namespace
