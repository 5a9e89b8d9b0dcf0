// Descriptor tables, descriptions, readiness events, poll and the generic descriptor calls.
#include "linux/fd.h"

#include <cstring>

namespace {

kiv_linux_fd_t* fd_of_node(kiv_list_node_t* n) { return KIV_CONTAINER_OF(n, kiv_linux_fd_t, fd_node); }
kiv_linux_process_t* or_current(kiv_linux_process_t* p) { return p ? p : kiv_linux_get_cur_process(); }

bool bit_used(const kiv_linux_process_t* p, int n) { return p->fd_bitmap[n / 32] & (1u << (n % 32)); }
void set_bit(kiv_linux_process_t* p, int n, bool on) {
  if (on) p->fd_bitmap[n / 32] |= 1u << (n % 32); else p->fd_bitmap[n / 32] &= ~(1u << (n % 32));
}

int lowest_free(const kiv_linux_process_t* p) {
  for (int n = 0; n < KIV_LINUX_MAX_FDS; ++n)
    if (!bit_used(p, n)) return n;
  return -1;
}

uint16_t consume(kiv_linux_fd_priv_t* priv, uint16_t got) {
  priv->pending_events &= static_cast<uint16_t>(~got | priv->sticky_events);
  return got;
}

}  // namespace

// ---- table ------------------------------------------------------------------------------------

int kiv_linux_fd_create(kiv_linux_process_t* process, kiv_linux_fd_t** out, const kiv_linux_fd_op_t* op, int number,
                        kiv_linux_fd_priv_t* shared) {
  kiv_linux_process_t* p = or_current(process);
  if (out) *out = nullptr;
  if (!p || number >= KIV_LINUX_MAX_FDS) return -1;
  if (number >= 0 && bit_used(p, number)) return -1;
  if (number < 0 && (number = lowest_free(p)) < 0) return -1;
  auto* fd = static_cast<kiv_linux_fd_t*>(kiv_linux_calloc_p(p, 1, sizeof(kiv_linux_fd_t)));
  if (!fd) return -1;
  fd->op = op;
  if (shared) {
    shared->refcount++;
    fd->priv = shared;
  } else {
    int size = op->priv_size ? op->priv_size : static_cast<int>(sizeof(kiv_linux_fd_priv_t));
    fd->priv = static_cast<kiv_linux_fd_priv_t*>(kiv_linux_calloc_p(&kiv_linux_root, 1, size));
    if (!fd->priv) {
      kiv_linux_free_p(p, fd);
      return -1;
    }
    fd->priv->refcount = 1;
  }
  fd->fd = number;
  set_bit(p, number, true);
  p->fds.append(&fd->fd_node);
  if (out) *out = fd;
  return number;
}

kiv_linux_fd_t* kiv_linux_fd_find(kiv_linux_process_t* process, int number) {
  kiv_linux_process_t* p = or_current(process);
  if (!p || number < 0 || number >= KIV_LINUX_MAX_FDS || !bit_used(p, number)) return nullptr;
  for (kiv_list_node_t* n = p->fds.first; n; n = n->next)
    if (fd_of_node(n)->fd == number) return fd_of_node(n);
  return nullptr;
}

kiv_linux_fd_t* kiv_linux_fd_get(int number) { return kiv_linux_fd_find(nullptr, number); }

void kiv_linux_fd_free(kiv_linux_process_t* process, int number) {
  kiv_linux_process_t* p = or_current(process);
  kiv_linux_fd_t* fd = kiv_linux_fd_find(p, number);
  if (!fd) return;
  p->fds.remove(&fd->fd_node);
  set_bit(p, number, false);
  kiv_linux_free_p(p, fd);
}

int kiv_linux_fd_close(kiv_linux_process_t* process, int number) {
  kiv_linux_process_t* p = or_current(process);
  kiv_linux_fd_t* fd = kiv_linux_fd_find(p, number);
  if (!fd) return -1;
  int result = 0;
  if (--fd->priv->refcount == 0) {
    if (fd->op->close) result = fd->op->close(fd);
    kiv_linux_free_p(&kiv_linux_root, fd->priv);
  }
  kiv_linux_fd_free(p, number);
  return result;
}

void kiv_linux_fd_close_all(kiv_linux_process_t* p) {
  while (kiv_linux_fd_t* fd = fd_of_node(p->fds.first)) kiv_linux_fd_close(p, fd->fd);
}

void kiv_linux_fd_inherit_std(kiv_linux_process_t* p, kiv_linux_process_t* source) {
  bool created[3] = {};
  for (int n = 0; n < 3; ++n) {
    if (kiv_linux_fd_find(p, n)) continue;
    kiv_linux_fd_t* from = kiv_linux_fd_find(source, n);
    if (from) created[n] = kiv_linux_fd_create(p, nullptr, from->op, n, from->priv) == n;
  }
  // Console input notifications reach descriptor 2's description, which forwards them.
  if (created[0] && created[2]) kiv_linux_fd_find(p, 2)->priv->link = kiv_linux_fd_find(p, 0)->priv;
}

// ---- readiness --------------------------------------------------------------------------------

