#include "linux/shell_parse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;

const std::map<std::string, std::string, std::less<>> kEnv = {
    {"USER", "alice"}, {"EMPTY", ""}, {"V", "a b"}, {"PATH", "/bin"}, {"1abc", "digit"}};

const char* env_lookup(std::string_view name)
{
    auto it = kEnv.find(name);
    return it != kEnv.end() ? it->second.c_str() : nullptr;
}

struct expect_command {
    strings assignments;
    std::string name;
    strings args;
};

struct line_case {
    const char* line;
    std::vector<expect_command> commands;
    bool background;
};

TEST(ShellParse, WordsQuotesAndExpansion)
{
    const line_case cases[] = {
        {"echo a b", {{{}, "echo", {"a", "b"}}}, false},
        {"echo 'a b'", {{{}, "echo", {"a b"}}}, false},
        {"echo \"x${HOME}y\"", {{{}, "echo", {"xy"}}}, false},
        {"echo x$USER.y", {{{}, "echo", {"xalice.y"}}}, false},
        {"echo '$USER'", {{{}, "echo", {"$USER"}}}, false},
        {"echo \"$USER\"'$USER'$USER", {{{}, "echo", {"alice$USERalice"}}}, false},
        {"echo ab\"c d\"e", {{{}, "echo", {"abc de"}}}, false},
        {"echo \"open quote  x", {{{}, "echo", {"open quote  x"}}}, false},
        {"echo a'b", {{{}, "echo", {"ab"}}}, false},
        {"echo $V $EMPTY", {{{}, "echo", {"a b", ""}}}, false},  // no splitting of values
        {"echo ${USER}x $1abc", {{{}, "echo", {"alicex", "digit"}}}, false},
        {"echo \"\" ''", {{{}, "echo", {"", ""}}}, false},
        {"\techo\ta \r\n", {{{}, "echo", {"a"}}}, false},
        {"FOO=bar export", {{{"FOO=bar"}, "export", {}}}, false},
        {"A=1 B=\"x y\" cmd arg", {{{"A=1", "B=x y"}, "cmd", {"arg"}}}, false},
        {"A=$USER cmd $A", {{{"A=alice"}, "cmd", {""}}}, false},  // the runner's environment
        {"cmd a=b", {{{}, "cmd", {"a=b"}}}, false},
        {"\"ls\" 'x'", {{{}, "\"ls\"", {"x"}}}, false},           // the name stays as typed
        {"A=1", {{{"A=1"}, "", {}}}, false},
        {"ls -l | grep x |wc", {{{}, "ls", {"-l"}}, {{}, "grep", {"x"}}, {{}, "wc", {}}}, false},
        {"a|b|c|d", {{{}, "a", {}}, {{}, "b", {}}, {{}, "c", {}}, {{}, "d", {}}}, false},
        {"echo \"a|b\"", {{{}, "echo", {"a"}}, {{}, "b\"", {}}}, false},  // "|" always splits
        {"sleep 5 &", {{{}, "sleep", {"5"}}}, true},
        {"a&", {{{}, "a", {}}}, true},
        {"a && ", {{{}, "a", {"&"}}}, true},
        {"a & b", {{{}, "a", {"&", "b"}}}, false},
    };
    for (const auto& c : cases) {
        kiv_linux_sh_parsed_t r = kiv_linux_sh_parse_line(c.line, env_lookup);
        ASSERT_EQ(r.status, 0) << c.line << ": " << r.messages;
        EXPECT_EQ(r.messages, "") << c.line;
        EXPECT_EQ(r.background, c.background) << c.line;
        ASSERT_EQ(r.commands.size(), c.commands.size()) << c.line;
        for (std::size_t i = 0; i < c.commands.size(); ++i) {
            EXPECT_EQ(r.commands[i].assignments, c.commands[i].assignments) << c.line;
            EXPECT_EQ(r.commands[i].name, c.commands[i].name) << c.line;
            EXPECT_EQ(r.commands[i].args, c.commands[i].args) << c.line;
        }
    }
}

struct error_case {
    std::string line;
    int status;
    const char* messages;
};

