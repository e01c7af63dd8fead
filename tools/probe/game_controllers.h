// The game controllers DirectInput itself reports, asked through DirectInput
// and not the library: they include those the library's list leaves out
// (no force feedback), and say what DirectInput knows of their force
// feedback, which is how check tells why a device gets none.
#pragma once
#include "device_list.h"

#include <string>
#include <vector>

namespace probe {

// The attached game controllers in DirectInput's order; none when
// DirectInput cannot be created. One whose device object cannot be created
// is given with what the enumeration says alone.
std::vector<GameController> game_controllers();
// Those the library's list does not have, in DirectInput's order.
std::vector<GameController> unlisted_controllers(const std::vector<DeviceEntry> &listed);

// choose_device for the commands: asks DirectInput for the unlisted game
// controllers (into `unlisted`, which the choice points into) only when
// `wanted` is not in the library's list.
DeviceChoice choose_any_device(const std::string &wanted, const std::vector<DeviceEntry> &devices,
                               std::vector<GameController> &unlisted);

}  // namespace probe
