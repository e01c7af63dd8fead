#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"
#include "frame/last_error.h"
#include "gantrel.h"
#include "input/input_report.h"

using namespace gantrel;

extern "C" int32_t DIB_CALL dib_set_axis_map(int32_t handle, int32_t axis0, int32_t axis1,
                                             int32_t flip0, int32_t flip1) {
    BridgeLockGuard lock;
    if (!lock.held()) return DIB_E_FAILED;
    DeviceSlot* slot = open_device_slot(handle);
    if (slot == nullptr) {
        set_last_error("bad device handle");
        return DIB_E_BADARG;
    }
    if (!valid_axis_code(axis0) || !valid_axis_code(axis1) || (axis0 == -1 && axis1 == -1)) {
        set_last_error("axis code out of range");
        return DIB_E_BADARG;
    }
    // Existing effects keep what they were translated with until their next update.
    slot->axis_map[0] = axis0;
    slot->axis_map[1] = axis1;
    slot->axis_flip[0] = flip0 != 0;
    slot->axis_flip[1] = flip1 != 0;
    return DIB_OK;
}