TEST(ShellParse, FailuresAndTheirMessages)
{
    const error_case cases[] = {
        {"echo $", KIV_SH_ERR_FAIL, "fail to parse argument $\r\n"},
        {"echo a $ b", KIV_SH_ERR_FAIL, "fail to parse argument $\r\n"},
        {"echo ${", KIV_SH_ERR_FAIL, "fail to parse argument ${\r\n"},
        {"echo ${}", KIV_SH_ERR_FAIL, "fail to parse argument ${}\r\n"},
        {"echo ${USER", KIV_SH_ERR_FAIL, "fail to parse argument ${USER\r\n"},
        {"echo ${USER-x}", KIV_SH_ERR_FAIL, "fail to parse argument ${USER-x}\r\n"},
        {"echo x\"a$\"y", KIV_SH_ERR_FAIL, "fail to parse argument a$\r\n"},  // the part only
        {"echo $-x", KIV_SH_ERR_FAIL, "fail to parse argument $-x\r\n"},
        {"X=$ echo", KIV_SH_ERR_FAIL, "fail to parse argument X=$\r\n"},
        {"ok | echo $", KIV_SH_ERR_FAIL, "fail to parse argument $\r\n"},
        {"a|b|c|d|e", KIV_SH_ERR_FAIL, "too many commands in one line (at most 4)\r\n"},
        {"a|b|c|d|", KIV_SH_ERR_FAIL, "too many commands in one line (at most 4)\r\n"},
        {"", KIV_SH_ERR_FAIL, ""},         // an empty command fails silently
        {" \t ", KIV_SH_ERR_FAIL, ""},
        {"&", KIV_SH_ERR_FAIL, ""},
        {"a | | b", KIV_SH_ERR_FAIL, ""},
        {"| a", KIV_SH_ERR_FAIL, ""},
        {std::string(512, 'x'), KIV_SH_ERR_TOO_LONG, ""},
        {"echo " + std::string(507, 'y'), KIV_SH_ERR_TOO_LONG, ""},
    };
    for (const auto& c : cases) {
        kiv_linux_sh_parsed_t r = kiv_linux_sh_parse_line(c.line, env_lookup);
        EXPECT_EQ(r.status, c.status) << c.line;
        EXPECT_EQ(r.messages, c.messages) << c.line;
    }
    EXPECT_EQ(kiv_linux_sh_parse_line(std::string(511, 'x'), env_lookup).status, 0);
    EXPECT_EQ(kiv_linux_sh_parse_line(std::string(600, 'x'), env_lookup, 1000).status, 0);
}

TEST(ShellParse, ArgumentsStopAtThirtyTwoEntries)
{
    std::string line = "cmd";
    for (int i = 1; i <= 40; ++i) line += " w" + std::to_string(i);
    line += " $";  // beyond the limit: never expanded, so no error either
    kiv_linux_sh_parsed_t r = kiv_linux_sh_parse_line(line, env_lookup);
    ASSERT_EQ(r.status, 0) << r.messages;
    ASSERT_EQ(r.commands[0].args.size(), 31u);
    EXPECT_EQ(r.commands[0].args.back(), "w31");
}

// The executor's buffer after parsing holds the text up to the end of its first word,
// which is what the shell shows in "fail to execute %s".
TEST(ShellParseInPlace, BufferIsCutAsTheShellShowsIt)
{
    struct cut_case {
        const char* line;
        const char* first_word;
    };
    const cut_case cases[] = {
        {"  foo bar | baz &", "  foo"}, {"a|b", "a"}, {"   ", ""}, {"x=1 y", "x=1"},
        {"x='1 2' y", "x=1 2"},  // an assignment without "$" is joined in place
    };
    for (const auto& c : cases) {
        std::string buf = c.line;
        kiv_linux_sh_env_t env{nullptr, nullptr, nullptr, {}};
        kiv_linux_sh_line_t split{};
        ASSERT_EQ(kiv_linux_sh_split_line(buf.data(), KIV_SH_LINE_MAX, &env, &split), 0);
        kiv_linux_sh_visitor_t v{nullptr, [](void*, char*, bool) { return 0; },
                                 [](void*, const char*) { return -1; },  // "not found"
                                 [](void*, char*, bool) { return 0; }};
        kiv_linux_sh_parse_command(split.commands[0], &env, &v);
        EXPECT_STREQ(buf.c_str(), c.first_word) << c.line;
    }
}

