#include "linux/libc/getopt.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "linux/libc/diag.h"

namespace posix {

namespace {

getopt_state g_builtin{};
getopt_state g_scratch{};
getopt_state_source g_source = nullptr;

getopt_state& state_or_scratch()
{
    getopt_state* st = getopt_ctx();
    return st != nullptr ? *st : g_scratch;
}

void complain(const getopt_state& st, bool quiet, const char* what, int c)
{
    if (st.opterr == 0 || quiet) return;
    char text[64];
    std::snprintf(text, sizeof text, "%s -- %c", what, c);
    libc_warn(text);
}

void next_argument(getopt_state& st)
{
    ++st.optind;
    st.optpos = 0;
}

// Moves to the next argument when needed. Returns 0 when an option character is ready at
// argv[optind][optpos], else the value getopt must return.
int start_argument(getopt_state& st, int argc, char* const argv[], bool in_order)
{
    if (st.optreset == 0 && st.optpos > 0 && st.optind < argc && argv[st.optind] != nullptr &&
        static_cast<std::size_t>(st.optpos) < std::strlen(argv[st.optind])) {
        return 0;
    }
    st.optreset = 0;
    st.optpos = 0;
    if (st.optind >= argc || argv[st.optind] == nullptr) return -1;
    const char* arg = argv[st.optind];
    if (arg[0] != '-' || arg[1] == '\0') {
        if (!in_order) return -1;
        st.optarg = argv[st.optind];
        next_argument(st);
        return 1;
    }
    if (arg[1] == '-' && arg[2] == '\0') {
        next_argument(st);
        return -1;
    }
    st.optpos = 1;
    return 0;
}

}  // namespace

void getopt_state_init(void* data) { new (data) getopt_state{}; }

void getopt_bind(getopt_state_source source) { g_source = source; }

getopt_state* getopt_ctx() { return g_source != nullptr ? g_source() : &g_builtin; }

int getopt_r(getopt_state& st, int argc, char* const argv[], const char* options)
{
    if (st.optind <= 0) {
        st.optind = 1;
        st.optreset = 1;
    }
    const char* opts = options != nullptr ? options : "";
    bool in_order = *opts == '-';
    if (*opts == '-' || *opts == '+') ++opts;
    bool quiet = *opts == ':';

    int ready = start_argument(st, argc, argv, in_order);
    if (ready != 0) return ready;

    const char* arg = argv[st.optind];
    int c = static_cast<unsigned char>(arg[st.optpos++]);
    bool at_end = arg[st.optpos] == '\0';
    const char* entry = c == ':' ? nullptr : std::strchr(opts, c);
    if (entry == nullptr) {
        st.optopt = c;
        if (at_end) next_argument(st);
        complain(st, quiet, "unknown option", c);
        return '?';
    }
    if (entry[1] != ':') {
        if (at_end) next_argument(st);
        return c;
    }
    if (!at_end) {
        st.optarg = const_cast<char*>(arg + st.optpos);
        next_argument(st);
        return c;
    }
    next_argument(st);
    if (entry[2] == ':') {
        st.optarg = nullptr;
        return c;
    }
    if (st.optind >= argc || argv[st.optind] == nullptr) {
        st.optopt = c;
        complain(st, quiet, "option requires an argument", c);
        return quiet ? ':' : '?';
    }
    st.optarg = argv[st.optind];
    next_argument(st);
    return c;
}

int getopt(int argc, char* const argv[], const char* options)
{
    getopt_state* st = getopt_ctx();
    return st != nullptr ? getopt_r(*st, argc, argv, options) : -1;
}

char*& optarg() { return state_or_scratch().optarg; }
int& opterr() { return state_or_scratch().opterr; }
int& optind() { return state_or_scratch().optind; }
int& optopt() { return state_or_scratch().optopt; }
int& optreset() { return state_or_scratch().optreset; }

}  // namespace posix
