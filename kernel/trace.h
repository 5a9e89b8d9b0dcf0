// Trace output: formatted lines and hex dumps written, with a colour per level, to the one
// stream chosen at start-up (none: nothing is written). Lines longer than the 1024-byte
// buffer are cut. Callable wherever streams may be written (CPU lock held).
#pragma once

#include <cstdint>

#include "kernel/stream.h"

inline constexpr int KIV_TRACE_ERROR = 1;
inline constexpr int KIV_TRACE_INFO = 2;
inline constexpr int KIV_TRACE_WARNING = 3;
inline constexpr int KIV_TRACE_DEBUG = 4;

// kiv_trace_buffer flags: low byte unit size, bits 8..15 units per line, then these.
inline constexpr uint32_t KIV_TRACE_BUF_OFFSET = 1u << 16;
inline constexpr uint32_t KIV_TRACE_BUF_CHARS = 1u << 17;
inline constexpr uint32_t KIV_TRACE_BUF_CRLF = 1u << 18;

void kiv_trace_set_stream(kiv_stream_t* stream);
kiv_stream_t* kiv_trace_get_stream();
void kiv_trace(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
int kiv_trace_buffer(int level, const void* data, int length, uint32_t flags);
