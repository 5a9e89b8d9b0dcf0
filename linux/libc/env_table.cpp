#include "linux/libc/env_table.h"

#include <cstring>

namespace posix {

namespace {

// Length of the name part of an entry: up to "=", or the whole text when it has none.
std::size_t name_length(const char* entry)
{
    const char* eq = std::strchr(entry, '=');
    return eq != nullptr ? static_cast<std::size_t>(eq - entry) : std::strlen(entry);
}

bool has_name(const char* entry, const char* name, std::size_t len)
{
    return name_length(entry) == len && std::memcmp(entry, name, len) == 0;
}

void remove_all(char** table, const char* name, std::size_t len, const allocator& a)
{
    std::size_t n = env_table_count(table);
    std::size_t i = 0;
    while (i < n) {
        if (!has_name(table[i], name, len)) {
            ++i;
            continue;
        }
        a.release(a.ctx, table[i]);
        table[i] = table[n - 1];  // the moved entry is checked again at the same index
        table[n - 1] = nullptr;
        --n;
    }
}

}  // namespace

std::size_t env_table_count(char* const* table)
{
    std::size_t n = 0;
    while (table != nullptr && table[n] != nullptr) ++n;
    return n;
}

const char* env_table_get_n(char* const* table, const char* name, std::size_t len)
{
    for (std::size_t i = 0; table != nullptr && table[i] != nullptr; ++i) {
        const char* entry = table[i];
        std::size_t k = 0;
        while (k < len && entry[k] != '\0' && entry[k] == name[k]) ++k;
        if (k == len && entry[len] == '=') return entry + len + 1;
    }
    return nullptr;
}

const char* env_table_get(char* const* table, const char* name)
{
    return name != nullptr ? env_table_get_n(table, name, std::strlen(name)) : nullptr;
}

int env_table_put(char**& table, char* string, const allocator& a)
{
    std::size_t len = name_length(string);
    if (string[len] != '=') {
        remove_all(table, string, len, a);
        return 0;
    }
    std::size_t n = env_table_count(table);
    for (std::size_t i = 0; i < n; ++i) {
        if (has_name(table[i], string, len)) {
            a.release(a.ctx, table[i]);
            table[i] = string;
            return 0;
        }
    }
    void* grown = a.resize(a.ctx, table, (n + 2) * sizeof(char*));
    if (grown == nullptr) return -1;
    table = static_cast<char**>(grown);
    table[n] = string;
    table[n + 1] = nullptr;
    return 0;
}

int env_table_put_copy(char**& table, const char* string, const allocator& a)
{
    std::size_t len = std::strlen(string);
    auto* copy = static_cast<char*>(a.alloc(a.ctx, len + 1));
    if (copy == nullptr) return -1;
    std::memcpy(copy, string, len + 1);
    if (env_table_put(table, copy, a) != 0) {
        a.release(a.ctx, copy);
        return -1;
    }
    return 0;
}

int env_table_set(char**& table, const char* name, const char* value, int overwrite,
                  const allocator& a)
{
    std::size_t len = name != nullptr ? std::strlen(name) : 0;
    if (len == 0 || std::strchr(name, '=') != nullptr) return -1;
    if (overwrite == 0 && env_table_get(table, name) != nullptr) return 0;
    std::size_t vlen = value != nullptr ? std::strlen(value) : 0;
    auto* text = static_cast<char*>(a.alloc(a.ctx, len + vlen + 2));
    if (text == nullptr) return -1;
    std::memcpy(text, name, len);
    text[len] = '=';
    if (vlen > 0) std::memcpy(text + len + 1, value, vlen);
    text[len + 1 + vlen] = '\0';
    if (env_table_put(table, text, a) != 0) {
        a.release(a.ctx, text);
        return -1;
    }
    return 0;
}

}  // namespace posix
