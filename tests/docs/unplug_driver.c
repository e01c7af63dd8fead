/* Runs the unplug example of docs/integrating.md, as the page shows it, on
 * the simulated wheel, and pulls the wheel out under it twice: once it
 * comes back under its GUID, once (as under Wine 8) under a new GUID,
 * listed after the stick. Each time the example must let the device go and
 * then have it open again with its effect playing; at the end it must have
 * released it, without a report of strict mode. The exit status is 0, or
 * the number of the step that failed. */
#include <stdio.h>

#include <windows.h>

#include "gantrel_sim.h"

#define main example_main
#include "unplug_example.c"
#undef main

static DWORD host_thread;

/* The wheel at `index` is open, acquired and playing one effect. */
static int playing(int index)
{
    GSIM_DEVICE_STATUS status;
    memset(&status, 0, sizeof status);
    status.size = sizeof status;
    return gsim_device_status(index, &status) == GSIM_OK && status.exclusive && status.playing_effects == 1;
}

static int wait_until(int index, int want_playing)
{
    for (int i = 0; i < 1000; ++i) {
        if (want_playing ? playing(index) : gsim_live_devices() == 0)
            return 1;
        Sleep(10);
    }
    return 0;
}

static DWORD WINAPI unplug_twice(void *failed)
{
    GSIM_DEVICE_DESC wheel;
    int step = 0, tries;
    if (!wait_until(0, 1))
        step = 1;
    else if (gsim_device_unplug(0) != GSIM_OK || !wait_until(0, 0))
        step = 2;
    else if (gsim_device_replug(0) != GSIM_OK || !wait_until(0, 1))
        step = 3;
    else if (gsim_device_get(0, &wheel) != GSIM_OK || gsim_device_remove(0) != GSIM_OK || !wait_until(0, 0))
        step = 4;
    else if ((wheel.instance_guid.Data1 ^= 0xFF00, wait_until(gsim_device_add(&wheel), 1)) == 0)
        step = 5;
    *(int *)failed = step;
    /* The example ends its loop on WM_QUIT, or by itself after 30 s. */
    for (tries = 0; tries < 500 && !PostThreadMessageA(host_thread, WM_QUIT, 0, 0); ++tries)
        Sleep(10);
    return 0;
}

int main(void)
{
    int failed = -1;
    HANDLE driver;
    host_thread = GetCurrentThreadId();
    driver = CreateThread(NULL, 0, unplug_twice, &failed, 0, NULL);
    if (example_main() != 0)
        failed = 6;
    WaitForSingleObject(driver, INFINITE);
    if (failed == 0 && gsim_live_devices() != 0)
        failed = 7;
    if (failed == 0 && gsim_strict_count() != 0)
        failed = 8; /* the example broke a rule of the library: see standard error */
    printf(failed ? "unplug example: step %d failed\n" : "unplug example: released and reopened twice\n",
           failed);
    return failed;
}
