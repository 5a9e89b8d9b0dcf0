// Stream classes, terminals and trace output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kernel/harness.h"

namespace {

struct EventLog {
  std::vector<std::pair<char, kiv_stream_evt_t>> seen;
  static void on(kiv_stream_t*, void* param, kiv_stream_evt_t evt) {
    auto* p = static_cast<std::pair<EventLog*, char>*>(param);
    p->first->seen.push_back({p->second, evt});
  }
};

struct Fifo {
  uint8_t storage[8];
  kiv_fifo_stream_t f{};
  Fifo() {
    f.stream.op = &kiv_fifo_stream_op;
    f.buffer = storage;
    f.size = sizeof storage;
    kiv_stream_init(&f.stream);
  }
  kiv_stream_t* s() { return &f.stream; }
};

TEST(Stream, FifoHoldsSizeMinusOneAndWritesAllOrNothing) {
  Fifo fifo;
  EXPECT_EQ(kiv_stream_write(fifo.s(), "12345678", 8), 0);
  EXPECT_EQ(kiv_stream_write(fifo.s(), "1234567", 7), 7);
  EXPECT_EQ(kiv_stream_get_free_size(fifo.s()), 0);
  char out[8] = {};
  EXPECT_EQ(kiv_stream_read(fifo.s(), out, 5), 5);
  EXPECT_EQ(std::string(out, 5), "12345");
  EXPECT_EQ(kiv_stream_write(fifo.s(), "abcd", 4), 4);  // wraps around
  EXPECT_EQ(kiv_stream_read(fifo.s(), out, 8), 6);
  EXPECT_EQ(std::string(out, 6), "67abcd");
}

TEST(Stream, ReaderThresholdNotifiesOnceUntilRead) {
  Fifo fifo;
  EventLog log;
  std::pair<EventLog*, char> reader{&log, 'r'};
  fifo.s()->rx = {.param = &reader, .evthandler = EventLog::on, .threshold = 4, .ready = 0, .data_notified = 0};
  kiv_stream_connect_rx(fifo.s());
  kiv_stream_write(fifo.s(), "ab", 2);
  EXPECT_TRUE(log.seen.empty());
  kiv_stream_write(fifo.s(), "cd", 2);
  kiv_stream_write(fifo.s(), "e", 1);
  ASSERT_EQ(log.seen.size(), 1u);
  EXPECT_EQ(log.seen[0].second, KIV_STREAM_ON_IN);
  kiv_stream_read(fifo.s(), nullptr, 1);
  kiv_stream_write(fifo.s(), "f", 1);
  EXPECT_EQ(log.seen.size(), 2u);
}

TEST(Stream, ConnectAndDisconnectNotifyTheOtherEndFirst) {
  Fifo fifo;
  EventLog log;
  std::pair<EventLog*, char> reader{&log, 'r'}, writer{&log, 'w'};
  fifo.s()->rx = {.param = &reader, .evthandler = EventLog::on, .threshold = 1, .ready = 0, .data_notified = 0};
  fifo.s()->tx = {.param = &writer, .evthandler = EventLog::on, .threshold = 1, .ready = 0, .data_notified = 0};
  kiv_stream_connect_tx(fifo.s());
  EXPECT_TRUE(log.seen.empty());
  kiv_stream_connect_rx(fifo.s());
  kiv_stream_connect_rx(fifo.s());  // already connected: nothing
  kiv_stream_disconnect_tx(fifo.s());
  using E = std::pair<char, kiv_stream_evt_t>;
  EXPECT_EQ(log.seen, (std::vector<E>{{'w', KIV_STREAM_ON_CONNECT}, {'r', KIV_STREAM_ON_CONNECT}, {'r', KIV_STREAM_ON_DISCONNECT}}));
  EXPECT_FALSE(kiv_stream_is_tx_connected(fifo.s()));
}

TEST(Stream, BlockRingReadsWholeBlocksUnlessDraining) {
  std::vector<uint8_t> storage(256);
  kiv_mem_stream_t m{};
  m.stream.op = &kiv_mem_stream_op;
  m.buffer = storage.data();
  m.size = 256;
  m.align = 64;
  kiv_stream_init(&m.stream);
  std::vector<uint8_t> data(100);
  for (int i = 0; i < 100; ++i) data[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
  ASSERT_EQ(kiv_stream_write(&m.stream, data.data(), 100), 100);
  EXPECT_EQ(kiv_stream_get_free_size(&m.stream), 0);  // write position not block aligned
  std::vector<uint8_t> out(200);
  EXPECT_EQ(kiv_stream_read(&m.stream, out.data(), 80), 64);
  EXPECT_EQ(out[63], 63);
  EXPECT_EQ(kiv_stream_read(&m.stream, out.data(), 200), 36);
  EXPECT_EQ(out[0], 64);
  EXPECT_EQ(m.read_pos, 0);
  EXPECT_EQ(m.write_pos, 0);
  EXPECT_EQ(kiv_stream_get_free_size(&m.stream), 256);
}

TEST(Stream, BufferListQueuesEveryWriteAndFreesWhatIsConsumed) {
  kiv_block_stream_t b{};
  b.stream.op = &kiv_block_stream_op;
  b.limit = -1;
  b.max_count = 0xFFFFFFFFu;
  kiv_stream_init(&b.stream);
  EXPECT_EQ(kiv_stream_write(&b.stream, "hello ", 6), 6);
  EXPECT_EQ(kiv_stream_write(&b.stream, "world", 5), 5);
  EXPECT_GT(kiv_stream_get_free_size(&b.stream), 1 << 20);
  char out[16] = {};
  EXPECT_EQ(kiv_stream_read(&b.stream, out, 8), 8);
  EXPECT_EQ(std::string(out, 8), "hello wo");
  EXPECT_EQ(b.count, 1u);
  EXPECT_EQ(kiv_stream_get_data_size(&b.stream), 3);
  kiv_stream_write(&b.stream, "left over", 9);
  kiv_stream_fini(&b.stream);  // what is still queued is released (checked by the leak sanitizer)
  EXPECT_EQ(b.first, nullptr);
}

TEST(Trace, HexDumpLineWithOffsetCharactersAndLineEnd) {
  kvtest::TraceCapture trace;
  int covered = kiv_trace_buffer(KIV_TRACE_DEBUG, "abc", 3,
                                 1 | (16 << 8) | KIV_TRACE_BUF_OFFSET | KIV_TRACE_BUF_CHARS | KIV_TRACE_BUF_CRLF);
  EXPECT_EQ(covered, 16);
  std::string expected = "\x1b[1;34m" "00000000: 61 62 63 " + std::string(13 * 3, ' ') + " | abc" + std::string(13, ' ') + "\r\n";
  EXPECT_EQ(trace.text(), expected);
}

TEST(Trace, LinesCarryTheLevelColourAndLongLinesAreCut) {
  kvtest::TraceCapture trace;
  kiv_trace(KIV_TRACE_ERROR, "disk %d failed\r\n", 3);
  EXPECT_EQ(trace.text(), "\x1b[1;31mdisk 3 failed\r\n");
  trace.capture.text.clear();
  std::string long_line(3000, 'x');
  kiv_trace(KIV_TRACE_INFO, "%s", long_line.c_str());
  EXPECT_EQ(trace.text(), "\x1b[1;37m" + std::string(1023, 'x'));
}

TEST(Trace, NothingIsWrittenWithoutAStream) {
  kvtest::CaptureStream unused;
  kiv_trace_set_stream(nullptr);
  kiv_trace(KIV_TRACE_ERROR, "lost\r\n");
  EXPECT_EQ(kiv_trace_buffer(KIV_TRACE_ERROR, "abc", 3, 0), 16);
  EXPECT_TRUE(unused.text.empty());
}

}  // namespace