void kiv_linux_fd_set_pending(kiv_linux_fd_priv_t* priv, uint16_t events) {
  priv->pending_events |= events;
  if (!priv->trigger) return;
  uint16_t got = events & priv->wait_events;
  priv->got_events = got;
  consume(priv, got);
  if (got) {
    kiv_linux_trigger_t* waiter = priv->trigger;
    priv->trigger = nullptr;
    kiv_linux_trigger_signal(waiter);
  }
}

void kiv_linux_fd_set_level(kiv_linux_fd_priv_t* priv, uint16_t events) {
  auto fresh = static_cast<uint16_t>(events & ~priv->level_events);
  priv->level_events |= events;
  if (fresh) kiv_linux_fd_set_pending(priv, fresh);
}

void kiv_linux_fd_clear_level(kiv_linux_fd_priv_t* priv, uint16_t events) {
  priv->pending_events &= static_cast<uint16_t>(~events | priv->sticky_events);
  priv->level_events &= static_cast<uint16_t>(~events);
}

void kiv_linux_fd_notify(kiv_linux_fd_priv_t* priv, uint16_t events, bool set) {
  if (priv->on_event) priv->on_event(priv, 0, events, set);
  else if (set) kiv_linux_fd_set_level(priv, events);
  else kiv_linux_fd_clear_level(priv, events);
}

uint16_t kiv_linux_fd_wait_events(kiv_linux_fd_priv_t* priv, uint16_t events, kiv_linux_trigger_t* waiter) {
  if (uint16_t ready = priv->pending_events & events) return consume(priv, ready);
  priv->trigger = waiter;
  priv->wait_events = events;
  priv->got_events = 0;
  if (kiv_linux_trigger_wait(waiter, -1) != 0) {
    priv->trigger = nullptr;
    return 0;
  }
  uint16_t got = priv->got_events;
  priv->got_events = 0;
  return got;
}

// ---- generic descriptor calls -----------------------------------------------------------------

int posix::close(int fd) { return kiv_linux_fd_close(nullptr, fd); }

int posix::read(int fd, void* buffer, int count) {
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  if (!d || (d->priv->flags & KIV_O_WRONLY) || !d->op->read) return -1;
  return d->op->read(d, buffer, count);
}

int posix::write(int fd, const void* buffer, int count) {
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  if (!d || !d->op->write) return -1;
  return d->op->write(d, buffer, count);
}

int posix::fcntl(int fd, int command, int argument) {
  kiv_linux_fd_t* d = kiv_linux_fd_get(fd);
  if (!d) return -1;
  auto tell_class = [d](int cmd, int arg) { return d->op->fcntl ? d->op->fcntl(d, cmd, arg) : 0; };
  switch (command) {
    case KIV_F_DUPFD:
      return kiv_linux_fd_create(nullptr, nullptr, d->op, argument < 0 ? -1 : argument, d->priv);
    case KIV_F_GETFD:
      return d->fd_flags;
    case KIV_F_SETFD: {
      int old = d->fd_flags;
      d->fd_flags = argument;
      return tell_class(KIV_F_SETFD, old ^ argument);
    }
    case KIV_F_GETFL:
      return d->priv->flags;
    case KIV_F_SETFL: {
      int old = d->priv->flags;
      d->priv->flags = argument;
      return tell_class(KIV_F_SETFL, old ^ argument);
    }
    default:
      return tell_class(command, argument);
  }
}

int posix::poll(pollfd* fds, int count, int timeout_ms) {
  int64_t timeout = timeout_ms < 0 ? -1 : static_cast<int64_t>(kiv_systimer_ms_to_tick(static_cast<uint32_t>(timeout_ms)));
  kiv_linux_trigger_t waiter;
  kiv_linux_trigger_init(&waiter);
  for (;;) {
    int ready = 0;
    for (int i = 0; i < count; ++i) {
      fds[i].revents = 0;
      kiv_linux_fd_t* d = kiv_linux_fd_get(fds[i].fd);
      if (!d) continue;
      kiv_linux_fd_priv_t* p = d->priv;
      auto got = static_cast<uint16_t>(static_cast<uint16_t>(fds[i].events) & p->pending_events);
      if (!got) continue;
      fds[i].revents = static_cast<short>(got);
      // A consumed event whose condition is still true stays pending.
      p->pending_events = static_cast<uint16_t>((p->pending_events & (~got | p->sticky_events)) | (got & p->level_events));
      ready++;
    }
    if (ready > 0) return ready;
    if (timeout == 0) return 0;
    for (int i = 0; i < count; ++i) {
      kiv_linux_fd_t* d = kiv_linux_fd_get(fds[i].fd);
      if (!d) continue;
      d->priv->wait_events = static_cast<uint16_t>(fds[i].events);
      if (!d->priv->trigger) d->priv->trigger = &waiter;
    }
    bool timed_out = kiv_linux_trigger_wait(&waiter, timeout) != 0;
    for (int i = 0; i < count; ++i) {
      kiv_linux_fd_t* d = kiv_linux_fd_get(fds[i].fd);
      if (!d) continue;
      if (d->priv->trigger == &waiter) d->priv->trigger = nullptr;
      d->priv->pending_events |= d->priv->got_events;
      d->priv->got_events = 0;
    }
    if (timed_out) return 0;
  }
}
