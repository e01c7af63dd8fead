#include "frame/bridge_lock.h"

namespace gantrel {

SRWLOCK g_bridge_lock = SRWLOCK_INIT;

}  // namespace gantrel
