#include "frame/build_info.h"

// Generated at every build from the day, or from SOURCE_DATE_EPOCH when set.
#include "build_date.h"

namespace gantrel {

const char* build_date_text() { return GANTREL_BUILD_DATE; }

}  // namespace gantrel
