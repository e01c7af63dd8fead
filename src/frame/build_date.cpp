#include "frame/build_info.h"

namespace gantrel {

// The build marks this file out of date on every build, so __DATE__ is
// always the date the DLL was built, not when this file last changed.
const char* build_date_text() { return __DATE__; }

}  // namespace gantrel
