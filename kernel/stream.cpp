// Stream core (terminals, thresholds, connection) and the four stream classes.
#include "kernel/stream.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "kernel/heap.h"
#include "kernel/host/arch.h"

namespace {

void notify(kiv_stream_t* s, kiv_stream_terminal_t& t, kiv_stream_evt_t evt) {
  if (t.evthandler) t.evthandler(s, t.param, evt);
}

void check_after_write(kiv_stream_t* s) {
  s->tx.data_notified = 0;
  kiv_stream_terminal_t& rx = s->rx;
  if (rx.ready && !rx.data_notified && rx.evthandler &&
      static_cast<uint32_t>(s->op->get_data_length(s)) >= rx.threshold) {
    rx.data_notified = 1;
    rx.evthandler(s, rx.param, KIV_STREAM_ON_IN);
  }
}

void check_after_read(kiv_stream_t* s) {
  s->rx.data_notified = 0;
  kiv_stream_terminal_t& tx = s->tx;
  if (!tx.ready || tx.data_notified || !tx.evthandler) return;
  // A negative free size means "unlimited".
  int avail = s->op->get_avail_length(s);
  if (avail < 0 || static_cast<uint32_t>(avail) >= tx.threshold) {
    tx.data_notified = 1;
    tx.evthandler(s, tx.param, KIV_STREAM_ON_OUT);
  }
}

// Copies `n` bytes into a ring at `pos`, wrapping at `size`.
void ring_put(uint8_t* ring, int size, int pos, const void* data, int n) {
  int first = std::min(n, size - pos);
  std::memcpy(ring + pos, data, static_cast<std::size_t>(first));
  std::memcpy(ring, static_cast<const uint8_t*>(data) + first, static_cast<std::size_t>(n - first));
}

void ring_get(const uint8_t* ring, int size, int pos, void* out, int n) {
  int first = std::min(n, size - pos);
  std::memcpy(out, ring + pos, static_cast<std::size_t>(first));
  std::memcpy(static_cast<uint8_t*>(out) + first, ring, static_cast<std::size_t>(n - first));
}

// ---- FIFO ----------------------------------------------------------------------------------------
kiv_fifo_stream_t* fifo(kiv_stream_t* s) { return reinterpret_cast<kiv_fifo_stream_t*>(s); }
int fifo_used(kiv_fifo_stream_t* f) { return (f->head - f->tail + f->size) % f->size; }
int fifo_free(kiv_fifo_stream_t* f) { return f->size - 1 - fifo_used(f); }

void fifo_reset(kiv_stream_t* s) { fifo(s)->head = fifo(s)->tail = 0; }
int fifo_write(kiv_stream_t* s, const void* data, int size) {
  kiv_fifo_stream_t* f = fifo(s);
  if (size <= 0 || fifo_free(f) < size) return 0;
  if (data != f->buffer + f->head) ring_put(f->buffer, f->size, f->head, data, size);
  f->head = (f->head + size) % f->size;
  return size;
}
int fifo_read(kiv_stream_t* s, void* buffer, int size) {
  kiv_fifo_stream_t* f = fifo(s);
  int n = std::min(std::max(size, 0), fifo_used(f));
  if (buffer) ring_get(f->buffer, f->size, f->tail, buffer, n);
  f->tail = (f->tail + n) % f->size;
  return n;
}
int fifo_buff_length(kiv_stream_t* s) { return fifo(s)->size; }
int fifo_data_length(kiv_stream_t* s) { return fifo_used(fifo(s)); }
int fifo_avail_length(kiv_stream_t* s) { return fifo_free(fifo(s)); }
int fifo_wbuf(kiv_stream_t* s, void** where) {
  kiv_fifo_stream_t* f = fifo(s);
  *where = f->buffer + f->head;
  return std::min(f->size - f->head, fifo_free(f));
}
int fifo_rbuf(kiv_stream_t* s, void** where) {
  kiv_fifo_stream_t* f = fifo(s);
  *where = f->buffer + f->tail;
  return std::min(f->size - f->tail, fifo_used(f));
}

// ---- block ring ----------------------------------------------------------------------------------
kiv_mem_stream_t* mem(kiv_stream_t* s) { return reinterpret_cast<kiv_mem_stream_t*>(s); }
void mem_init(kiv_stream_t* s) {
  kiv_mem_stream_t* m = mem(s);
  m->write_busy = 0;
  m->data_size = m->read_pos = m->write_pos = 0;
  if (m->align) m->align = static_cast<uint16_t>(m->align - 1);
}
void mem_fini(kiv_stream_t* s) {
  kiv_mem_stream_t* m = mem(s);
  m->write_busy = 0;
  m->data_size = m->read_pos = m->write_pos = 0;
}
int mem_room(kiv_mem_stream_t* m) { return (m->write_pos & m->align) ? 0 : m->size - m->data_size; }
int mem_write(kiv_stream_t* s, const void* data, int size) {
  kiv_mem_stream_t* m = mem(s);
  bool state = kiv_arch_interrupt_disable();
  int n = std::min(std::max(size, 0), mem_room(m));
  m->write_busy = 1;
  kiv_arch_interrupt_restore(state);
  if (data != m->buffer + m->write_pos) ring_put(m->buffer, m->size, m->write_pos, data, n);
  state = kiv_arch_interrupt_disable();
  m->data_size += n;
  m->write_pos = (m->write_pos + n) % m->size;
  m->write_busy = 0;
  kiv_arch_interrupt_restore(state);
  return n;
}
int mem_read(kiv_stream_t* s, void* buffer, int size) {
  kiv_mem_stream_t* m = mem(s);
  bool state = kiv_arch_interrupt_disable();
  int stored = m->data_size;
  int n = std::min(std::max(size, 0), stored);
  if (n < stored) n &= ~static_cast<int>(m->align);
  if (buffer && buffer != m->buffer + m->read_pos) ring_get(m->buffer, m->size, m->read_pos, buffer, n);
  m->data_size -= n;
  if (n < stored || m->write_busy)
    m->read_pos = (m->read_pos + n) % m->size;
  else
    m->read_pos = m->write_pos = 0;
  kiv_arch_interrupt_restore(state);
  return n;
}
int mem_buff_length(kiv_stream_t* s) { return mem(s)->size; }
int mem_data_length(kiv_stream_t* s) { return mem(s)->data_size; }
int mem_avail_length(kiv_stream_t* s) { return mem_room(mem(s)); }
int mem_wbuf(kiv_stream_t* s, void** where) {
  kiv_mem_stream_t* m = mem(s);
  bool state = kiv_arch_interrupt_disable();
  int n = 0;
  *where = nullptr;
  if (!(m->write_pos & m->align)) {
    int room = mem_room(m);
    if (room) *where = m->buffer + m->write_pos;
    n = std::min(m->size - m->write_pos, room);
    m->write_busy = 1;
  }
  kiv_arch_interrupt_restore(state);
  return n;
}
int mem_rbuf(kiv_stream_t* s, void** where) {
  kiv_mem_stream_t* m = mem(s);
  bool state = kiv_arch_interrupt_disable();
  *where = m->data_size ? m->buffer + m->read_pos : nullptr;
  int n = std::min(m->size - m->read_pos, m->data_size);
  kiv_arch_interrupt_restore(state);
  return n;
}

// ---- buffer list -----------------------------------------------------------------------------------
kiv_block_stream_t* blk(kiv_stream_t* s) { return reinterpret_cast<kiv_block_stream_t*>(s); }
uint8_t* block_data(kiv_block_buffer_t* b) { return reinterpret_cast<uint8_t*>(b + 1); }
void blk_release_all(kiv_stream_t* s) {
  kiv_block_stream_t* b = blk(s);
  while (kiv_block_buffer_t* first = b->first) {
    b->first = first->next;
    kiv_heap_free(first);
  }
  b->first = b->last = nullptr;
  b->total = 0;
  b->count = 0;
}
int blk_write(kiv_stream_t* s, const void* data, int size) {
  kiv_block_stream_t* b = blk(s);
  if (size <= 0) return 0;
  auto* buf = static_cast<kiv_block_buffer_t*>(kiv_heap_malloc(static_cast<int>(sizeof(kiv_block_buffer_t)) + size));
  if (!buf) return 0;
  buf->next = nullptr;
  buf->size = size;
  buf->offset = 0;
  std::memcpy(block_data(buf), data, static_cast<std::size_t>(size));
  if (b->last) b->last->next = buf; else b->first = buf;
  b->last = buf;
  b->total += size;
  ++b->count;
  return size;
}
int blk_read(kiv_stream_t* s, void* buffer, int size) {
  kiv_block_stream_t* b = blk(s);
  int done = 0;
  while (done < size && b->first) {
    kiv_block_buffer_t* first = b->first;
    int n = std::min(first->size - first->offset, size - done);
    if (buffer) std::memcpy(static_cast<uint8_t*>(buffer) + done, block_data(first) + first->offset, static_cast<std::size_t>(n));
    first->offset += n;
    b->total -= n;
    done += n;
    if (first->offset == first->size) {
      b->first = first->next;
      if (!b->first) b->last = nullptr;
      --b->count;
      kiv_heap_free(first);
    }
  }
  return done;
}
int blk_buff_length(kiv_stream_t* s) { return blk(s)->limit < 0 ? -1 : blk(s)->limit; }
int blk_data_length(kiv_stream_t* s) { return blk(s)->total; }
int blk_avail_length(kiv_stream_t* s) {
  kiv_block_stream_t* b = blk(s);
  if (b->count >= b->max_count) return 0;
  return b->limit < 0 ? INT_MAX : b->limit - b->total;
}
int blk_rbuf(kiv_stream_t* s, void** where) {
  kiv_block_buffer_t* first = blk(s)->first;
  *where = first ? block_data(first) + first->offset : nullptr;
  return first ? first->size - first->offset : 0;
}

// ---- console sink ------------------------------------------------------------------------------------
kiv_stream_t* console_input = nullptr;
void sink_init(kiv_stream_t* s) {
  kiv_stream_connect_rx(s);
  if (console_input) kiv_stream_connect_tx(console_input);
}
int sink_write(kiv_stream_t*, const void*, int size) { return size; }
int sink_zero(kiv_stream_t*) { return 0; }
int sink_unlimited(kiv_stream_t*) { return -1; }

}  // namespace

