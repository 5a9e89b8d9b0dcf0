// Names of directory entries.
#include "fs/fat/fat_name.h"

#include <cstring>

namespace fat {

void lfn_reset(LongName& n) {
  n.parts = 0;
  n.expect = 0;
  n.valid = false;
}

void lfn_add(LongName& n, const LongNameEntry& e) {
  unsigned seq = e.sequence & 0x1F;
  if (seq == 0 || seq > kMaxParts) return lfn_reset(n);
  if (e.sequence & kLastPart) {
    std::memset(n.units, 0, sizeof n.units);
    n.parts = static_cast<uint8_t>(seq);
    n.checksum = e.checksum;
    n.valid = true;
  } else if (!n.valid || seq != n.expect || e.checksum != n.checksum) {
    return lfn_reset(n);
  }
  uint16_t* at = &n.units[(seq - 1) * kCharsPerPart];
  for (unsigned i = 0; i < 5; ++i) *at++ = kiv_le16(&e.chars1[2 * i]);
  for (unsigned i = 0; i < 6; ++i) *at++ = kiv_le16(&e.chars2[2 * i]);
  for (unsigned i = 0; i < 2; ++i) *at++ = kiv_le16(&e.chars3[2 * i]);
  n.expect = static_cast<uint8_t>(seq - 1);
}

uint8_t short_name_checksum(const uint8_t* name11) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
  return sum;
}

bool lfn_complete_for(const LongName& n, const DirEntry& e) {
  return n.valid && n.expect == 0 && n.checksum == short_name_checksum(e.name);
}

std::size_t utf16_to_utf8(const uint16_t* units, std::size_t count, char* out, std::size_t out_size) {
  std::size_t len = 0;
  auto put = [&](uint32_t byte) {
    if (len < out_size) out[len] = static_cast<char>(byte);
    ++len;
  };
  for (std::size_t i = 0; i < count; ++i) {
    uint32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      put(cp);
    } else if (cp < 0x800) {
      put(0xC0 | cp >> 6), put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      put(0xE0 | cp >> 12), put(0x80 | ((cp >> 6) & 0x3F)), put(0x80 | (cp & 0x3F));
    } else {
      put(0xF0 | cp >> 18), put(0x80 | ((cp >> 12) & 0x3F)), put(0x80 | ((cp >> 6) & 0x3F)), put(0x80 | (cp & 0x3F));
    }
  }
  return len < out_size ? len : out_size;
}

// Characters above 127 are presented as UTF-8, so that the names the rest of the system writes
// and compares (UTF-8 everywhere inside) find these entries.
std::size_t lfn_to_utf8(const LongName& n, char* out, std::size_t out_size) {
  std::size_t count = 0, limit = static_cast<std::size_t>(n.parts) * kCharsPerPart;
  while (count < limit && n.units[count] != 0) ++count;
  std::size_t len = utf16_to_utf8(n.units, count, out, out_size - 1);
  out[len] = '\0';
  return len;
}

std::size_t short_name(const DirEntry& e, char* out) {
  auto lower = [](uint8_t c, bool on) { return static_cast<char>(on && c >= 'A' && c <= 'Z' ? c + 32 : c); };
  std::size_t len = 0;
  for (int i = 0; i < 8 && e.name[i] != ' '; ++i) out[len++] = lower(e.name[i], e.case_flags & 0x08);
  if (e.ext[0] != ' ') {
    out[len++] = '.';
    for (int i = 0; i < 3 && e.ext[i] != ' '; ++i) out[len++] = lower(e.ext[i], e.case_flags & 0x10);
  }
  out[len] = '\0';
  return len;
}

}  // namespace fat
