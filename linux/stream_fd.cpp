// Stream-backed descriptors: the console descriptors 0..2 with echo and terminal settings, and
// pipes over buffer-list streams. Reads block until data (or end of data), writes until room.
#include <cstring>

#include "linux/fd.h"

namespace {

struct pipe_priv {
  kiv_linux_fd_priv_t head;
  uint8_t own_stream;
  kiv_linux_fd_priv_t* peer;
};
pipe_priv* ppriv(kiv_linux_fd_priv_t* p) { return reinterpret_cast<pipe_priv*>(p); }

kiv_stream_t* in_stream(kiv_linux_fd_t* fd) { return static_cast<kiv_stream_t*>(fd->priv->target); }
kiv_stream_t* out_stream(kiv_linux_fd_t* fd) { return static_cast<kiv_stream_t*>(fd->priv->target2); }

uint8_t echo_state = 0;  // where the echo is inside an escape sequence; shared by everyone
constexpr uint32_t termios_echo = 0x8;
constexpr int termios_vmin = 6;

// Echo of console input: printable bytes as typed, erase as "\b \b", escape sequences not at all.
void echo(const uint8_t* bytes, int n) {
  kiv_linux_fd_t* out = kiv_linux_fd_get(1);
  if (!out || !out->op->write) return;
  for (int i = 0; i < n; ++i) {
    uint8_t b = bytes[i];
    if (echo_state == 'O') {
      echo_state = 0;
      continue;
    }
    if (echo_state == '[') {
      if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '~') echo_state = 0;
      continue;
    }
    if (echo_state == 0x1B) {
      if (b == '[' || b == 'O') {
        echo_state = b;
        continue;
      }
      echo_state = 0;
    }
    if (b == 0x08 || b == 0x7F) out->op->write(out, "\b \b", 3);
    else if (b == 0x1B) echo_state = 0x1B;
    else out->op->write(out, &b, 1);
  }
}

uint16_t wait_for(kiv_linux_fd_priv_t* p, uint16_t events) {
  kiv_linux_trigger_t waiter;
  kiv_linux_trigger_init(&waiter);
  return kiv_linux_fd_wait_events(p, events, &waiter);
}

int stream_read(kiv_linux_fd_t* fd, void* buffer, int count) {
  kiv_linux_fd_priv_t* p = fd->priv;
  kiv_stream_t* s = in_stream(fd);
  if (!s) return -1;
  int done = 0;
  if (count > 0) {
    if (!(p->level_events & KIV_POLLIN) && kiv_stream_get_data_size(s) == 0) {
      kiv_linux_process_t* proc = kiv_linux_get_cur_process();
      if (p->flags & KIV_O_NONBLOCK) return 0;
      if (fd->fd <= 2 && proc && proc->termios[fd->fd].c_cc[termios_vmin] == 0) return 0;
      if (!kiv_stream_is_tx_connected(s)) return 0;
      if (!wait_for(p, KIV_POLLIN)) return -1;
    }
    done = kiv_stream_read(s, buffer, count);
    kiv_linux_process_t* proc = kiv_linux_get_cur_process();
    if (done > 0 && fd->fd == 0 && kiv_linux_is_console(0) && proc && (proc->termios[0].c_lflag & termios_echo))
      echo(static_cast<const uint8_t*>(buffer), done);
  }
  if (kiv_stream_get_data_size(s) > 0) kiv_linux_fd_set_pending(p, KIV_POLLIN);
  else kiv_linux_fd_notify(p, KIV_POLLIN, false);
  return done;
}

int stream_write(kiv_linux_fd_t* fd, const void* buffer, int count) {
  kiv_linux_fd_priv_t* p = fd->priv;
  auto* bytes = static_cast<const uint8_t*>(buffer);
  int done = 0;
  while (done < count) {
    kiv_stream_t* s = out_stream(fd);
    if (!s) return -1;  // the reading end is gone
    if (!(p->level_events & KIV_POLLOUT) && !wait_for(p, KIV_POLLOUT)) return -1;
    s = out_stream(fd);
    if (!s) return -1;
    int room = kiv_stream_get_free_size(s);
    int chunk = count - done;
    if (room >= 0 && room < chunk) chunk = room;
    int n = chunk > 0 ? kiv_stream_write(s, bytes + done, chunk) : 0;
    if (n <= 0) {
      kiv_linux_fd_notify(p, KIV_POLLOUT, false);
      continue;
    }
    done += n;
  }
  kiv_stream_t* s = out_stream(fd);
  if (s && kiv_stream_get_free_size(s) != 0) kiv_linux_fd_set_pending(p, KIV_POLLOUT);
  else kiv_linux_fd_notify(p, KIV_POLLOUT, false);
  return count;
}