struct recording_heap {
    int allocations = 0;
    int live = 0;
    bool fail = false;
    static void* alloc(void* ctx, std::size_t size)
    {
        auto* h = static_cast<recording_heap*>(ctx);
        if (h->fail) return nullptr;
        ++h->allocations;
        ++h->live;
        return std::malloc(size);
    }
    static void release(void* ctx, void* block)
    {
        if (block != nullptr) --static_cast<recording_heap*>(ctx)->live;
        std::free(block);
    }
};

struct printer {
    std::string text;
    static void print(void* ctx, const char* t) { static_cast<printer*>(ctx)->text += t; }
};

const char* lookup_user(void*, const char* name, std::size_t len)
{
    return std::string_view(name, len) == "USER" ? "alice" : nullptr;
}

TEST(ShellParseInPlace, ExpandWordInPlaceOrAllocated)
{
    recording_heap heap;
    printer out;
    kiv_linux_sh_env_t env{&out, lookup_user, printer::print,
                           {&heap, recording_heap::alloc, nullptr, recording_heap::release}};
    env.ctx = &out;
    char plain[] = "a'b c'\"d\"e";
    char* result = nullptr;
    bool allocated = true;
    ASSERT_EQ(kiv_linux_sh_expand_word(plain, &env, &result, &allocated), 0);
    EXPECT_EQ(result, plain);
    EXPECT_FALSE(allocated);
    EXPECT_STREQ(result, "ab cde");
    EXPECT_EQ(heap.allocations, 0);

    char dollar[] = "<$USER>'$x'";
    ASSERT_EQ(kiv_linux_sh_expand_word(dollar, &env, &result, &allocated), 0);
    EXPECT_TRUE(allocated);
    EXPECT_STREQ(result, "<alice>$x");
    recording_heap::release(&heap, result);
    EXPECT_EQ(heap.live, 0);

    heap.fail = true;
    char again[] = "x$USER";
    EXPECT_EQ(kiv_linux_sh_expand_word(again, &env, &result, &allocated), KIV_SH_ERR_FAIL);
    EXPECT_EQ(out.text, "fail to allocate buffer to parse argument x$USER\r\n");
    EXPECT_EQ(result, nullptr);
}

TEST(ShellParseInPlace, ExpandVarsMeasuresAndBoundsItsOutput)
{
    kiv_linux_sh_env_t env{nullptr, lookup_user, nullptr, {}};
    const char part[] = "[$USER]";
    EXPECT_EQ(kiv_linux_sh_expand_vars(part, 7, &env, nullptr, 0), 7);
    char out[6];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(kiv_linux_sh_expand_vars(part, 7, &env, out, 4), 7);
    EXPECT_EQ(std::string(out, 6), "[ali##");
    EXPECT_EQ(kiv_linux_sh_expand_vars("$USER", 3, &env, nullptr, 0), 0);  // "$US" is unset
    EXPECT_EQ(kiv_linux_sh_expand_vars("${USER}", 6, &env, nullptr, 0), -1);  // cut before "}"
}

struct visit_log {
    strings seen;
    recording_heap* heap;
    int refuse_at = -1;
};

int log_piece(visit_log* log, const std::string& what, char* text, bool allocated)
{
    log->seen.push_back(what + text);
    if (allocated) recording_heap::release(log->heap, text);
    return static_cast<int>(log->seen.size()) - 1 == log->refuse_at ? -1 : 0;
}

