#include "linux/libc/libc_text.h"

#include <cstring>

namespace posix {

char* basename(char* path)
{
    static char dot[2];
    if (path == nullptr || path[0] == '\0') {
        dot[0] = '.';  // rewritten each time: a caller may have modified the shared record
        dot[1] = '\0';
        return dot;
    }
    std::size_t len = std::strlen(path);
    if (len > 1 && path[len - 1] == '/') path[len - 1] = '\0';
    char* slash = std::strrchr(path, '/');
    return slash != nullptr && slash[1] != '\0' ? slash + 1 : path;
}

const char* strerror(int) { return "unknown"; }

}  // namespace posix
