// The command-line executor, system, and the interactive shell.
#include "linux/shell.h"

#include <climits>
#include <cstring>

#include "linux/exec.h"
#include "linux/libc/env_table.h"
#include "linux/shell_parse.h"
#include "linux/stdio.h"

namespace {

using entry_fn = int (*)(int, char**);

// Variables come from the process running the line; messages go to its standard output.
kiv_linux_sh_env_t shell_env(kiv_linux_process_t* target) {
  return kiv_linux_sh_env_t{
      .ctx = nullptr,
      .lookup = [](void*, const char* name, std::size_t len) -> const char* {
        kiv_linux_process_t* p = kiv_linux_get_cur_process();
        return p ? posix::env_table_get_n(p->environ, name, len) : nullptr;
      },
      .print = [](void*, const char* text) { posix::fputs(text, posix::stdout_file()); },
      .alloc = kiv_linux_heap_allocator(target)};
}

struct spawn_ctx {
  kiv_linux_process_t* child;
};

int on_assignment(void* ctx, char* text, bool allocated) {
  kiv_linux_process_t* child = static_cast<spawn_ctx*>(ctx)->child;
  posix::allocator heap = kiv_linux_heap_allocator(child);
  if (allocated) {
    if (posix::env_table_put(child->environ, text, heap) == 0) return 0;
    kiv_linux_free_p(child, text);
  } else if (posix::env_table_put_copy(child->environ, text, heap) == 0) {
    return 0;
  }
  kiv_trace(KIV_TRACE_ERROR, "spawn: failed to dup env %s\r\n", text);
  return -1;
}

int on_name(void* ctx, const char* name) {
  kiv_linux_process_t* child = static_cast<spawn_ctx*>(ctx)->child;
  entry_fn entry = nullptr;
  int fd = name[0] != '/' ? kiv_linux_find_in_path(name, &entry) : -1;
  if (fd < 0) fd = kiv_linux_find_command(name, &entry);
  if (fd < 0) {
    posix::printf("%s not found\r\n", name);
    posix::errno_ref() = KIV_ENOENT;
    return -1;
  }
  posix::close(fd);
  child->argv[0] = kiv_linux_strdup_p(child, name);
  if (!child->argv[0]) return -1;
  child->argc = 1;
  child->argv_owned = 1;
  child->main = entry;
  return 0;
}

int on_argument(void* ctx, char* text, bool allocated) {
  kiv_linux_process_t* child = static_cast<spawn_ctx*>(ctx)->child;
  char* copy = allocated ? text : kiv_linux_strdup_p(child, text);
  if (!copy) return -1;
  child->argv[child->argc++] = copy;
  return 0;
}

// Gives `child` a descriptor `number` sharing the description behind the caller's `fd`.
bool connect(kiv_linux_process_t* child, int number, int fd) {
  if (fd < 0) return true;
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  return d && kiv_linux_fd_create(child, nullptr, d->op, number, d->priv) == number;
}

void destroy_built(kiv_linux_process_t** built, int count) {
  for (int i = 0; i < count; ++i) {
    kiv_linux_process_detach(built[i]);
    kiv_linux_process_destroy(built[i]);
  }
}

}  // namespace

kiv_linux_process_t* kiv_linux_spawn_command(char* text, int input_fd, int output_fd) {
  kiv_linux_process_t* child = kiv_linux_process_create(0);
  if (!child) return nullptr;
  spawn_ctx ctx{child};
  kiv_linux_sh_env_t env = shell_env(child);
  kiv_linux_sh_visitor_t visitor{.ctx = &ctx, .assignment = on_assignment, .name = on_name, .argument = on_argument};
  bool ok = kiv_linux_sh_parse_command(text, &env, &visitor) == 0 && child->main && connect(child, 0, input_fd) &&
            connect(child, 1, output_fd);
  if (!ok) {
    kiv_linux_process_detach(child);
    kiv_linux_process_destroy(child);
    return nullptr;
  }
  return child;
}

