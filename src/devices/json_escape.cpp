#include "devices/json_escape.h"

namespace gantrel {

std::string json_escape(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x20) continue;
        if (*p == '"' || *p == '\\') out += '\\';
        out += static_cast<char>(*p);
    }
    return out;
}

}  // namespace gantrel
