#pragma once
#include <cstddef>

namespace gantrel {

// Puts a backslash before '"' and '\\' and drops control bytes 0x01..0x1F;
// every other byte, 0x80 and up included, passes unchanged. Reads `text` up
// to its NUL or `length` bytes, whichever comes first, and writes at most
// 2 * length bytes and a NUL into `out`. Returns the escaped length.
size_t json_escape(const char* text, size_t length, char* out);

}  // namespace gantrel
