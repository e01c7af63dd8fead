#include <windows.h>

// Nothing happens at load or unload beyond the C++ runtime constructing and
// destroying the device table; DirectInput, COM and the hidden window are
// created on first use and never torn down.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
