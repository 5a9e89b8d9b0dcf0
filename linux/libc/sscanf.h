// The environment's own small sscanf: a deliberately narrow dialect, not the host's.
// Owns no state; never blocks. Conversions: d i (signed decimal), u, x X, o, c, s, f
// (stored as float) and [set] (no negation, no ranges). A blank skips any run of white
// space, "%*" makes the next format character an ordinary one, and any other character
// after "%" (length modifiers, "n", "%") converts nothing. Returns the number of
// conversions done; -1 only for a "[" set without its closing "]". An integer or "f"
// conversion without digits and a "c" at the end of the text end the scan; "s" and "["
// runs count even when empty. Not format-checked by the compiler: its dialect differs.
#pragma once

#include <cstdarg>

namespace posix {

int sscanf(const char* text, const char* format, ...);
int vsscanf(const char* text, const char* format, va_list args);

}  // namespace posix
