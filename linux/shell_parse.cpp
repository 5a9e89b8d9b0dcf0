#include "linux/shell_parse.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_name_char(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           c == '_';
}

bool is_quote(char c) { return c == '\'' || c == '"'; }

void print(const kiv_linux_sh_env_t* env, const char* text)
{
    if (env->print != nullptr) env->print(env->ctx, text);
}

void print_part(const kiv_linux_sh_env_t* env, const char* what, const char* part,
                std::size_t len)
{
    char text[1024];
    int shown = len < 960 ? static_cast<int>(len) : 960;
    std::snprintf(text, sizeof text, "%s%.*s\r\n", what, shown, part);
    print(env, text);
}

void trim_end(char* text)
{
    std::size_t n = std::strlen(text);
    while (n > 0 && is_space(text[n - 1])) text[--n] = '\0';
}

// One part of a word: an unquoted run, or the inside of a quoted run (quote = its kind).
struct word_part {
    char quote;  // 0, '\'' or '"'
    const char* text;
    std::size_t len;
};

bool next_part(const char*& s, word_part& part)
{
    if (*s == '\0') return false;
    if (is_quote(*s)) {
        char q = *s++;
        const char* start = s;
        while (*s != '\0' && *s != q) ++s;
        part = {q, start, static_cast<std::size_t>(s - start)};
        if (*s == q) ++s;
        return true;
    }
    const char* start = s;
    while (*s != '\0' && !is_quote(*s)) ++s;
    part = {0, start, static_cast<std::size_t>(s - start)};
    return true;
}

void join_in_place(char* word)
{
    char* dst = word;
    const char* src = word;
    word_part part;
    while (next_part(src, part)) {
        std::memmove(dst, part.text, part.len);
        dst += part.len;
    }
    *dst = '\0';
}

// Measures (out null) or writes the expansion of a whole word; -1 after the parse message.
long expand_parts(const char* word, const kiv_linux_sh_env_t* env, char* out, std::size_t cap)
{
    std::size_t total = 0;
    const char* s = word;
    word_part part;
    while (next_part(s, part)) {
        char* dst = out != nullptr ? out + total : nullptr;
        std::size_t room = cap > total ? cap - total : 0;
        long n = 0;
        if (part.quote == '\'') {
            n = static_cast<long>(part.len);
            if (dst != nullptr) std::memcpy(dst, part.text, part.len < room ? part.len : room);
        } else {
            n = kiv_linux_sh_expand_vars(part.text, part.len, env, dst, room);
            if (n < 0) {
                print_part(env, "fail to parse argument ", part.text, part.len);
                return -1;
            }
        }
        total += static_cast<std::size_t>(n);
    }
    return static_cast<long>(total);
}

}  // namespace

int kiv_linux_sh_split_line(char* line, std::size_t max_length, const kiv_linux_sh_env_t* env,
                            kiv_linux_sh_line_t* out)
{
    *out = kiv_linux_sh_line_t{};
    if (strnlen(line, max_length + 1) > max_length) return KIV_SH_ERR_TOO_LONG;
    trim_end(line);
    std::size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '&') {
        line[n - 1] = '\0';
        out->background = true;
    }
    char* p = line;
    for (;;) {
        if (out->count == KIV_SH_MAX_COMMANDS) {
            print(env, "too many commands in one line (at most 4)\r\n");
            return KIV_SH_ERR_FAIL;
        }
        out->commands[out->count++] = p;
        char* bar = std::strchr(p, '|');
        if (bar == nullptr) return 0;
        *bar = '\0';
        p = bar + 1;
    }
}

char* kiv_linux_sh_next_word(char** cursor)
{
    char* p = *cursor;
    while (is_space(*p)) ++p;
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char* start = p;
    while (*p != '\0' && !is_space(*p)) {
        if (!is_quote(*p)) {
            ++p;
            continue;
        }
        char q = *p++;
        while (*p != '\0' && *p != q) ++p;
        if (*p == q) ++p;
    }
    while (is_space(*p)) *p++ = '\0';
    *cursor = p;
    return start;
}

