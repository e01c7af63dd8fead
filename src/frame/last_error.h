#pragma once
#include <cstdint>

namespace gantrel {

constexpr int kLastErrorSize = 512;

// Replaces the calling thread's message: "message" alone when hresult is 0,
// else "message (HRESULT 0x%08lX)". Never allocates, cut at 511 characters.
void set_last_error(const char* message, int32_t hresult = 0);

// The calling thread's NUL-terminated message; empty before its first failure.
const char* last_error_text();

}  // namespace gantrel
