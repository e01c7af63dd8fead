#include "devices/json_escape.h"

namespace gantrel {

size_t json_escape(const char* text, size_t length, char* out) {
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); length-- && *p; ++p) {
        if (*p < 0x20) continue;
        if (*p == '"' || *p == '\\') out[n++] = '\\';
        out[n++] = static_cast<char>(*p);
    }
    out[n] = '\0';
    return n;
}

}  // namespace gantrel
