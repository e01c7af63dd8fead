/* Holds a window, and so the Wine prefix's desktop, until it is ended (the
 * prefix's wineserver -k). wine-prefix.sh up starts it before a run's first
 * test: Wine closes a desktop a second after its last program leaves, and a
 * program that arrives during that hand-over can be left on a desktop with
 * no desktop window, where every CreateWindowEx fails. Prints "ready" once
 * its window exists; exits 1 when it cannot make one. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    WNDCLASSA window_class = {0};
    HWND window;
    MSG message;

    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(NULL);
    window_class.lpszClassName = "GantrelDesktopHolder";
    RegisterClassA(&window_class);
    /* The kind of window the library makes: a hidden top-level window. */
    window = CreateWindowExA(0, window_class.lpszClassName, "gantrel desktop holder", 0, 0, 0, 1, 1, NULL,
                             NULL, window_class.hInstance, NULL);
    if (!window) {
        fprintf(stderr, "hold_desktop: CreateWindowExA failed (error %lu)\n", GetLastError());
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
