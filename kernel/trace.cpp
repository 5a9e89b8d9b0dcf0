// Trace output.
#include "kernel/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kernel/host/arch.h"

namespace {

kiv_stream_t* trace_stream = nullptr;
char line_buffer[1024];

constexpr const char* level_prefix[] = {"", "\x1b[1;31m", "\x1b[1;37m", "\x1b[1;33m", "\x1b[1;34m"};

void put(const char* text, int n) {
  if (trace_stream && n > 0) kiv_stream_write(trace_stream, text, n);
}

void put_prefix(int level) {
  if (level >= 1 && level <= 4) put(level_prefix[level], static_cast<int>(std::strlen(level_prefix[level])));
}

// One hex-dump line of `count` bytes at `data` (fewer than a full line at the end).
int dump_line(char* out, const uint8_t* data, int count, int units_per_line, int unit, uint32_t flags) {
  int len = 0;
  bool chars = flags & KIV_TRACE_BUF_CHARS;
  for (int u = 0; u < units_per_line; ++u) {
    int first = u * unit;
    if (first >= count && !chars) break;
    for (int b = 0; b < unit; ++b) {
      int i = first + b;
      len += i < count ? std::snprintf(out + len, 8, "%02X", data[i]) : std::snprintf(out + len, 8, "  ");
    }
    out[len++] = ' ';
  }
  if (chars) {
    len += std::snprintf(out + len, 8, " | ");
    for (int i = 0; i < units_per_line * unit; ++i)
      out[len++] = i >= count ? ' ' : (data[i] < 0x20 || data[i] >= 0x80) ? '.' : static_cast<char>(data[i]);
  }
  if (flags & KIV_TRACE_BUF_CRLF) {
    out[len++] = '\r';
    out[len++] = '\n';
  }
  return len;
}

}  // namespace

void kiv_trace_set_stream(kiv_stream_t* stream) {
  trace_stream = stream;
  if (!stream) return;
  kiv_stream_connect_tx(stream);
  put("\x1b[40m", 5);
}

kiv_stream_t* kiv_trace_get_stream() { return trace_stream; }

void kiv_trace(int level, const char* format, ...) {
  if (!trace_stream) return;
  put_prefix(level);
  bool state = kiv_arch_interrupt_disable();
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line_buffer, sizeof line_buffer, format, args);
  va_end(args);
  if (n > static_cast<int>(sizeof line_buffer) - 1) n = sizeof line_buffer - 1;
  put(line_buffer, n);
  kiv_arch_interrupt_restore(state);
}

int kiv_trace_buffer(int level, const void* data, int length, uint32_t flags) {
  int unit = static_cast<int>(flags & 0xFF);
  if (unit != 1 && unit != 2 && unit != 4) unit = 1;
  int units = static_cast<int>((flags >> 8) & 0xFF);
  if (units < 1 || units > 16) units = 16;
  if (trace_stream) put_prefix(level);
  if (length <= 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int per_line = units * unit;
  int offset = 0;
  char line[16 * 4 * 3 + 16 * 4 + 16];
  for (; offset < length; offset += per_line) {
    if (flags & KIV_TRACE_BUF_OFFSET) kiv_trace(0, "%08X: ", static_cast<unsigned>(offset));
    int count = length - offset < per_line ? length - offset : per_line;
    put(line, dump_line(line, bytes + offset, count, units, unit, flags));
  }
  return offset;
}
