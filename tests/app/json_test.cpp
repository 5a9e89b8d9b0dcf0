#include "app/json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/app/guarded_text.h"

namespace {

// Offset of a lookup result inside the text, or -1 for none.
long lookup_at(const guarded_text& t, const char* path)
{
    const char* p = json_lookup(t.get(), path);
    if (p == nullptr) return -1;
    EXPECT_TRUE(t.holds(p));
    return p - t.get();
}

std::string string_at(const char* p)
{
    char buf[256];
    int n = json_get_string(p, buf, sizeof buf);
    return n > 0 ? std::string(buf) : "<" + std::to_string(n) + ">";
}

struct type_case {
    const char* text;
    json_type_t type;
};

TEST(JsonType, DecidedFromTheFirstCharacter)
{
    const type_case cases[] = {
        {"{}", JSON_TYPE_OBJECT},   {"[1]", JSON_TYPE_ARRAY},     {"\"s\"", JSON_TYPE_STRING},
        {"0", JSON_TYPE_NUMBER},    {"9.5e3", JSON_TYPE_NUMBER},  {"-1", JSON_TYPE_INVALID},
        {"true", JSON_TYPE_BOOLEAN}, {"false,", JSON_TYPE_BOOLEAN}, {"true1", JSON_TYPE_INVALID},
        {"falsey", JSON_TYPE_INVALID}, {"null}", JSON_TYPE_NULL},  {"nullx", JSON_TYPE_INVALID},
        {"tru", JSON_TYPE_INVALID},  {"", JSON_TYPE_INVALID},       {" {}", JSON_TYPE_INVALID},
    };
    for (const auto& c : cases) {
        guarded_text t(c.text);
        EXPECT_EQ(json_get_type(t.get()), c.type) << c.text;
    }
    EXPECT_EQ(json_get_type(nullptr), JSON_TYPE_INVALID);
}

constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123";  // 36 characters

TEST(JsonLookup, AccessTokenCopiedWithExactSize)
{
    std::string reply = std::string("{\"access_token\":\"") + kToken +
                        "\",\"token_type\":\"bearer\",\"expires_in\":1199}";
    guarded_text t(reply);
    const char* p = json_lookup(t.get(), "access_token");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p - t.get(), 16);  // the opening quote of the value
    char buf[37];
    EXPECT_EQ(json_get_string(p, buf, sizeof buf), 37);
    EXPECT_STREQ(buf, kToken);
    EXPECT_EQ(json_get_string(p, buf, 36), JSON_ERR_NO_ROOM);
    EXPECT_EQ(json_get_string(p, nullptr, 0), 37);
    EXPECT_EQ(string_at(json_lookup(t.get(), "token_type")), "bearer");
    EXPECT_EQ(json_get_type(json_lookup(t.get(), "expires_in")), JSON_TYPE_NUMBER);
}

struct lookup_case {
    const char* text;
    const char* path;
    long offset;  // -1: none
};

TEST(JsonLookup, PathsTable)
{
    const lookup_case cases[] = {
        {"{\"user_id\":\"42\"}", "user", -1},  // a prefix of a name is no match
        {"{\"user_id\":\"42\"}", "user_id", 11},
        {"{\"user_id\":\"42\"}", "user_idx", -1},
        {"{\"a\":{\"b\":1},\"b\":2}", "b", 17},  // the nested b is stepped over
        {"{\"a\":{\"b\":1},\"b\":2}", "a/b", 10},
        {"{\"x\\\"y\":1,\"z\":2}", "z", 14},      // escaped quote inside a key
        {"[10,{\"x\":\"y\"},30]", "1", 4},
        {"[10,{\"x\":\"y\"},30]", "1/x", 9},
        {"[10,{\"x\":\"y\"},30]", "/1\\x", 9},     // leading separator, backslash separator
        {"[10,{\"x\":\"y\"},30]", "0x2", 14},      // strtoul base 0: hexadecimal
        {"[10,{\"x\":\"y\"},30]", "3", -1},
        {"[10,{\"x\":\"y\"},30]", "", 0},          // empty path: the text itself
        {"{ \"k\" : \t[ 1 , 2 ] }", "k/1", 15},    // white space everywhere
        {"{\"k\" 1}", "k", -1},                    // no colon after the key
        {"{\"a\":[1,[2,3],{\"c\":4}],\"d\":5}", "d", 27},
        {"{}", "a", -1},
        {"[]", "0", -1},
        {"[,1]", "0", -1},                         // an element cannot start with a comma
        {"\"str\"", "a", -1},                      // a string is not a container
        {"{\"a\":1} ", "a", 5},
        {"{\"a\":\"}\",\"b\":\"{[\",\"c\":3}", "c", 22},  // brackets inside strings
    };
    for (const auto& c : cases) {
        guarded_text t(c.text);
        EXPECT_EQ(lookup_at(t, c.path), c.offset) << c.text << " @ " << c.path;
    }
}

