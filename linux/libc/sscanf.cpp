#include "linux/libc/sscanf.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace posix {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The text a conversion may look at: at most `width` characters, never past the end.
struct field {
    const char* p;
    std::size_t left;

    char peek(std::size_t i = 0) const { return i < left ? p[i] : '\0'; }
    void take(std::size_t n) { p += n; left -= n; }
};

field make_field(const char* text, int width)
{
    std::size_t limit = width > 0 ? static_cast<std::size_t>(width) : SIZE_MAX;
    return {text, strnlen(text, limit)};
}

// strtol/strtoul semantics on a bounded field: white space, sign, "0x" for base 16.
// Returns false when no digit was found (nothing is consumed then).
bool scan_integer(field& f, int base, std::uint64_t& magnitude, bool& negative)
{
    field w = f;
    while (is_space(w.peek())) w.take(1);
    negative = false;
    if (w.peek() == '-' || w.peek() == '+') {
        negative = w.peek() == '-';
        w.take(1);
    }
    if (base == 16 && w.peek() == '0' && (w.peek(1) == 'x' || w.peek(1) == 'X') &&
        digit_value(w.peek(2)) < 16) {
        w.take(2);
    }
    if (digit_value(w.peek()) >= base) return false;
    magnitude = 0;
    while (digit_value(w.peek()) < base) {
        std::uint64_t next = magnitude * static_cast<unsigned>(base) +
                             static_cast<unsigned>(digit_value(w.peek()));
        magnitude = next / static_cast<unsigned>(base) == magnitude ? next : UINT64_MAX;
        w.take(1);
    }
    f = w;
    return true;
}

// strtod on a bounded field: the field is copied when a width cuts the text short.
bool scan_float(field& f, float& out)
{
    char local[64];
    const char* src = f.p;
    if (f.p[f.left] != '\0') {
        std::size_t n = f.left < sizeof local - 1 ? f.left : sizeof local - 1;
        std::memcpy(local, f.p, n);
        local[n] = '\0';
        src = local;
    }
    char* end = nullptr;
    double v = std::strtod(src, &end);
    if (end == src) return false;
    out = static_cast<float>(v);
    f.take(static_cast<std::size_t>(end - src));
    return true;
}

struct scanner {
    const char* text;
    const char* fmt;
    int count;
    va_list* args;
};

enum class step { go_on, stop, bad_set };

int base_of(char conv)
{
    switch (conv) {
    case 'x': case 'X': return 16;
    case 'o': return 8;
    default: return 10;
    }
}

// Signed conversions clamp to the int range like strtol; unsigned ones clamp the magnitude
// and then negate modulo 2^32 like strtoul.
int to_int(std::uint64_t magnitude, bool negative, bool is_signed)
{
    if (is_signed) {
        if (negative) {
            return magnitude >= 0x80000000u ? INT32_MIN : -static_cast<int>(magnitude);
        }
        return magnitude > INT32_MAX ? INT32_MAX : static_cast<int>(magnitude);
    }
    std::uint32_t v = magnitude > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(magnitude);
    if (negative) v = ~v + 1u;
    return static_cast<int>(v);
}

step convert_integer(scanner& s, char conv, int width)
{
    field f = make_field(s.text, width);
    std::uint64_t magnitude = 0;
    bool negative = false;
    if (!scan_integer(f, base_of(conv), magnitude, negative)) return step::stop;
    *va_arg(*s.args, int*) = to_int(magnitude, negative, conv == 'd' || conv == 'i');
    s.text = f.p;
    ++s.count;
    return step::go_on;
}

step convert_string(scanner& s, int width)
{
    field f = make_field(s.text, width);
    char* out = va_arg(*s.args, char*);
    std::size_t n = 0;
    while (n < f.left && !is_space(f.p[n])) {
        out[n] = f.p[n];
        ++n;
    }
    out[n] = '\0';
    s.text += n;
    ++s.count;
    return step::go_on;
}

step convert_set(scanner& s, int width)
{
    const char* set = s.fmt;
    const char* close = std::strchr(set, ']');
    if (close == nullptr) return step::bad_set;
    auto set_len = static_cast<std::size_t>(close - set);
    field f = make_field(s.text, width);
    char* out = va_arg(*s.args, char*);
    std::size_t n = 0;
    while (n < f.left && std::memchr(set, f.p[n], set_len) != nullptr) {
        out[n] = f.p[n];
        ++n;
    }
    out[n] = '\0';
    s.text += n;
    s.fmt = close + 1;
    ++s.count;
    return step::go_on;
}

// One "%" directive; s.fmt points just after the "%".
step directive(scanner& s)
{
    if (*s.fmt == '*') {
        // "%*" suppresses nothing here: the character after the star is matched literally.
        char literal = s.fmt[1];
        if (literal == '\0' || *s.text != literal) return step::stop;
        s.fmt += 2;
        ++s.text;
        return step::go_on;
    }
    int width = 0;
    while (*s.fmt >= '0' && *s.fmt <= '9') {
        width = width < 100000000 ? width * 10 + (*s.fmt - '0') : width;
        ++s.fmt;
    }
    char conv = *s.fmt;
    if (conv == '\0') return step::stop;
    ++s.fmt;
    switch (conv) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        return convert_integer(s, conv, width);
    case 'c':
        if (*s.text == '\0') return step::stop;  // nothing to take at the end of the text
        *va_arg(*s.args, char*) = *s.text++;
        ++s.count;
        return step::go_on;
    case 's':
        return convert_string(s, width);
    case 'f': {
        field f = make_field(s.text, width);
        float v = 0;
        if (!scan_float(f, v)) return step::stop;
        *va_arg(*s.args, float*) = v;
        s.text = f.p;
        ++s.count;
        return step::go_on;
    }
    case '[':
        return convert_set(s, width);
    default:
        return step::go_on;  // length modifiers and the rest convert nothing
    }
}

}  // namespace

int vsscanf(const char* text, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    scanner s{text, format, 0, &copy};
    step st = step::go_on;
    while (st == step::go_on && *s.fmt != '\0') {
        char c = *s.fmt++;
        if (is_space(c)) {
            while (is_space(*s.text)) ++s.text;
        } else if (c == '%') {
            st = directive(s);
        } else if (*s.text == c) {
            ++s.text;
        } else {
            st = step::stop;
        }
    }
    va_end(copy);
    return st == step::bad_set ? -1 : s.count;
}

int sscanf(const char* text, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsscanf(text, format, args);
    va_end(args);
    return n;
}

}  // namespace posix