int kiv_linux_run_line(char* line) {
  kiv_linux_process_t* self = kiv_linux_get_cur_process();
  if (!self) return -1;
  kiv_linux_sh_env_t env = shell_env(self);
  kiv_linux_sh_line_t parsed{};
  if (kiv_linux_sh_split_line(line, SIZE_MAX, &env, &parsed) != 0) return -1;
  kiv_linux_process_t* built[KIV_SH_MAX_COMMANDS] = {};
  int previous_read = -1;
  for (int i = 0; i < parsed.count; ++i) {
    bool last = i == parsed.count - 1;
    int fds[2] = {-1, -1};
    if (!last && posix::pipe(fds) != 0) {
      if (previous_read >= 0) posix::close(previous_read);
      destroy_built(built, i);
      return -1;
    }
    built[i] = kiv_linux_spawn_command(parsed.commands[i], previous_read, fds[1]);
    if (fds[1] >= 0) posix::close(fds[1]);
    if (previous_read >= 0) posix::close(previous_read);
    previous_read = fds[0];
    if (!built[i]) {
      if (previous_read >= 0) posix::close(previous_read);
      destroy_built(built, i);
      return -1;
    }
  }
  if (parsed.background) {
    for (int i = 0; i < parsed.count; ++i) kiv_linux_process_detach(built[i]);
    for (int i = 0; i < parsed.count; ++i) kiv_linux_process_start(built[i]);
    kiv_thread_yield();
    return 0;
  }
  int pids[KIV_SH_MAX_COMMANDS];
  for (int i = 0; i < parsed.count; ++i) {
    pids[i] = built[i]->pid;
    kiv_linux_process_start(built[i]);
  }
  int status = 0;
  for (int i = 0; i < parsed.count; ++i) posix::waitpid(pids[i], &status, 0);
  return status;
}

int posix::system(const char* line) {
  char* copy = kiv_linux_strdup_p(nullptr, line);
  if (!copy) return -1;
  int r = kiv_linux_run_line(copy);
  kiv_linux_free_p(nullptr, copy);
  return r;
}

int kiv_linux_find_command(const char* path, entry_fn* entry) {
  int fd = posix::open(path, 0);
  if (fd < 0) return -1;
  uint32_t attr = 0;
  void* data = nullptr;
  if (kiv_linux_fs_get_attr(fd, &attr) == 0 && (attr & KIV_FILE_ATTR_EXECUTE) && !(attr & KIV_FILE_ATTR_DIRECTORY) &&
      kiv_linux_fs_get_data(fd, &data) == 0 && data) {
    *entry = reinterpret_cast<entry_fn>(data);
    return fd;
  }
  posix::close(fd);
  return -1;
}

int kiv_linux_find_in_path(const char* name, entry_fn* entry) {
  const char* path = posix::getenv("PATH");
  if (!path || !*path) return -1;
  while (*path) {
    const char* end = std::strchr(path, ':');
    std::size_t len = end ? static_cast<std::size_t>(end - path) : std::strlen(path);
    char dir[255], joined[KIV_LINUX_PATH_MAX];
    if (len > 0 && len < sizeof dir) {
      std::memcpy(dir, path, len);
      dir[len] = '\0';
      if (kiv_linux_generate_path(joined, 255, dir, name) == 0) {
        int fd = kiv_linux_find_command(joined, entry);
        if (fd >= 0) return fd;
      }
    }
    path += len;
    if (*path == ':') ++path;
  }
  return -1;
}

// ---- the interactive shell ------------------------------------------------------------------------