long kiv_linux_sh_expand_vars(const char* part, std::size_t len, const kiv_linux_sh_env_t* env,
                              char* out, std::size_t cap)
{
    std::size_t n = 0;
    auto emit = [&](char c) {
        if (out != nullptr && n < cap) out[n] = c;
        ++n;
    };
    std::size_t i = 0;
    while (i < len) {
        if (part[i] != '$') {
            emit(part[i++]);
            continue;
        }
        ++i;
        bool braced = i < len && part[i] == '{';
        if (braced) ++i;
        std::size_t start = i;
        while (i < len && is_name_char(part[i])) ++i;
        if (i == start) return -1;
        std::size_t name_len = i - start;
        if (braced) {
            if (i >= len || part[i] != '}') return -1;
            ++i;
        }
        const char* value = env->lookup != nullptr ? env->lookup(env->ctx, part + start, name_len)
                                                   : nullptr;
        for (; value != nullptr && *value != '\0'; ++value) emit(*value);
    }
    return static_cast<long>(n);
}

int kiv_linux_sh_expand_word(char* word, const kiv_linux_sh_env_t* env, char** result,
                             bool* allocated)
{
    *result = nullptr;
    *allocated = false;
    if (std::strchr(word, '$') == nullptr) {
        join_in_place(word);
        *result = word;
        return 0;
    }
    long need = expand_parts(word, env, nullptr, 0);
    if (need < 0) return KIV_SH_ERR_FAIL;
    auto size = static_cast<std::size_t>(need) + 1;
    auto* text = static_cast<char*>(env->alloc.alloc(env->alloc.ctx, size));
    if (text == nullptr) {
        print_part(env, "fail to allocate buffer to parse argument ", word, std::strlen(word));
        return KIV_SH_ERR_FAIL;
    }
    long got = expand_parts(word, env, text, size - 1);
    std::size_t end = got >= 0 && static_cast<std::size_t>(got) < size ? static_cast<std::size_t>(got)
                                                                        : size - 1;
    text[end] = '\0';
    *result = text;
    *allocated = true;
    return 0;
}

namespace {

// Expands a word and hands it to one of the visitor's slots.
int deliver(char* word, const kiv_linux_sh_env_t* env, void* ctx,
            int (*slot)(void*, char*, bool))
{
    char* text = nullptr;
    bool allocated = false;
    if (kiv_linux_sh_expand_word(word, env, &text, &allocated) != 0) return KIV_SH_ERR_FAIL;
    return slot(ctx, text, allocated) == 0 ? 0 : KIV_SH_ERR_FAIL;
}

}  // namespace

int kiv_linux_sh_parse_command(char* text, const kiv_linux_sh_env_t* env,
                               const kiv_linux_sh_visitor_t* visitor)
{
    while (is_space(*text)) ++text;
    if (*text == '\0') return KIV_SH_ERR_FAIL;
    trim_end(text);

    char* cursor = text;
    char* word = kiv_linux_sh_next_word(&cursor);
    while (word != nullptr && std::strchr(word, '=') != nullptr) {
        if (deliver(word, env, visitor->ctx, visitor->assignment) != 0) return KIV_SH_ERR_FAIL;
        word = kiv_linux_sh_next_word(&cursor);
    }
    if (visitor->name(visitor->ctx, word != nullptr ? word : cursor) != 0) return KIV_SH_ERR_FAIL;

    for (int argc = 1; argc < KIV_SH_MAX_ARGS; ++argc) {
        word = kiv_linux_sh_next_word(&cursor);
        if (word == nullptr) break;
        if (deliver(word, env, visitor->ctx, visitor->argument) != 0) return KIV_SH_ERR_FAIL;
    }
    return 0;
}