void disconnect(kiv_linux_fd_t* fd) {
  if (kiv_linux_is_shell_stdio(fd->fd)) return;
  if (kiv_stream_t* s = in_stream(fd)) kiv_stream_disconnect_rx(s);
  if (kiv_stream_t* s = out_stream(fd)) kiv_stream_disconnect_tx(s);
}

int console_close(kiv_linux_fd_t* fd) {
  disconnect(fd);
  return 0;
}

int pipe_close(kiv_linux_fd_t* fd) {
  pipe_priv* p = ppriv(fd->priv);
  bool read_end = fd->op == &kiv_linux_pipe_rx_op;
  kiv_stream_t* s = in_stream(fd);
  if (read_end && s) kiv_stream_read(s, nullptr, kiv_stream_get_data_size(s));
  disconnect(fd);
  if (!read_end && p->peer) {
    // End of data stays visible to every later read and poll. Raise it too: when the reader
    // still had the readable level from unread data, the disconnect above raised nothing.
    p->peer->sticky_events = KIV_POLLIN;
    kiv_linux_fd_set_pending(p->peer, KIV_POLLIN);
    ppriv(p->peer)->peer = nullptr;
  }
  if (read_end) {
    if (p->peer) {
      if (p->own_stream) p->peer->target2 = nullptr;
      ppriv(p->peer)->peer = nullptr;
    }
    if (p->own_stream && s) {
      kiv_stream_fini(s);
      kiv_linux_free_p(&kiv_linux_root, s);
    }
  }
  return 0;
}

int pipe_rx_eof(kiv_linux_fd_t* fd) { return !in_stream(fd) || !kiv_stream_is_tx_connected(in_stream(fd)); }
int pipe_tx_eof(kiv_linux_fd_t* fd) { return !out_stream(fd) || !kiv_stream_is_rx_connected(out_stream(fd)); }
int no_fcntl(kiv_linux_fd_t*, int, int) { return 0; }

bool shares_std(kiv_linux_process_t* owner, int number) {
  kiv_linux_fd_t* mine = kiv_linux_fd_get(number);
  if (!mine || !owner) return false;
  for (int n = 0; n < 3; ++n) {
    kiv_linux_fd_t* theirs = kiv_linux_fd_find(owner, n);
    if (theirs && theirs->priv == mine->priv) return true;
  }
  return false;
}

}  // namespace

const kiv_linux_fd_op_t kiv_linux_console_op{.priv_size = 0, .fcntl = no_fcntl, .read = stream_read,
                                             .write = stream_write, .close = console_close, .eof = nullptr};
const kiv_linux_fd_op_t kiv_linux_pipe_rx_op{.priv_size = sizeof(pipe_priv), .fcntl = no_fcntl, .read = stream_read,
                                             .write = nullptr, .close = pipe_close, .eof = pipe_rx_eof};
const kiv_linux_fd_op_t kiv_linux_pipe_tx_op{.priv_size = sizeof(pipe_priv), .fcntl = no_fcntl, .read = nullptr,
                                             .write = stream_write, .close = pipe_close, .eof = pipe_tx_eof};

void kiv_linux_stream_event(kiv_stream_t* stream, void* param, kiv_stream_evt_t evt) {
  auto* p = static_cast<kiv_linux_fd_priv_t*>(param);
  if (evt == KIV_STREAM_ON_IN) kiv_linux_fd_notify(p, KIV_POLLIN, true);
  else if (evt == KIV_STREAM_ON_OUT) kiv_linux_fd_notify(p, KIV_POLLOUT, true);
  else if (evt == KIV_STREAM_ON_DISCONNECT)
    kiv_linux_fd_notify(p, (stream == p->target2 && stream != p->target) ? KIV_POLLOUT : KIV_POLLIN, true);
}

void kiv_linux_fd_bind_reader(kiv_linux_fd_priv_t* priv, kiv_stream_t* stream) {
  stream->rx.param = priv;
  stream->rx.evthandler = kiv_linux_stream_event;
  kiv_stream_connect_rx(stream);
  if (kiv_stream_get_data_size(stream) > 0) kiv_linux_fd_set_level(priv, KIV_POLLIN);
}

void kiv_linux_fd_bind_writer(kiv_linux_fd_priv_t* priv, kiv_stream_t* stream) {
  stream->tx.param = priv;
  stream->tx.evthandler = kiv_linux_stream_event;
  kiv_stream_connect_tx(stream);
  if (kiv_stream_get_free_size(stream) != 0) kiv_linux_fd_set_level(priv, KIV_POLLOUT);
}

