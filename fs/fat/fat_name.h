// Directory-entry names: collecting the parts of a long name, checking that they belong to the
// short entry that follows, and turning either form into the UTF-8 name the VFS matches.
// Pure functions over entry bytes; no I/O, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fs/fat/fat_format.h"

namespace fat {

inline constexpr std::size_t kMaxNameUnits = kMaxParts * kCharsPerPart;  // 260
inline constexpr std::size_t kMaxNameBytes = kMaxNameUnits * 3 + 1;        // as UTF-8, with the zero

// Long-name parts seen since the last short entry. Parts come last-first; the name is complete
// when part 1 has been seen after an unbroken run that started with the last part.
struct LongName {
  uint16_t units[kMaxNameUnits];
  uint8_t parts;
  uint8_t expect;  // number of the part that must come next
  uint8_t checksum;
  bool valid;
};

void lfn_reset(LongName& n);
void lfn_add(LongName& n, const LongNameEntry& e);
// Whether the collected long name belongs to this short entry.
bool lfn_complete_for(const LongName& n, const DirEntry& e);
uint8_t short_name_checksum(const uint8_t* name11);
// Writes the collected long name as UTF-8 (zero-terminated); returns its length in bytes.
std::size_t lfn_to_utf8(const LongName& n, char* out, std::size_t out_size);
// Writes the 8.3 name as presented (case flags applied); `out` holds at least 13 bytes.
std::size_t short_name(const DirEntry& e, char* out);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. Returns the bytes written (no zero).
std::size_t utf16_to_utf8(const uint16_t* units, std::size_t count, char* out, std::size_t out_size);

}  // namespace fat
