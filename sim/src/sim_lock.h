// The simulator's single lock. Every COM method and control function runs
// under it, except while an enumeration callback runs in the caller's code.
#pragma once
#include <windows.h>

namespace gsim {

void lock();
void unlock();

class Guard {
public:
    Guard() { lock(); }
    ~Guard() { unlock(); }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;
};

}  // namespace gsim
