/* One open and release of the simulated wheel in a process of its own (the
 * first dib_open of a process makes the library's hidden window), and the
 * process that owns the desktop window, which changes when the desktop is
 * closed and made again between two programs. */
#include <windows.h>

#include <stdio.h>

#include "gantrel.h"

int main(void)
{
    char message[256];
    DWORD desktop_owner = 0;
    int device = dib_open("{5A1E0001-0000-11EE-8001-444553540000}");
    GetWindowThreadProcessId(GetDesktopWindow(), &desktop_owner);
    printf("desktop owner %lu\n", desktop_owner);
    if (device < 1) {
        dib_last_error(message, sizeof message);
        printf("dib_open returned %d: %s\n", device, message);
        return 1;
    }
    return dib_release(device) == DIB_OK ? 0 : 1;
}
