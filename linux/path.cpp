// Path resolution against the working directory: joins, then folds "/.." and "/." away.
#include <cstring>

#include "linux/fd.h"

int kiv_linux_generate_path(char* out, int size, const char* base, const char* path) {
  if (!base) {
    kiv_linux_process_t* p = kiv_linux_get_cur_process();
    base = p && p->cwd ? p->cwd : "/";
  }
  auto path_len = static_cast<int>(std::strlen(path));
  if (path[0] == '/') {
    if (path_len >= size) return -KIV_ENOMEM;
    std::memcpy(out, path, static_cast<std::size_t>(path_len) + 1);
  } else {
    auto base_len = static_cast<int>(std::strlen(base));
    bool slash = base_len > 0 && base[base_len - 1] == '/';
    if (base_len + path_len + 1 >= size) return -KIV_ENOMEM;
    std::memcpy(out, base, static_cast<std::size_t>(base_len));
    int at = base_len;
    if (!slash) out[at++] = '/';
    std::memcpy(out + at, path, static_cast<std::size_t>(path_len) + 1);
  }
  while (char* up = std::strstr(out, "/..")) {
    char* rest = up + 3;
    *up = '\0';
    char* last = std::strrchr(out, '/');
    if (!last) return -KIV_ENOENT;
    std::memmove(last, rest, std::strlen(rest) + 1);
  }
  while (char* dot = std::strstr(out, "/./")) std::memmove(dot, dot + 2, std::strlen(dot + 2) + 1);
  std::size_t len = std::strlen(out);
  if (len > 1 && out[len - 2] == '/' && out[len - 1] == '.') out[len - 2] = '\0';
  return 0;
}
