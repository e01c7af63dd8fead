/* Runs the strict-mode example of docs/simulator.md as the page shows it.
 * The host code it tests breaks one rule of the library, so the example
 * must fail, with the one report the page shows. */
#include <stdio.h>
#include <string.h>

#include "gantrel_sim.h"

/* The report as the page shows it. */
static const char shown[] =
    "IDirectInputDevice8A::Poll on device 0 (Gantrel Simulated Racing Wheel), device object 2: polled, but "
    "the device's window is gone (the thread that opened the device ended, or the window was closed), so "
    "DirectInput binds it to nothing: release the device and open it again";

#define main example_main
#include "strict_example.c"
#undef main

int main(void)
{
    GSIM_STRICT_REPORT found;
    int status = example_main();
    found.size = sizeof found;
    if (status != 1 || gsim_strict_count() != 1 || gsim_strict_get(0, &found) != GSIM_OK ||
        found.rule != GSIM_RULE_POLL_DEAD_WINDOW || found.calls != 2 || strcmp(found.text, shown) != 0) {
        printf("strict example: exit status %d, %d report(s), not the one on the page\n", status,
               gsim_strict_count());
        return 1;
    }
    return 0;
}
