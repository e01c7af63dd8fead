// Lifetime bookkeeping of every COM object handed out. Objects are never
// freed: a destroyed object keeps its small shell so that a late Release or
// call on it is counted instead of crashing the program.
#pragma once
#include <windows.h>
#include <vector>

namespace gsim {

struct Shell {
    DWORD id = 0;
    int kind = 0;  // GSIM_KIND_
    LONG refs = 1;
    bool alive = true;
};

class Registry {
public:
    // Gives the shell an id and counts the creation.
    void enroll(Shell &shell, int kind);
    // Counts the destruction; the shell stays findable.
    void retire(Shell &shell);
    const Shell *find(DWORD id) const;

    int live(int kind) const;
    int created(int kind) const { return valid(kind) ? created_[kind] : -1; }
    int destroyed(int kind) const { return valid(kind) ? destroyed_[kind] : -1; }

    int over_releases = 0;
    int dead_calls = 0;

private:
    static bool valid(int kind) { return kind >= 0 && kind < 3; }
    std::vector<Shell *> shells_;
    int created_[3] = {0, 0, 0};
    int destroyed_[3] = {0, 0, 0};
};

}  // namespace gsim
