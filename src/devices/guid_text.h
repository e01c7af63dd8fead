#pragma once
#include <windows.h>

namespace gantrel {

constexpr int kGuidTextLength = 38;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, NUL-terminated.
void format_guid(const GUID& guid, char (&text)[kGuidTextLength + 1]);

// Scans text as sscanf would with "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}":
// true and all 16 bytes written when all eleven numbers were read; false and
// `guid` untouched otherwise. Implemented here rather than through the C
// runtime so that the accepted set is the same under every runtime.
bool parse_guid(const char* text, GUID* guid);

}  // namespace gantrel
