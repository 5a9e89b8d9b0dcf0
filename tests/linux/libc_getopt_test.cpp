#include "linux/libc/getopt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "linux/libc/diag.h"

namespace {

std::string g_warnings;

void capture_warning(const char* text) { g_warnings += text; }

class GetoptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_warnings.clear();
        posix::libc_set_diag({nullptr, capture_warning});
    }
    void TearDown() override
    {
        posix::libc_set_diag({});
        posix::getopt_bind(nullptr);
    }
};

// Owns writable copies of the arguments, as a process's argv is.
struct args {
    std::vector<std::string> text;
    std::vector<char*> ptrs;

    args(std::initializer_list<const char*> list) : text(list.begin(), list.end())
    {
        for (auto& s : text) ptrs.push_back(s.data());
        ptrs.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(text.size()); }
    char* const* argv() { return ptrs.data(); }
};

// One getopt result rendered as text: "a", "b=x" (with optarg), "?x"/":x" (with optopt),
// "1=x" for an in-order operand, "-1@3" for the end with optind.
std::string step(posix::getopt_state& st, args& a, const char* options)
{
    st.optarg = nullptr;
    int r = posix::getopt_r(st, a.argc(), a.argv(), options);
    if (r == -1) return "-1@" + std::to_string(st.optind);
    if (r == '?' || r == ':') return std::string(1, static_cast<char>(r)) + static_cast<char>(st.optopt);
    std::string out = r == 1 ? "1" : std::string(1, static_cast<char>(r));
    if (st.optarg != nullptr) out += "=" + std::string(st.optarg);
    return out;
}

struct getopt_case {
    const char* options;
    std::initializer_list<const char*> argv;
    std::vector<std::string> expected;
    const char* warnings;
};

TEST_F(GetoptTest, ScenariosTable)
{
    const getopt_case cases[] = {
        {"ab:", {"cmd", "-a", "-b", "x", "y"}, {"a", "b=x", "-1@4"}, ""},  // optind at y
        {"ab:", {"cmd", "-abx", "y"}, {"a", "b=x", "-1@2"}, ""},
        {"ab:", {"cmd", "-ba", "-a"}, {"b=a", "a", "-1@3"}, ""},
        {"ab", {"cmd", "-ab", "--", "-a"}, {"a", "b", "-1@3"}, ""},
        {"ab", {"cmd", "-", "-a"}, {"-1@1"}, ""},             // a lone "-" is an operand
        {"ab", {"cmd"}, {"-1@1"}, ""},
        {"a", {"cmd", "-x", "-a"}, {"?x", "a", "-1@3"}, "unknown option -- x"},
        {"a", {"cmd", "-ax"}, {"a", "?x", "-1@2"}, "unknown option -- x"},
        {"b:", {"cmd", "-b"}, {"?b", "-1@2"}, "option requires an argument -- b"},
        {":b:", {"cmd", "-b"}, {":b", "-1@2"}, ""},          // leading ":" silences
        {":a", {"cmd", "-z"}, {"?z", "-1@2"}, ""},
        {"a:", {"cmd", "-:"}, {"?:", "-1@2"}, "unknown option -- :"},  // ":" is never an option
        {"c::", {"cmd", "-cv", "-c", "w"}, {"c=v", "c", "-1@3"}, ""},   // optional argument
        {"-ab:", {"cmd", "x", "-a", "y", "-bz"}, {"1=x", "a", "1=y", "b=z", "-1@5"}, ""},
        {"+a", {"cmd", "-a", "x", "-a"}, {"a", "-1@2"}, ""},
        {"-:b:", {"cmd", "-b"}, {":b", "-1@2"}, ""},
        {"t:b:", {"cmd", "-t", "winfs", "-b", "0x200", "dev", "dir"}, {"t=winfs", "b=0x200", "-1@5"}, ""},
    };
    for (const auto& c : cases) {
        g_warnings.clear();
        posix::getopt_state st{};
        args a(c.argv);
        std::vector<std::string> got;
        for (std::size_t i = 0; i < c.expected.size(); ++i) got.push_back(step(st, a, c.options));
        EXPECT_EQ(got, c.expected) << c.options;
        EXPECT_EQ(g_warnings, c.warnings) << c.options;
    }
}