TEST(JsonIter, WalksObjectMembersAndArrayElements)
{
    guarded_text obj("{\"a\":1, \"b\":[1,2] ,\"c\":{\"d\":null}}");
    json_iter_t it;
    ASSERT_TRUE(json_iter_begin(&it, obj.get()));
    std::vector<std::string> keys;
    for (const char* e = json_iter_next(&it); e != nullptr; e = json_iter_next(&it)) {
        keys.push_back(string_at(e));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "c"}));

    guarded_text arr("[ \"x\" , {\"y\":[]} , 7 ]");
    ASSERT_TRUE(json_iter_begin(&it, arr.get()));
    std::vector<json_type_t> kinds;
    for (const char* e = json_iter_next(&it); e != nullptr; e = json_iter_next(&it)) {
        kinds.push_back(json_get_type(e));
    }
    EXPECT_EQ(kinds, (std::vector<json_type_t>{JSON_TYPE_STRING, JSON_TYPE_OBJECT,
                                               JSON_TYPE_NUMBER}));

    guarded_text empty("[ ]");
    ASSERT_TRUE(json_iter_begin(&it, empty.get()));
    EXPECT_EQ(json_iter_next(&it), nullptr);
    guarded_text bare("[");
    EXPECT_FALSE(json_iter_begin(&it, bare.get()));
    EXPECT_FALSE(json_iter_begin(&it, "7"));
}

struct string_case {
    const char* text;
    int result;
    const char* copied;
};

TEST(JsonGetString, EscapesAndErrors)
{
    const string_case cases[] = {
        {"\"plain\"", 6, "plain"},
        {"\"\"", 1, ""},
        {"\"a\\\"b\"", 4, "a\"b"},
        {"\"\\/\\\\\\b\\f\\n\\r\\t\"", 8, "/\\\b\f\n\r\t"},
        {"\"x\\u0041y\"", 7, "x0041y"},  // the four digits stay as text
        {"\"bad\\q\"", JSON_ERR_SYNTAX, nullptr},
        {"plain", JSON_ERR_SYNTAX, nullptr},
        {"\"unterminated", JSON_ERR_SYNTAX, nullptr},
        {"\"ends in escape\\", JSON_ERR_SYNTAX, nullptr},
        {"\"short \\u12", JSON_ERR_SYNTAX, nullptr},
        {"\"\\u", JSON_ERR_SYNTAX, nullptr},
    };
    for (const auto& c : cases) {
        guarded_text t(c.text);
        char buf[64];
        EXPECT_EQ(json_get_string(t.get(), nullptr, 0), c.result) << c.text;
        EXPECT_EQ(json_get_string(t.get(), buf, sizeof buf), c.result) << c.text;
        if (c.copied != nullptr) {
            EXPECT_STREQ(buf, c.copied) << c.text;
            EXPECT_EQ(json_get_string(t.get(), buf, static_cast<std::size_t>(c.result) - 1),
                      JSON_ERR_NO_ROOM)
                << c.text;
        }
    }
    char one[1] = {'#'};
    EXPECT_EQ(json_get_string("\"x\"", one, 0), JSON_ERR_NO_ROOM);
    EXPECT_EQ(one[0], '#');
    EXPECT_EQ(json_get_string(nullptr, nullptr, 0), JSON_ERR_SYNTAX);
}