TEST(ShellParseInPlace, VisitorOrderAndRefusal)
{
    recording_heap heap;
    kiv_linux_sh_env_t env{nullptr, lookup_user, nullptr,
                           {&heap, recording_heap::alloc, nullptr, recording_heap::release}};
    const kiv_linux_sh_visitor_t v{
        nullptr,
        [](void* ctx, char* t, bool a) { return log_piece(static_cast<visit_log*>(ctx), "=", t, a); },
        [](void* ctx, const char* n) {
            return log_piece(static_cast<visit_log*>(ctx), "name:", const_cast<char*>(n), false);
        },
        [](void* ctx, char* t, bool a) { return log_piece(static_cast<visit_log*>(ctx), "arg:", t, a); }};
    for (int refuse : {-1, 0, 1, 2}) {
        visit_log log{{}, &heap, refuse};
        kiv_linux_sh_visitor_t bound = v;
        bound.ctx = &log;
        char text[] = " U=$USER run $USER x ";
        int rc = kiv_linux_sh_parse_command(text, &env, &bound);
        strings all = {"=U=alice", "name:run", "arg:alice", "arg:x"};
        strings expected(all.begin(), refuse < 0 ? all.end() : all.begin() + refuse + 1);
        EXPECT_EQ(rc, refuse < 0 ? 0 : KIV_SH_ERR_FAIL);
        EXPECT_EQ(log.seen, expected) << refuse;
        EXPECT_EQ(heap.live, 0) << refuse;
    }
}

// Fuzz-style replay: mutated lines in exact-size heap buffers (the sanitizer build reports
// any read past the terminator); in-place results must lie inside the buffer and every
// allocated word must be handed over exactly once.
struct fuzz_ctx {
    const char* begin;
    const char* end;
    recording_heap* heap;
    bool bad = false;
};

int fuzz_piece(void* ctx, char* text, bool allocated)
{
    auto* f = static_cast<fuzz_ctx*>(ctx);
    if (!allocated && (text < f->begin || text + std::strlen(text) >= f->end)) f->bad = true;
    if (allocated) recording_heap::release(f->heap, text);
    return 0;
}

TEST(ShellParseFuzzReplay, MutatedLinesStayInBounds)
{
    const std::string seeds[] = {
        "A=\"$USER x\" echo '$V' ${USER}|cat -n &",
        "echo \"a|b\" 'c'\"d\"$EMPTY | wc",
        "X=${1abc}y cmd $ ${} ${USER",
    };
    const char alphabet[] = "'\"${}|&= aU_1\t";
    std::uint32_t state = 4242;
    recording_heap heap;
    auto rnd = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (const auto& seed : seeds) {
        for (int round = 0; round < 400; ++round) {
            std::string s = seed;
            for (int e = 0; e < 1 + static_cast<int>(rnd() % 4) && !s.empty(); ++e) {
                std::size_t at = rnd() % s.size();
                char c = alphabet[rnd() % (sizeof alphabet - 1)];
                if (rnd() % 2 == 0) s[at] = c;
                else s.insert(at, 1, c);
            }
            auto buf = std::make_unique<char[]>(s.size() + 1);
            std::memcpy(buf.get(), s.c_str(), s.size() + 1);
            fuzz_ctx f{buf.get(), buf.get() + s.size() + 1, &heap};
            kiv_linux_sh_env_t env{nullptr, lookup_user, nullptr,
                                   {&heap, recording_heap::alloc, nullptr, recording_heap::release}};
            kiv_linux_sh_line_t split{};
            if (kiv_linux_sh_split_line(buf.get(), KIV_SH_LINE_MAX, &env, &split) == 0) {
                kiv_linux_sh_visitor_t v{&f, fuzz_piece, [](void*, const char*) { return 0; },
                                         fuzz_piece};
                for (int i = 0; i < split.count; ++i) {
                    kiv_linux_sh_parse_command(split.commands[i], &env, &v);
                }
            }
            ASSERT_FALSE(f.bad) << s;
            ASSERT_EQ(heap.live, 0) << s;
            kiv_linux_sh_parsed_t r = kiv_linux_sh_parse_line(s, env_lookup);
            if (r.status == 0) {
                ASSERT_EQ(r.messages, "") << s;
                ASSERT_GE(r.commands.size(), 1u) << s;
                ASSERT_LE(r.commands.size(), 4u) << s;
            }
        }
    }
}

}  // namespace
