#include "linux/libc/calendar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "linux/libc/diag.h"

namespace {

posix::tm make_tm(int year, int mon, int mday, int hour = 0, int min = 0, int sec = 0)
{
    posix::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = mon - 1;
    t.tm_mday = mday;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

TEST(Timegm, LeapDayOf2000AndKnownInstants)
{
    posix::tm jan = make_tm(2000, 1, 1);
    posix::tm mar = make_tm(2000, 3, 1);
    EXPECT_EQ(kiv_linux_timegm(&mar) - kiv_linux_timegm(&jan), 60 * 86400);
    const struct {
        posix::tm t;
        posix::time_t seconds;
    } known[] = {
        {make_tm(1970, 1, 1), 0},
        {make_tm(2021, 1, 1), 1609459200},
        {make_tm(2038, 1, 19, 3, 14, 8), 2147483648LL},
        {make_tm(1969, 12, 31, 23, 59, 59), -1},
        {make_tm(2100, 3, 1), 4107542400LL},  // 2100 is not a leap year
        {make_tm(1900, 1, 1), -2208988800LL},
    };
    for (const auto& k : known) {
        EXPECT_EQ(kiv_linux_timegm(&k.t), k.seconds) << k.seconds;
    }
    posix::tm carry = make_tm(2020, 13, 1);  // month 12 (0-based) is January of the next year
    posix::tm next = make_tm(2021, 1, 1);
    EXPECT_EQ(kiv_linux_timegm(&carry), kiv_linux_timegm(&next));
}

// The host's own conversions are an independent oracle for the calendar arithmetic.
TEST(Gmtime, RoundTripsAgainstTheHostCalendar)
{
    std::uint64_t state = 99;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        // Roughly years 1601..2400, plus a dense band around the epoch.
        std::int64_t span = i % 2 == 0 ? 25245000000LL : 400LL * 86400;
        posix::time_t t = static_cast<std::int64_t>(state >> 20) % (2 * span) - span +
                          (i % 2 == 0 ? 2000000000LL : 0);
        posix::tm mine{};
        ASSERT_EQ(posix::gmtime_r(&t, &mine), &mine);
        std::time_t host_t = static_cast<std::time_t>(t);
        ::tm host{};
        ASSERT_NE(::gmtime_r(&host_t, &host), nullptr);
        ASSERT_EQ(mine.tm_year, host.tm_year) << t;
        ASSERT_EQ(mine.tm_mon, host.tm_mon) << t;
        ASSERT_EQ(mine.tm_mday, host.tm_mday) << t;
        ASSERT_EQ(mine.tm_hour, host.tm_hour) << t;
        ASSERT_EQ(mine.tm_min, host.tm_min) << t;
        ASSERT_EQ(mine.tm_sec, host.tm_sec) << t;
        ASSERT_EQ(mine.tm_wday, host.tm_wday) << t;
        ASSERT_EQ(mine.tm_yday, host.tm_yday) << t;
        ASSERT_EQ(mine.tm_isdst, 0);
        ASSERT_EQ(kiv_linux_timegm(&mine), t);
    }
}

TEST(Gmtime, SharedRecord)
{
    posix::time_t t = 86400 * 3;  // Sunday 1970-01-04
    posix::tm* a = posix::gmtime(&t);
    EXPECT_EQ(a->tm_wday, 0);
    EXPECT_EQ(a->tm_mday, 4);
    posix::time_t u = 0;
    EXPECT_EQ(posix::gmtime(&u), a);
    EXPECT_EQ(a->tm_wday, 4);  // 1970-01-01 was a Thursday
}

std::string render(const char* format, const posix::tm& t, std::size_t size = 128)
{
    std::string buf(size + 8, '#');
    std::size_t n = posix::strftime(buf.data(), size, format, &t);
    EXPECT_EQ(buf[size], '#') << format;  // nothing past the given size
    return size > 0 ? buf.substr(0, n) + (buf[n] == '\0' ? "" : "<unterminated>") : "";
}

posix::tm day(int year, int mon, int mday, int hour, int min, int sec)
{
    posix::tm t = make_tm(year, mon, mday, hour, min, sec);
    posix::time_t s = kiv_linux_timegm(&t);
    posix::gmtime_r(&s, &t);
    return t;
}

struct strftime_case {
    const char* format;
    const char* expected;
};

TEST(Strftime, ConversionsTable)
{
    posix::tm t = day(2022, 1, 3, 7, 5, 9);  // a Monday
    const strftime_case cases[] = {
        {"%C%y", "2022"},         {"%W", "01"},          {"%U", "01"},
        {"%A %a", "Monday Mon"},  {"%B %b", "January Jan"}, {"%d|%e", "03|03"},
        {"%H %I %p", "07 07 AM"}, {"%M:%S", "05:09"},    {"%j", "003"},
        {"%m", "01"},             {"%w", "1"},           {"%X", "07:05:09"},
        {"%x", "01/03/22"},       {"%c", "Mon Jan 03 07:05:09 2022"},
        {"%Y", "2022"},           {"100%%", "100%"},     {"plain", "plain"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(render(c.format, t), c.expected) << c.format;
    }

    posix::tm pm = day(1999, 12, 31, 12, 0, 0);  // a Friday, day 365
    EXPECT_EQ(render("%I %p %j %U %W %a", pm), "12 PM 365 52 52 Fri");
    posix::tm midnight = day(2024, 2, 29, 0, 30, 0);
    EXPECT_EQ(render("%I%p %B %e", midnight), "12AM February 29");
    posix::tm sunday = day(2023, 1, 1, 23, 0, 0);
    EXPECT_EQ(render("%U %W %w %I%p", sunday), "01 00 0 11PM");
}

TEST(Strftime, NumbersKeepTheirLowestDigits)
{
    posix::tm t = make_tm(12345, 1, 1);
    t.tm_wday = 9;  // out of range: no name lookup outside the table
    t.tm_mon = -1;
    EXPECT_EQ(render("%Y %C %a %B", t), "2345 23 ? ?");
}

TEST(Strftime, CutOutputIsTerminatedAndCounted)
{
    posix::tm t = day(2022, 1, 3, 7, 5, 9);
    EXPECT_EQ(render("%Y-%m-%d", t, 5), "2022");
    EXPECT_EQ(render("%A", t, 1), "");
    char untouched = '#';
    EXPECT_EQ(posix::strftime(&untouched, 0, "%Y", &t), 0u);
    EXPECT_EQ(untouched, '#');
}

std::string g_trace;
int g_trace_level = 0;

void capture_trace(int level, const char* text)
{
    g_trace_level = level;
    g_trace += text;
}

TEST(Strftime, UnknownConversionTracesAndReturnsZero)
{
    g_trace.clear();
    posix::libc_set_diag({capture_trace, nullptr});
    posix::tm t = day(2022, 1, 3, 7, 5, 9);
    char buf[32];
    EXPECT_EQ(posix::strftime(buf, sizeof buf, "%Y %Q", &t), 0u);
    EXPECT_EQ(g_trace, "invalid fmt Q in strftime\r\n");
    EXPECT_EQ(g_trace_level, posix::KIV_LIBC_TRACE_ERROR);
    EXPECT_STREQ(buf, "2022 ");
    g_trace.clear();
    EXPECT_EQ(posix::strftime(buf, sizeof buf, "abc%", &t), 0u);  // "%" at the very end
    EXPECT_EQ(g_trace.rfind("invalid fmt ", 0), 0u);
    posix::libc_set_diag({});
}

}  // namespace
