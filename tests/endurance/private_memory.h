#pragma once
// The process's private memory, and how much of its growth while the bridge
// runs the simulated DirectInput accounts for.
#include <windows.h>
#include <dinput.h>

#include <cstddef>

#include "bridge_model.h"

namespace endurance {

// PrivateUsage; Wine 8 reports that as 0, and its PagefileUsage (the
// process's anonymous resident memory) instead. Resident pages only grow
// past their high-water mark, so this is a coarse figure.
size_t private_bytes();
// Bytes in the busy blocks of every heap of the process: exact, block by block.
size_t heap_bytes();

// The simulator never frees an object it handed out, only its state, so that
// a late call on it is counted instead of crashing; what that keeps depends on
// the heap's layout at the time. The ledger therefore follows each stretch of
// bridge work with a shadow stretch that makes as many simulated objects of
// each kind straight through DirectInput, and sums the growth of both: what
// the bridge's stretches gained beyond the shadows' is the bridge's own.
// Growth summed over the bridge's stretches and over their shadows.
struct MemoryFigures {
    double bridge_private = 0, shadow_private = 0;
    double bridge_heap = 0, shadow_heap = 0;
    bool counts_match = true;  // the simulator made exactly the objects the model expected of the bridge
};

class MemoryLedger {
public:
    // The shadow objects are made on simulated device `index`, which the
    // bridge never enumerates or opens. `room`: how many simulated objects
    // the bridge and the shadows together will make. The simulator's own
    // per-object tables are grown first so that they do not grow meanwhile.
    MemoryLedger(int index, int room);
    ~MemoryLedger();
    MemoryLedger(const MemoryLedger&) = delete;
    MemoryLedger& operator=(const MemoryLedger&) = delete;

    // Runs work(), which returns the objects the model says it made.
    template <class Work>
    void account(Work work) {
        const int devices = gsim_created_objects(GSIM_KIND_DEVICE);
        const int effects = gsim_created_objects(GSIM_KIND_EFFECT);
        const double private_before = static_cast<double>(private_bytes());
        const double heap_before = static_cast<double>(heap_bytes());
        const SimObjects made = work();
        const double private_after = static_cast<double>(private_bytes());
        const double heap_after = static_cast<double>(heap_bytes());
        figures_.counts_match = figures_.counts_match &&
                                gsim_created_objects(GSIM_KIND_DEVICE) - devices ==
                                    made.formatted_devices + made.bare_devices &&
                                gsim_created_objects(GSIM_KIND_EFFECT) - effects == made.effects;
        shadow(made);
        figures_.bridge_private += private_after - private_before;
        figures_.bridge_heap += heap_after - heap_before;
        figures_.shadow_private += static_cast<double>(private_bytes()) - private_after;
        figures_.shadow_heap += static_cast<double>(heap_bytes()) - heap_after;
    }

    const MemoryFigures& figures() const { return figures_; }

private:
    void shadow(const SimObjects& made);
    void make_room(int room);

    IDirectInput8A* api_ = nullptr;
    GUID device_ = {};
    IDirectInputDevice8A* effect_host_ = nullptr;  // made once, so the shadows make no extra device
    MemoryFigures figures_;
};

}  // namespace endurance
