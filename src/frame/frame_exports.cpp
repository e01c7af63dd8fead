#include <cstdio>

#include "frame/build_info.h"
#include "frame/last_error.h"
#include "gantrel.h"

using namespace gantrel;

extern "C" {

int32_t DIB_CALL dib_abi_version(void) { return kAbiVersion; }

int32_t DIB_CALL dib_build_info(char* buffer, int32_t length) {
    if (buffer == nullptr || length < 8) return DIB_E_BADARG;
    const int n = std::snprintf(buffer, static_cast<size_t>(length),
                                "{\"version\":\"%s\",\"abi\":%d,\"built\":\"%s\"}", kVersionText,
                                kAbiVersion, build_date_text());
    if (n > 0 && n < length) return n;
    return DIB_E_BADARG;
}

int32_t DIB_CALL dib_last_error(char* buffer, int32_t length) {
    if (buffer == nullptr || length < 1) return DIB_E_BADARG;
    const int n = std::snprintf(buffer, static_cast<size_t>(length), "%s", last_error_text());
    return n < length ? n : length - 1;
}

}  // extern "C"
