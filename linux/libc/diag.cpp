#include "linux/libc/diag.h"

namespace posix {

namespace {
libc_diag g_diag{};
}

void libc_set_diag(const libc_diag& hooks) { g_diag = hooks; }

void libc_trace(int level, const char* text)
{
    if (g_diag.trace != nullptr) {
        g_diag.trace(level, text);
    }
}

void libc_warn(const char* text)
{
    if (g_diag.warn != nullptr) {
        g_diag.warn(text);
    }
}

}  // namespace posix