const kiv_stream_op_t kiv_fifo_stream_op{
    .init = fifo_reset, .fini = fifo_reset, .write = fifo_write, .read = fifo_read,
    .get_buff_length = fifo_buff_length, .get_data_length = fifo_data_length,
    .get_avail_length = fifo_avail_length, .get_wbuf = fifo_wbuf, .get_rbuf = fifo_rbuf};

const kiv_stream_op_t kiv_mem_stream_op{
    .init = mem_init, .fini = mem_fini, .write = mem_write, .read = mem_read,
    .get_buff_length = mem_buff_length, .get_data_length = mem_data_length,
    .get_avail_length = mem_avail_length, .get_wbuf = mem_wbuf, .get_rbuf = mem_rbuf};

// Finishing releases what is still queued, so a pipe closed with unread data leaks nothing.
const kiv_stream_op_t kiv_block_stream_op{
    .init = blk_release_all, .fini = blk_release_all, .write = blk_write, .read = blk_read,
    .get_buff_length = blk_buff_length, .get_data_length = blk_data_length,
    .get_avail_length = blk_avail_length, .get_wbuf = nullptr, .get_rbuf = blk_rbuf};

const kiv_stream_op_t kiv_console_sink_op{
    .init = sink_init, .fini = nullptr, .write = sink_write, .read = nullptr,
    .get_buff_length = nullptr, .get_data_length = sink_zero,
    .get_avail_length = sink_unlimited, .get_wbuf = nullptr, .get_rbuf = nullptr};