void kiv_linux_console_err_event(kiv_linux_fd_priv_t* priv, int, uint16_t events, bool set) {
  if (set) kiv_linux_fd_set_level(priv, events);
  else kiv_linux_fd_clear_level(priv, events);
  if ((events & KIV_POLLIN) && priv->link) kiv_linux_fd_notify(priv->link, events, set);
}

int kiv_linux_console_init(kiv_stream_t* input, kiv_stream_t* output, kiv_stream_t* error) {
  kiv_linux_fd_t *in = nullptr, *out = nullptr, *err = nullptr;
  if (kiv_linux_fd_create(&kiv_linux_root, &in, &kiv_linux_console_op, 0, nullptr) != 0 ||
      kiv_linux_fd_create(&kiv_linux_root, &out, &kiv_linux_console_op, 1, nullptr) != 1 ||
      kiv_linux_fd_create(&kiv_linux_root, &err, &kiv_linux_console_op, 2, nullptr) != 2)
    return -1;
  in->priv->flags = KIV_O_RDONLY;
  in->priv->target = input;
  out->priv->flags = KIV_O_WRONLY;
  out->priv->target2 = output;
  err->priv->flags = 0;
  err->priv->target = input;
  err->priv->target2 = error;
  err->priv->on_event = kiv_linux_console_err_event;
  kiv_linux_fd_bind_reader(in->priv, input);
  kiv_linux_fd_bind_writer(out->priv, output);
  kiv_linux_fd_bind_reader(err->priv, input);
  kiv_linux_fd_bind_writer(err->priv, error);
  return 0;
}

bool kiv_linux_is_console(int number) { return shares_std(&kiv_linux_root, number); }

bool kiv_linux_is_shell_stdio(int number) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  return p && shares_std(p->shell, number);
}

kiv_linux_fd_t* kiv_linux_pipe_rx_create(kiv_stream_t* stream) {
  kiv_linux_fd_t* fd = nullptr;
  if (kiv_linux_fd_create(nullptr, &fd, &kiv_linux_pipe_rx_op, -1, nullptr) < 0) return nullptr;
  if (!stream) {
    auto* b = static_cast<kiv_block_stream_t*>(kiv_linux_calloc_p(&kiv_linux_root, 1, sizeof(kiv_block_stream_t)));
    if (!b) {
      kiv_linux_fd_close(nullptr, fd->fd);
      return nullptr;
    }
    b->stream.op = &kiv_block_stream_op;
    b->limit = -1;
    b->max_count = 0xFFFFFFFFu;
    kiv_stream_init(&b->stream);
    stream = &b->stream;
    ppriv(fd->priv)->own_stream = 1;
  }
  fd->priv->target = stream;
  kiv_linux_fd_bind_reader(fd->priv, stream);
  return fd;
}

kiv_linux_fd_t* kiv_linux_pipe_tx_create(kiv_linux_fd_priv_t* rx) {
  kiv_linux_fd_t* fd = nullptr;
  if (kiv_linux_fd_create(nullptr, &fd, &kiv_linux_pipe_tx_op, -1, nullptr) < 0) return nullptr;
  auto* stream = static_cast<kiv_stream_t*>(rx->target);
  fd->priv->target2 = stream;
  kiv_linux_fd_bind_writer(fd->priv, stream);
  ppriv(fd->priv)->peer = rx;
  ppriv(rx)->peer = fd->priv;
  return fd;
}

int posix::pipe(int fds[2]) {
  kiv_linux_fd_t* rx = kiv_linux_pipe_rx_create(nullptr);
  if (!rx) return -1;
  kiv_linux_fd_t* tx = kiv_linux_pipe_tx_create(rx->priv);
  if (!tx) {
    kiv_linux_fd_close(nullptr, rx->fd);
    return -1;
  }
  fds[0] = rx->fd;
  fds[1] = tx->fd;
  return 0;
}

int posix::tcgetattr(int fd, kiv_linux_termios_t* settings) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  if (fd < 0 || fd > 2 || !settings || !p) return -1;
  *settings = p->termios[fd];
  return 0;
}

int posix::tcsetattr(int fd, int, const kiv_linux_termios_t* settings) {
  kiv_linux_process_t* p = kiv_linux_get_cur_process();
  if (fd < 0 || fd > 2 || !settings || !p) return -1;
  p->termios[fd] = *settings;
  return 0;
}