namespace {

constexpr int line_max = 511;
constexpr int history_size = 10;

struct shell_state {
  char line[line_max + 1];
  int length = 0;
  int escape = 0;  // bytes collected after an ESC; 0: none
  char* history[history_size] = {};
  int count = 0, next = 0, cursor = 0;
};

void put(const char* text, int n) { posix::write(1, text, n); }

void show_history_entry(shell_state& s, int entry) {
  for (int i = 0; i < s.length; ++i) put("\b \b", 3);
  std::strcpy(s.line, s.history[entry]);
  s.length = static_cast<int>(std::strlen(s.line));
  s.cursor = entry;
  put(s.line, s.length);
}

void remember(shell_state& s) {
  char* copy = kiv_linux_strdup_p(nullptr, s.line);
  if (!copy) return;
  if (s.count < history_size) ++s.count;
  kiv_linux_free_p(nullptr, s.history[s.next]);
  s.history[s.next] = copy;
  s.next = (s.next + 1) % history_size;
  s.cursor = s.next;
}

void run_typed_line(shell_state& s) {
  if (kiv_linux_is_console(0)) put("\n", 1);
  s.line[s.length] = '\0';
  if (s.length > 0) {
    remember(s);
    if (kiv_linux_run_line(s.line) < 0) posix::printf("fail to execute %s\r\n", s.line);
  }
}

// One byte inside an escape sequence; returns false when the line overflows.
bool escape_byte(shell_state& s, char c) {
  if (s.length + s.escape >= line_max) return false;
  if (c == 0x1B) {
    s.escape = 1;
    return true;
  }
  char first = s.escape > 1 ? s.line[s.length + 1] : c;
  s.line[s.length + s.escape++] = c;
  if (s.escape == 2 && first != 'O' && first != '[') {
    s.line[s.length++] = c;  // an ordinary character after all
    s.escape = 0;
    return true;
  }
  bool done = (first == 'O' && s.escape == 3) ||
              (first == '[' && s.escape > 2 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '~'));
  if (!done) return true;
  if (first == '[' && s.escape == 3 && s.count > 0 && (c == 'A' || c == 'B')) {
    int entry = c == 'A' ? (s.cursor != 0 ? s.cursor : s.count) - 1 : (s.cursor < s.count - 1 ? s.cursor + 1 : 0);
    s.escape = 0;
    show_history_entry(s, entry);
    return true;
  }
  s.escape = 0;
  return true;
}

int interactive(shell_state& s) {
  for (;;) {
    s.length = 0;
    s.escape = 0;
    posix::printf(">>>");
    for (bool ran = false; !ran;) {
      char c;
      if (posix::read(0, &c, 1) != 1) {
        if (posix::errno_ref() == KIV_EINTR) return -1;
        if (kiv_linux_is_console(0)) posix::fputs("fail to read from stdin, is stdin disconnected?\r\n", posix::stderr_file());
        return -1;
      }
      if (s.escape) {
        if (!escape_byte(s, c)) return -KIV_ENOMEM;
      } else if (c == 0x08 || c == 0x7F) {
        if (s.length) --s.length;
      } else if (c == '\n') {
      } else if (c == '\r') {
        run_typed_line(s);
        ran = true;
      } else if (c == 0x1B) {
        s.escape = 1;
        s.line[s.length] = c;
      } else {
        if (s.length >= line_max) return -KIV_ENOMEM;
        s.line[s.length++] = c;
      }
    }
  }
}

}  // namespace

int sh_main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "-c") == 0) {
    if (std::strlen(argv[2]) > line_max) return -KIV_ENOMEM;
    return posix::system(argv[2]);
  }
  const char* path = posix::getenv("PATH");
  posix::printf("\x1b[1;37mKIV Linux\r\npath: %s\r\n", path ? path : "(null)");
  auto* s = static_cast<shell_state*>(kiv_linux_calloc_p(nullptr, 1, sizeof(shell_state)));
  if (!s) return -1;
  *s = shell_state{};
  int r = interactive(*s);
  for (char* h : s->history) kiv_linux_free_p(nullptr, h);
  kiv_linux_free_p(nullptr, s);
  return r;
}
