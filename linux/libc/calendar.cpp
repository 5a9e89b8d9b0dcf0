#include "linux/libc/calendar.h"

#include <cstdio>

#include "linux/libc/diag.h"

namespace posix {

namespace {

constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

std::int64_t floor_div(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1970-01-01 to the given civil date (month 1..12), proleptic Gregorian.
std::int64_t days_from_civil(std::int64_t y, int m, std::int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    std::int64_t era = floor_div(y, 400);
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct civil {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

civil civil_from_days(std::int64_t z)
{
    z += 719468;
    std::int64_t era = floor_div(z, 146097);
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Bounded output: stops before the last byte of the buffer and remembers how much it kept.
struct out_text {
    char* buf;
    std::size_t size;
    std::size_t len;

    void put(char c)
    {
        if (len + 1 < size) buf[len++] = c;
    }
    void put(const char* s, std::size_t max = SIZE_MAX)
    {
        for (std::size_t i = 0; i < max && s[i] != '\0'; ++i) put(s[i]);
    }
    // Exactly `digits` digits: the lowest ones of the magnitude.
    void number(std::int64_t v, int digits)
    {
        std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        char tmp[20];
        for (int i = digits - 1; i >= 0; --i) {
            tmp[i] = static_cast<char>('0' + m % 10);
            m /= 10;
        }
        for (int i = 0; i < digits; ++i) put(tmp[i]);
    }
};

const char* name_of(const char* const* table, int count, int index)
{
    return index >= 0 && index < count ? table[index] : "?";
}

bool format_into(out_text& o, const char* format, const tm& t);

// One conversion character; false for a character this strftime does not know.
bool convert(out_text& o, char c, const tm& t)
{
    std::int64_t year = 1900 + static_cast<std::int64_t>(t.tm_year);
    switch (c) {
    case '%': o.put('%'); return true;
    case 'A': o.put(name_of(kDays, 7, t.tm_wday)); return true;
    case 'a': o.put(name_of(kDays, 7, t.tm_wday), 3); return true;
    case 'B': o.put(name_of(kMonths, 12, t.tm_mon)); return true;
    case 'b': o.put(name_of(kMonths, 12, t.tm_mon), 3); return true;
    case 'C': o.number(year / 100, 2); return true;
    case 'd': case 'e': o.number(t.tm_mday, 2); return true;
    case 'H': o.number(t.tm_hour, 2); return true;
    case 'I': o.number(t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12, 2); return true;
    case 'M': o.number(t.tm_min, 2); return true;
    case 'S': o.number(t.tm_sec, 2); return true;
    case 'j': o.number(t.tm_yday + 1, 3); return true;
    case 'm': o.number(t.tm_mon + 1, 2); return true;
    case 'p': o.put(t.tm_hour >= 12 ? "PM" : "AM"); return true;
    case 'U': o.number((t.tm_yday + 7 - t.tm_wday) / 7, 2); return true;
    case 'W': o.number((t.tm_yday + 7 - (t.tm_wday + 6) % 7) / 7, 2); return true;
    case 'w': o.number(t.tm_wday, 1); return true;
    case 'X': return format_into(o, "%H:%M:%S", t);
    case 'c': return format_into(o, "%a %b %e %H:%M:%S %Y", t);
    case 'x': return format_into(o, "%m/%d/%y", t);
    case 'Y': o.number(year, 4); return true;
    case 'y': o.number(t.tm_year % 100, 2); return true;
    default: return false;
    }
}

bool format_into(out_text& o, const char* format, const tm& t)
{
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            o.put(*p);
            continue;
        }
        ++p;
        if (!convert(o, *p, t)) {
            char line[48];
            std::snprintf(line, sizeof line, "invalid fmt %c in strftime\r\n", *p);
            libc_trace(KIV_LIBC_TRACE_ERROR, line);
            return false;
        }
    }
    return true;
}

tm g_shared_tm{};

}  // namespace

tm* gmtime_r(const time_t* t, tm* out)
{
    *out = tm{};
    std::int64_t days = floor_div(*t, 86400);
    std::int64_t secs = *t - days * 86400;
    civil c = civil_from_days(days);
    out->tm_sec = static_cast<int>(secs % 60);
    out->tm_min = static_cast<int>(secs / 60 % 60);
    out->tm_hour = static_cast<int>(secs / 3600);
    out->tm_mday = c.day;
    out->tm_mon = c.month - 1;
    out->tm_year = static_cast<int>(c.year - 1900);
    out->tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);
    out->tm_yday = static_cast<int>(days - days_from_civil(c.year, 1, 1));
    return out;
}

tm* gmtime(const time_t* t) { return gmtime_r(t, &g_shared_tm); }

std::size_t strftime(char* buffer, std::size_t size, const char* format, const tm* t)
{
    out_text o{buffer, size, 0};
    bool ok = format_into(o, format, *t);
    if (size > 0) buffer[o.len] = '\0';
    return ok ? o.len : 0;
}

}  // namespace posix

posix::time_t kiv_linux_timegm(const posix::tm* t)
{
    std::int64_t month = t->tm_mon;
    std::int64_t year = 1900 + static_cast<std::int64_t>(t->tm_year) + posix::floor_div(month, 12);
    month -= posix::floor_div(month, 12) * 12;
    std::int64_t days = posix::days_from_civil(year, static_cast<int>(month + 1), t->tm_mday);
    return days * 86400 + static_cast<std::int64_t>(t->tm_hour) * 3600 +
           static_cast<std::int64_t>(t->tm_min) * 60 + t->tm_sec;
}
