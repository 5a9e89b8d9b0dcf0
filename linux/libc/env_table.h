// Environment-table operations behind getenv/putenv/setenv, on a table passed explicitly:
// a null-terminated array of "NAME=value" texts (or a null table), whose array and strings
// come from the given allocator (the process heap in the environment). Pure; never blocks.
// Errors: -1 when the allocator fails (the table is then unchanged) or for a bad name;
// lookups return null when the name is absent.
#pragma once

#include <cstddef>

#include "linux/libc/allocator.h"

namespace posix {

// Value after "=" of the first entry named `name` (or its first `len` bytes); null if none.
const char* env_table_get(char* const* table, const char* name);
const char* env_table_get_n(char* const* table, const char* name, std::size_t len);

// putenv: with "=", `string` itself (not a copy) replaces the first entry of that name, whose
// text is released, or is appended. Without "=", every entry of that name is released and
// removed; the table's last entries fill the holes. 0, or -1 when the table cannot grow.
int env_table_put(char**& table, char* string, const allocator& a);

// setenv: 0 without change when overwrite is 0 and the name exists; otherwise "name=value"
// is allocated and put. -1 on allocation failure or an empty name or one holding "=".
int env_table_set(char**& table, const char* name, const char* value, int overwrite,
                  const allocator& a);

// Puts a copy of `string` (allocated with a); -1 when the copy or the growth fails.
int env_table_put_copy(char**& table, const char* string, const allocator& a);

// Number of entries before the null one (0 for a null table).
std::size_t env_table_count(char* const* table);

}  // namespace posix
