// Streams: one-way byte channels with a writer end and a reader end, each with an event handler
// and a threshold. Storage comes from a class: FIFO ring, ring of aligned blocks, list of heap
// buffers, or the console sink. Calls are made by code holding the CPU lock; terminal handlers
// run inside the write or read that triggers them and must not block. Results are byte counts.
#pragma once

#include <cstdint>

struct kiv_stream_t;

enum kiv_stream_evt_t : int {
  KIV_STREAM_ON_CONNECT = 0,
  KIV_STREAM_ON_DISCONNECT = 1,
  KIV_STREAM_ON_IN = 2,
  KIV_STREAM_ON_OUT = 3,
};

struct kiv_stream_terminal_t {
  void* param;
  void (*evthandler)(kiv_stream_t* stream, void* param, kiv_stream_evt_t evt);
  uint32_t threshold;
  uint8_t ready;
  uint8_t data_notified;
};

struct kiv_stream_op_t {
  void (*init)(kiv_stream_t* s);
  void (*fini)(kiv_stream_t* s);
  int (*write)(kiv_stream_t* s, const void* data, int size);
  int (*read)(kiv_stream_t* s, void* buffer, int size);
  int (*get_buff_length)(kiv_stream_t* s);
  int (*get_data_length)(kiv_stream_t* s);
  int (*get_avail_length)(kiv_stream_t* s);
  int (*get_wbuf)(kiv_stream_t* s, void** where);
  int (*get_rbuf)(kiv_stream_t* s, void** where);
};

struct kiv_stream_t {
  const kiv_stream_op_t* op;
  uint8_t rbuf_half;
  uint8_t wbuf_half;
  kiv_stream_terminal_t tx;  // the writer's end
  kiv_stream_terminal_t rx;  // the reader's end
};

// FIFO ring: holds at most size - 1 bytes; writes are all or nothing.
struct kiv_fifo_stream_t {
  kiv_stream_t stream;
  uint8_t* buffer;
  int size;
  int head;
  int tail;
};

// Ring of aligned blocks (the console input): reads return whole blocks unless draining.
struct kiv_mem_stream_t {
  kiv_stream_t stream;
  uint8_t* buffer;
  int size;
  uint16_t align;
  uint8_t write_busy;
  int data_size;
  int read_pos;
  int write_pos;
};

// List of heap buffers (pipes): writes are never limited when limit is -1.
struct kiv_block_buffer_t {
  kiv_block_buffer_t* next;
  int size;
  int offset;
  // data follows
};
struct kiv_block_stream_t {
  kiv_stream_t stream;
  int limit;
  uint32_t max_count;
  kiv_block_buffer_t* first;
  kiv_block_buffer_t* last;
  int total;
  uint32_t count;
};

extern const kiv_stream_op_t kiv_fifo_stream_op;
extern const kiv_stream_op_t kiv_mem_stream_op;
extern const kiv_stream_op_t kiv_block_stream_op;
extern const kiv_stream_op_t kiv_console_sink_op;

int kiv_stream_init(kiv_stream_t* s);
void kiv_stream_fini(kiv_stream_t* s);
int kiv_stream_write(kiv_stream_t* s, const void* data, int size);
int kiv_stream_read(kiv_stream_t* s, void* buffer, int size);
void kiv_stream_connect_rx(kiv_stream_t* s);
void kiv_stream_connect_tx(kiv_stream_t* s);
void kiv_stream_disconnect_rx(kiv_stream_t* s);
void kiv_stream_disconnect_tx(kiv_stream_t* s);
void kiv_stream_set_rx_threshold(kiv_stream_t* s, uint32_t n);
void kiv_stream_set_tx_threshold(kiv_stream_t* s, uint32_t n);
int kiv_stream_get_data_size(kiv_stream_t* s);
int kiv_stream_get_free_size(kiv_stream_t* s);
int kiv_stream_get_wbuf(kiv_stream_t* s, void** where);
int kiv_stream_get_rbuf(kiv_stream_t* s, void** where);
inline bool kiv_stream_is_rx_connected(const kiv_stream_t* s) { return s->rx.ready; }
inline bool kiv_stream_is_tx_connected(const kiv_stream_t* s) { return s->tx.ready; }

// The console sink's init connects its own reader end and the writer end of this stream.
void kiv_console_sink_set_input(kiv_stream_t* console_input);
