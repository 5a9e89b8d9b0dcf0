// Command-line parsing of the environment's shell: the line is cut up in place (as the
// executor's buffer is), split into at most four "|"-joined commands, each split into
// words whose quotes are removed and whose $NAME / ${NAME} are expanded. Pure: variables
// come from a lookup callback, expanded words from a caller-given allocator, messages go
// to a print callback. Never blocks. Failures return negative values after printing the
// shell's message (an over-long line and an empty command fail silently).
//
// Grammar notes: a "|" always separates commands, even inside quotes; an unterminated quote
// runs to the end of the word; a command name is used exactly as typed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "linux/libc/allocator.h"

inline constexpr std::size_t KIV_SH_LINE_MAX = 511;  // characters in one line
inline constexpr int KIV_SH_MAX_COMMANDS = 4;         // commands in one pipeline
inline constexpr int KIV_SH_MAX_ARGS = 32;            // argv entries, the name included

inline constexpr int KIV_SH_ERR_FAIL = -1;        // the line or command cannot be started
inline constexpr int KIV_SH_ERR_TOO_LONG = -12;   // line over the given limit (no message)

struct kiv_linux_sh_env_t {
    void* ctx;
    // Value of the variable `name` (len bytes, not terminated) in the environment of the
    // process running the line; null when it is not set.
    const char* (*lookup)(void* ctx, const char* name, std::size_t len);
    void (*print)(void* ctx, const char* text);  // one whole message; null drops it
    posix::allocator alloc;                      // holds the expanded words
};

struct kiv_linux_sh_line_t {
    char* commands[KIV_SH_MAX_COMMANDS];  // each command's text, cut in place
    int count;
    bool background;  // the line ended in "&"
};

// Removes trailing white space and one final "&" (background), then splits at every "|".
// 0; KIV_SH_ERR_TOO_LONG when the line has more than max_length characters; KIV_SH_ERR_FAIL
// after printing "too many commands in one line (at most 4)\r\n" for a fifth command.
int kiv_linux_sh_split_line(char* line, std::size_t max_length, const kiv_linux_sh_env_t* env,
                            kiv_linux_sh_line_t* out);

// Next word from *cursor (null when none is left). The white space after the word is
// overwritten with zero bytes and *cursor moves to the next non-blank character.
char* kiv_linux_sh_next_word(char** cursor);

// Quote removal and expansion of one word (everything but the command name). Without any
// "$" the parts are joined in place and *result is the word itself; otherwise *result is a
// new block from env->alloc (*allocated = true). 0, or KIV_SH_ERR_FAIL after printing
// "fail to parse argument %s\r\n" (with the failing part) or "fail to allocate buffer to
// parse argument %s\r\n".
int kiv_linux_sh_expand_word(char* word, const kiv_linux_sh_env_t* env, char** result,
                             bool* allocated);

// $NAME / ${NAME} expansion of `len` bytes of `part`: writes at most `cap` bytes to out (may
// be null to measure) and returns the full length, or -1 for an empty name or a "${" whose
// name is not closed by "}". Prints nothing.
long kiv_linux_sh_expand_vars(const char* part, std::size_t len, const kiv_linux_sh_env_t* env,
                              char* out, std::size_t cap);

// Receives one command's pieces in the executor's order. An allocated text belongs to the
// callee from then on (release it with env->alloc), even when the callee returns -1.
// Returning -1 fails the command; nothing further is parsed.
struct kiv_linux_sh_visitor_t {
    void* ctx;
    int (*assignment)(void* ctx, char* text, bool allocated);  // expanded NAME=value
    int (*name)(void* ctx, const char* name);                  // as typed; "" when missing
    int (*argument)(void* ctx, char* text, bool allocated);    // expanded argv[1..31]
};

// Parses one command's text in place: leading words holding "=" are assignments, the next
// word is the name, then at most 31 arguments (later words are ignored, not expanded).
// 0, or KIV_SH_ERR_FAIL for an empty command (silently), an expansion failure (message
// printed) or a visitor's refusal.
int kiv_linux_sh_parse_command(char* text, const kiv_linux_sh_env_t* env,
                               const kiv_linux_sh_visitor_t* visitor);

// Whole-line convenience on host containers, for tools and tests: every command parsed,
// nothing looked up. status is 0 or the first failure; messages holds what was printed.
struct kiv_linux_sh_command_t {
    std::vector<std::string> assignments;
    std::string name;
    std::vector<std::string> args;  // argv[1..]
};

struct kiv_linux_sh_parsed_t {
    int status = 0;
    bool background = false;
    std::vector<kiv_linux_sh_command_t> commands;
    std::string messages;
};

using kiv_linux_sh_lookup_fn = std::function<const char*(std::string_view name)>;

kiv_linux_sh_parsed_t kiv_linux_sh_parse_line(std::string_view line,
                                              const kiv_linux_sh_lookup_fn& lookup,
                                              std::size_t max_length = KIV_SH_LINE_MAX);
