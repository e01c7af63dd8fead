#pragma once
// The simulated devices the benchmark runs on. Every device the bridge opens
// has a twin of the same description for the raw side: a device is acquired
// exclusively by one device object at a time, and both sides should do the
// same work on the same kind of device.
#include <windows.h>

#include <string>

#include "gantrel_sim.h"

namespace bench {

constexpr int kMaxPairs = 8;

// Replaces the simulated set with `pairs` devices for the bridge (indices
// 0..pairs-1) followed by their twins (pairs..2*pairs-1).
bool load_device_pairs(int pairs);
// Replaces it with `count` devices and no twins.
bool load_devices(int count);

GUID bridge_device_guid(int index);
GUID twin_device_guid(int index);
std::string guid_text(const GUID& guid);

}  // namespace bench
