// Calendar conversions of the environment: broken-down UTC time, seconds since 1970, and
// strftime with the environment's fixed English names. No time zones, no locale. Pure
// (gmtime alone returns one shared record); never blocks. strftime reports an unknown
// conversion through libc_trace (diag.h) and returns 0; out-of-range name indexes print "?".
#pragma once

#include <cstddef>
#include <cstdint>

namespace posix {

using time_t = std::int64_t;  // seconds since 1970-01-01 00:00:00

struct tm {
    int tm_sec;
    int tm_min;
    int tm_hour;
    int tm_mday;   // 1..31
    int tm_mon;    // 0..11
    int tm_year;   // years since 1900
    int tm_wday;   // 0 = Sunday
    int tm_yday;   // 0..365
    int tm_isdst;  // not used by the environment; always 0
};

tm* gmtime_r(const time_t* t, tm* out);
tm* gmtime(const time_t* t);
std::size_t strftime(char* buffer, std::size_t size, const char* format, const tm* t);

}  // namespace posix

// Seconds since 1970 of a broken-down time read as UTC (proleptic Gregorian calendar). Uses
// year, month, day, hour, minute and second; months outside 0..11 carry into the year.
posix::time_t kiv_linux_timegm(const posix::tm* t);
