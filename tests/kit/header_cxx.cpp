// The public header must compile cleanly as C++ with pedantic warnings.
#include "gantrel.h"

int32_t gantrel_header_cxx_check();
int32_t gantrel_header_cxx_check() {
    EffectParams params = {};
    InputReport report = {};
    return params.gain + report.axis0 + DIB_ABI_VERSION;
}