TEST_F(GetoptTest, OpterrZeroSilencesMessages)
{
    posix::getopt_state st{};
    st.opterr = 0;
    args a{"cmd", "-q", "-b"};
    EXPECT_EQ(step(st, a, "b:"), "?q");
    EXPECT_EQ(step(st, a, "b:"), "?b");
    EXPECT_EQ(g_warnings, "");
}

TEST_F(GetoptTest, OptindZeroRestartsScanning)
{
    posix::getopt_state st{};
    args a{"cmd", "-ab"};
    EXPECT_EQ(step(st, a, "ab"), "a");
    st.optind = 0;  // restart in the middle of "-ab"
    EXPECT_EQ(step(st, a, "ab"), "a");
    EXPECT_EQ(step(st, a, "ab"), "b");
    EXPECT_EQ(step(st, a, "ab"), "-1@2");
    EXPECT_EQ(st.optreset, 0);
}

// A state left in the middle of a grouped argument must not step past the end of a new,
// shorter argument vector (the environment keeps the state across exec).
TEST_F(GetoptTest, StaleStateMeetsShorterArguments)
{
    posix::getopt_state st{};
    args first{"cmd", "-abc"};
    EXPECT_EQ(step(st, first, "abc"), "a");
    args second{"cmd", "-c"};
    EXPECT_EQ(step(st, second, "abc"), "c");
    EXPECT_EQ(step(st, second, "abc"), "-1@2");
}

posix::getopt_state g_process_a{};
posix::getopt_state g_process_b{};
posix::getopt_state* g_current = nullptr;

posix::getopt_state* current_state() { return g_current; }

TEST_F(GetoptTest, BoundStateGivesEachProcessItsOwnScan)
{
    g_process_a = {};
    g_process_b = {};
    posix::getopt_bind(current_state);
    args a{"cmd", "-xy"};
    args b{"cmd", "-z", "-x"};

    g_current = &g_process_a;
    EXPECT_EQ(posix::getopt(a.argc(), a.argv(), "xyz"), 'x');
    g_current = &g_process_b;
    EXPECT_EQ(posix::optind(), 1);
    EXPECT_EQ(posix::getopt(b.argc(), b.argv(), "xyz"), 'z');
    g_current = &g_process_a;
    EXPECT_EQ(posix::getopt(a.argc(), a.argv(), "xyz"), 'y');  // resumes inside "-xy"
    EXPECT_EQ(posix::optind(), 2);
    g_current = &g_process_b;
    EXPECT_EQ(posix::getopt(b.argc(), b.argv(), "xyz"), 'x');
    EXPECT_EQ(posix::optind(), 3);

    g_current = nullptr;  // the per-process storage could not be provided
    EXPECT_EQ(posix::getopt(b.argc(), b.argv(), "xyz"), -1);
    posix::optind() = 5;  // accessors still refer to something writable
}

TEST_F(GetoptTest, AccessorsReachTheBuiltInStateWhenUnbound)
{
    posix::getopt_bind(nullptr);
    posix::optind() = 1;
    posix::optreset() = 1;
    args a{"cmd", "-k", "v"};
    EXPECT_EQ(posix::getopt(a.argc(), a.argv(), "k:"), 'k');
    ASSERT_NE(posix::optarg(), nullptr);
    EXPECT_STREQ(posix::optarg(), "v");
    EXPECT_EQ(posix::optind(), 3);
    EXPECT_EQ(posix::getopt_ctx()->optind, 3);
}

TEST(GetoptStateInit, FillsTheInitialValues)
{
    alignas(posix::getopt_state) unsigned char block[sizeof(posix::getopt_state)];
    std::memset(block, 0xA5, sizeof block);
    posix::getopt_state_init(block);
    const auto* st = reinterpret_cast<const posix::getopt_state*>(block);
    EXPECT_EQ(st->optarg, nullptr);
    EXPECT_EQ(st->opterr, 1);
    EXPECT_EQ(st->optind, 1);
    EXPECT_EQ(st->optopt, '?');
    EXPECT_EQ(st->optreset, 0);
    EXPECT_EQ(st->optpos, 0);
}

}  // namespace
