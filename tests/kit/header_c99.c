/* The public header must compile cleanly as strict C99. */
#include "gantrel.h"

int32_t gantrel_header_c99_check(void);
int32_t gantrel_header_c99_check(void)
{
    EffectParams params = {0};
    InputReport report;
    report.pov_codes = 0xFFFF;
    params.cond[1].enabled = 1;
    return params.cond[1].enabled + (int32_t)report.pov_codes + DIB_E_INPUT;
}
