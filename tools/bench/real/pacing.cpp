#include "pacing.h"

#include "call_windows.h"

namespace bench {
namespace {

using DelayExecution = LONG(NTAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);

DelayExecution delay_execution() {
    static const DelayExecution delay = reinterpret_cast<DelayExecution>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution")));
    return delay;
}

}  // namespace

LONGLONG ticks_per_second() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void sleep_until(LONGLONG ticks) {
    static const LONGLONG per_second = ticks_per_second();
    for (;;) {
        const LONGLONG left = ticks - now_ticks();
        if (left <= 0) return;
        LARGE_INTEGER interval;
        interval.QuadPart = -(left * 10000000 / per_second + 1);  // negative: relative
        if (DelayExecution delay = delay_execution())
            delay(FALSE, &interval);
        else
            Sleep(static_cast<DWORD>(left * 1000 / per_second) + 1);
    }
}

double next_uniform(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
}

}  // namespace bench
