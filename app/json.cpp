#include "app/json.h"

#include <cstdlib>
#include <cstring>

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_alnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

const char* skip_space(const char* p)
{
    while (is_space(*p)) ++p;
    return p;
}

// strncmp stops at the text's terminator, so the word test never looks past it.
bool is_word(const char* p, const char* word)
{
    std::size_t n = std::strlen(word);
    return std::strncmp(p, word, n) == 0 && !is_alnum(p[n]);
}

// Last step of json_iter_next: an element cannot start at a closing bracket, nor at the
// terminator (a text cut short ends the walk instead of yielding an empty element).
const char* settle(json_iter_t* it, const char* p)
{
    if (*p == '}' || *p == ']' || *p == '\0') return nullptr;
    it->pos = p;
    return p;
}

struct depth {
    int braces = 0;
    int brackets = 0;
};

// Scans over the current element up to the separator that follows it.
const char* scan_element(json_iter_t* it, const char* p)
{
    bool in_string = false;
    depth d;
    for (;; ++p) {
        char c = *p;
        if (c == '\0') {
            it->pos = p;  // parked at the terminator: further calls stay here
            return nullptr;
        }
        if (in_string) {
            // An escape skips the next character, but never the terminator.
            if (c == '\\' && p[1] != '\0') ++p;
            else if (c == '"') in_string = false;
            continue;
        }
        switch (c) {
        case '"': in_string = true; break;
        case '\\': return nullptr;
        case '{': ++d.braces; break;
        case '[': ++d.brackets; break;
        case '}':
        case ']': {
            int& level = c == '}' ? d.braces : d.brackets;
            if (level == 0) return nullptr;
            --level;
            if (d.braces == 0 && d.brackets == 0) {
                p = skip_space(p + 1);
                return *p == ',' ? settle(it, skip_space(p + 1)) : nullptr;
            }
            break;
        }
        case ',':
            if (d.braces == 0 && d.brackets == 0) return settle(it, skip_space(p + 1));
            break;
        default: break;
        }
    }
}

// Finds member `name` (name_len bytes) of the object walked by it; returns its value.
const char* find_member(json_iter_t* it, const char* name, std::size_t name_len)
{
    for (const char* e = json_iter_next(it); e != nullptr; e = json_iter_next(it)) {
        if (*e != '"') return nullptr;
        const char* key = e + 1;
        std::size_t i = 0;
        while (i < name_len && key[i] == name[i]) ++i;  // key[i] never matches past a '\0'
        if (i != name_len || key[i] != '"') continue;
        const char* p = skip_space(key + i + 1);
        if (*p != ':') return nullptr;
        p = skip_space(p + 1);
        return *p != '\0' ? p : nullptr;
    }
    return nullptr;
}

const char* find_index(json_iter_t* it, unsigned long index)
{
    unsigned long n = 0;
    for (const char* e = json_iter_next(it); e != nullptr; e = json_iter_next(it), ++n) {
        if (n == index) return e;
    }
    return nullptr;
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

json_type_t json_get_type(const char* pos)
{
    if (pos == nullptr) return JSON_TYPE_INVALID;
    char c = *pos;
    if (c == '{') return JSON_TYPE_OBJECT;
    if (c == '[') return JSON_TYPE_ARRAY;
    if (c == '"') return JSON_TYPE_STRING;
    if (c >= '0' && c <= '9') return JSON_TYPE_NUMBER;
    if (is_word(pos, "true") || is_word(pos, "false")) return JSON_TYPE_BOOLEAN;
    if (is_word(pos, "null")) return JSON_TYPE_NULL;
    return JSON_TYPE_INVALID;
}

bool json_iter_begin(json_iter_t* it, const char* value)
{
    json_type_t t = json_get_type(value);
    if (t != JSON_TYPE_OBJECT && t != JSON_TYPE_ARRAY) return false;
    const char* p = skip_space(value + 1);
    if (*p == '\0') return false;
    *it = json_iter_t{p, t, true};
    return true;
}

const char* json_iter_next(json_iter_t* it)
{
    if (it->first) {
        it->first = false;
        return *it->pos == ',' ? nullptr : settle(it, it->pos);
    }
    return scan_element(it, it->pos);
}

const char* json_lookup(const char* text, const char* path)
{
    if (text == nullptr || path == nullptr) return nullptr;
    if (is_separator(*path)) ++path;
    const char* cur = text;
    while (*path != '\0') {
        json_iter_t it;
        if (!json_iter_begin(&it, cur)) return nullptr;
        if (it.container == JSON_TYPE_ARRAY) {
            char* end = nullptr;
            unsigned long index = std::strtoul(path, &end, 0);
            path = end;
            cur = find_index(&it, index);
        } else {
            const char* name_end = path;
            while (*name_end != '\0' && !is_separator(*name_end)) ++name_end;
            cur = find_member(&it, path, static_cast<std::size_t>(name_end - path));
            path = name_end;
        }
        if (cur == nullptr) return nullptr;
        if (is_separator(*path)) ++path;
    }
    return cur;
}

namespace {

// Character an escape stands for; 0 for "u" (handled by the caller) or an unknown escape.
char unescape(char c)
{
    switch (c) {
    case '"': return '"';
    case '/': return '/';
    case '\\': return '\\';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
    }
}

struct sink {
    char* buffer;
    std::size_t size;
    std::size_t count;

    bool put(char c)
    {
        if (buffer != nullptr) {
            if (count >= size) return false;
            buffer[count] = c;
        }
        ++count;
        return true;
    }
};

}  // namespace

int json_get_string(const char* pos, char* buffer, std::size_t size)
{
    if (pos == nullptr || *pos != '"') return JSON_ERR_SYNTAX;
    sink out{buffer, size, 0};
    const char* p = pos + 1;
    // A string cut off by the end of the text is a syntax error: the terminator is never
    // stepped over, not by an escape and not by the four digits after "\u".
    while (*p != '"') {
        char c = *p;
        if (c == '\0') return JSON_ERR_SYNTAX;
        if (c != '\\') {
            if (!out.put(c)) return JSON_ERR_NO_ROOM;
            ++p;
            continue;
        }
        if (p[1] == 'u') {
            p += 2;
            for (int i = 0; i < 4; ++i, ++p) {
                if (*p == '\0') return JSON_ERR_SYNTAX;
                if (!out.put(*p)) return JSON_ERR_NO_ROOM;
            }
            continue;
        }
        char e = unescape(p[1]);
        if (e == 0) return JSON_ERR_SYNTAX;
        if (!out.put(e)) return JSON_ERR_NO_ROOM;
        p += 2;
    }
    if (!out.put('\0')) return JSON_ERR_NO_ROOM;
    return static_cast<int>(out.count);
}
