#pragma once

namespace gsim {

// With GANTREL_SIM_WINE=1 in the environment, the simulator presents itself
// as Wine's own dinput8, so that a program can try what gantrel.dll does
// there (it keeps released device objects and opens them again). Once, at
// the first DirectInput8Create.
void pose_as_wine_if_asked();

}  // namespace gsim