// Texts cut short or broken: no lookup may step over the terminator (the guarded buffer
// catches it) and none of them may yield a value that is not there.
TEST(JsonMalformed, TruncatedTextsYieldNothing)
{
    const lookup_case cases[] = {
        {"{\"a\":\"\\", "b", -1},       {"{\"a", "a", -1},
        {"[\"\\u12", "1", -1},          {"{\"a\":[1,2", "a/2", -1},
        {"[1,", "1", -1},               {"{\"a\":1,\"b\":", "b", -1},
        {"{\"a\":{\"b\":\"x\\", "c", -1}, {"{\"a\":", "a", -1},
        {"[{\"a\":1}", "1", -1},        {"{\"k\":\"v\\\\", "z", -1},
        {"{\\\"a\":1}", "a", -1},       {"[1 2]", "1", -1},
        {"{\"a\":{\"x\":1} \"b\":2}", "b", -1},
    };
    for (const auto& c : cases) {
        guarded_text t(c.text);
        EXPECT_EQ(lookup_at(t, c.path), c.offset) << c.text << " @ " << c.path;
    }
}

// A deterministic stand-in for a fuzzer: seeds plus byte mutations from a small alphabet,
// each run through lookup, iteration and string copying with consistency checks.
struct mutator {
    std::uint32_t state;
    std::uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

void exercise(const guarded_text& t)
{
    static const char* const paths[] = {"a", "0", "1/a", "a/0/b", "k", "", "2/x"};
    for (const char* path : paths) {
        const char* p = json_lookup(t.get(), path);
        if (p != nullptr) {
            ASSERT_TRUE(t.holds(p));
        }
    }
    json_iter_t it;
    if (json_iter_begin(&it, t.get())) {
        for (const char* e = json_iter_next(&it); e != nullptr; e = json_iter_next(&it)) {
            ASSERT_TRUE(t.holds(e));
            ASSERT_NE(*e, '\0');
        }
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char* p = t.get() + i;
        int need = json_get_string(p, nullptr, 0);
        if (need <= 0) continue;
        std::string buf(static_cast<std::size_t>(need), '#');
        ASSERT_EQ(json_get_string(p, buf.data(), buf.size()), need);
        ASSERT_EQ(std::strlen(buf.c_str()) + 1, static_cast<std::size_t>(need));
        ASSERT_EQ(json_get_string(p, buf.data(), buf.size() - 1), JSON_ERR_NO_ROOM);
    }
}

TEST(JsonFuzzReplay, SeedsAndMutationsStayInsideTheText)
{
    const std::string seeds[] = {
        "{\"a\":[{\"b\":\"x\\\"y\"},2],\"k\":\"\\u0041\"}",
        "[{\"a\":1},{\"a\":[true,false,null]},{\"x\":\"\\\\\"}]",
        "{\"access_token\":\"tok\",\"user_id\":\"12\"}",
        "[\"\\\"\",\"]\",\"}\",{}]",
    };
    const char alphabet[] = "{}[]\",:\\ u0a";
    mutator m{12345};
    for (const auto& seed : seeds) {
        for (std::size_t cut = 0; cut <= seed.size(); ++cut) {
            exercise(guarded_text(std::string_view(seed).substr(0, cut)));
        }
        for (int round = 0; round < 300; ++round) {
            std::string s = seed;
            int edits = 1 + static_cast<int>(m.next() % 3);
            for (int e = 0; e < edits && !s.empty(); ++e) {
                std::size_t at = m.next() % s.size();
                char c = alphabet[m.next() % (sizeof alphabet - 1)];
                switch (m.next() % 3) {
                case 0: s[at] = c; break;
                case 1: s.erase(at, 1); break;
                default: s.insert(at, 1, c); break;
                }
            }
            exercise(guarded_text(s));
            if (HasFatalFailure()) {
                ADD_FAILURE() << "input: " << s;
                return;
            }
        }
    }
}

}  // namespace