void kiv_console_sink_set_input(kiv_stream_t* input) { console_input = input; }

int kiv_stream_init(kiv_stream_t* s) {
  s->tx.ready = s->tx.data_notified = 0;
  s->rx.ready = s->rx.data_notified = 0;
  if (s->op->init) s->op->init(s);
  return 0;
}

void kiv_stream_fini(kiv_stream_t* s) {
  if (s->op->fini) s->op->fini(s);
}

int kiv_stream_write(kiv_stream_t* s, const void* data, int size) {
  int n = s->op->write(s, data, size);
  check_after_write(s);
  return n;
}

int kiv_stream_read(kiv_stream_t* s, void* buffer, int size) {
  int n = s->op->read(s, buffer, size);
  check_after_read(s);
  return n;
}

void kiv_stream_connect_rx(kiv_stream_t* s) {
  if (s->rx.ready) return;
  if (s->tx.ready) {
    notify(s, s->tx, KIV_STREAM_ON_CONNECT);
    notify(s, s->rx, KIV_STREAM_ON_CONNECT);
  }
  s->rx.ready = 1;
}

void kiv_stream_connect_tx(kiv_stream_t* s) {
  if (s->tx.ready) return;
  if (s->rx.ready) {
    notify(s, s->rx, KIV_STREAM_ON_CONNECT);
    notify(s, s->tx, KIV_STREAM_ON_CONNECT);
  }
  s->tx.ready = 1;
}

void kiv_stream_disconnect_rx(kiv_stream_t* s) {
  if (s->rx.ready && s->tx.ready) notify(s, s->tx, KIV_STREAM_ON_DISCONNECT);
  s->rx.ready = 0;
}

void kiv_stream_disconnect_tx(kiv_stream_t* s) {
  if (s->rx.ready && s->tx.ready) notify(s, s->rx, KIV_STREAM_ON_DISCONNECT);
  s->tx.ready = 0;
}

void kiv_stream_set_rx_threshold(kiv_stream_t* s, uint32_t n) {
  s->rx.threshold = n;
  check_after_write(s);
}

void kiv_stream_set_tx_threshold(kiv_stream_t* s, uint32_t n) {
  s->tx.threshold = n;
  check_after_read(s);
}

int kiv_stream_get_data_size(kiv_stream_t* s) { return s->op->get_data_length(s); }
int kiv_stream_get_free_size(kiv_stream_t* s) { return s->op->get_avail_length(s); }

int kiv_stream_get_wbuf(kiv_stream_t* s, void** where) {
  int n = s->op->get_wbuf(s, where);
  if (s->wbuf_half) n = std::min(n, s->op->get_buff_length(s) / 2);
  return n;
}

int kiv_stream_get_rbuf(kiv_stream_t* s, void** where) {
  int n = s->op->get_rbuf(s, where);
  if (s->rbuf_half) n = std::min(n, s->op->get_buff_length(s) / 2);
  return n;
}
