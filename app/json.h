// Allocation-free JSON reader over a terminated text held by the caller: finds values by
// path and walks containers without building a tree; every result points into the text.
// Pure and reentrant (all state is in the caller's iterator); never blocks. Failures are a
// null position or a negative result; nothing is printed. The reader checks only what it
// walks over, and never reads beyond the text's terminator, whatever the input.
#pragma once

#include <cstddef>

enum json_type_t : int {
    JSON_TYPE_INVALID = 0,
    JSON_TYPE_OBJECT = 1,
    JSON_TYPE_ARRAY = 2,
    JSON_TYPE_STRING = 3,
    JSON_TYPE_NUMBER = 4,   // starts with a digit; a leading minus is not recognised
    JSON_TYPE_BOOLEAN = 5,
    JSON_TYPE_NULL = 6,
};

struct json_iter_t {
    const char* pos;            // start of the current element
    json_type_t container;      // JSON_TYPE_OBJECT or JSON_TYPE_ARRAY
    bool first;                 // the next call yields the first element
};

inline constexpr int JSON_ERR_SYNTAX = -1;    // not at a string, bad escape, unterminated
inline constexpr int JSON_ERR_NO_ROOM = -6;   // the buffer is too small

// Kind of the value starting at pos (JSON_TYPE_INVALID for a null pos).
json_type_t json_get_type(const char* pos);

// Prepares `it` to walk the object or array starting at `value`; false when value is no
// container or the text ends right after its opening bracket.
bool json_iter_begin(json_iter_t* it, const char* value);

// Next element: for an object the opening quote of the member's key, for an array the
// element's first character. Null at the end of the container, at the end of the text,
// or on malformed text.
const char* json_iter_next(json_iter_t* it);

// Value at `path` ("a/0/b"; "/" or "\\" separators, one leading separator ignored; array
// indexes as for strtoul base 0). An empty path yields text itself. Null when not found.
const char* json_lookup(const char* text, const char* path);

// Copies the string value at pos with escapes resolved ("\u" keeps its four digits as
// text) and a terminator. Returns the bytes needed including the terminator, JSON_ERR_SYNTAX
// or JSON_ERR_NO_ROOM. With a null buffer it only measures.
int json_get_string(const char* pos, char* buffer, std::size_t size);
