// A virtual device: its description plus what belongs to the hardware
// rather than to one device object (attachment, exclusive owner, effect
// slots, auto-centre).
#pragma once
#include "gantrel_sim.h"

#include <memory>
#include <vector>

namespace gsim {

enum class ObjKind { Axis, Button, Pov, Other };

// One object as EnumObjects reports it, buttons and POVs included.
struct DevObject {
    GSIM_OBJECT obj;
    ObjKind kind;
    int listed;  // index in desc.objects, -1 for generated buttons and POVs
};

struct VirtualDevice {
    GSIM_DEVICE_DESC desc;
    bool removed = false;         // no longer in the device list
    bool held_elsewhere = false;  // another application holds it exclusively
    DWORD exclusive_owner = 0;    // device object acquired exclusively, 0 none
    int downloaded = 0;           // effect slots in use
    DWORD autocenter = 0;         // current DIPROP_AUTOCENTER
    unsigned version = 0;         // bumped when desc changes

    explicit VirtualDevice(const GSIM_DEVICE_DESC &d) : desc(d), autocenter(d.autocenter) {}
    bool attached() const { return desc.attached && !removed; }
    bool force_feedback() const { return (desc.caps_flags & DIDC_FORCEFEEDBACK) != 0; }
};

using DevicePtr = std::shared_ptr<VirtualDevice>;

// Checks a description's counts and sizes; nullptr or what is wrong.
const char *check_desc(const GSIM_DEVICE_DESC &desc);

// Listed objects, then buttons, then POVs.
std::vector<DevObject> flatten_objects(const GSIM_DEVICE_DESC &desc);

int count_axes(const GSIM_DEVICE_DESC &desc);
int count_actuators(const GSIM_DEVICE_DESC &desc);

// The device's logical axis range (0..65535 unless the object says otherwise).
void logical_range(const GSIM_OBJECT &obj, LONG &lmin, LONG &lmax);

// dwType of the generated objects.
DWORD button_type(DWORD i);
DWORD pov_type(DWORD i);

}  // namespace gsim

namespace gsim {

// DIDEVICEINSTANCEA as EnumDevices and GetDeviceInfo report it; `size` is
// the caller's dwSize (the DirectX 3 record is a prefix).
void fill_instance(const VirtualDevice &dev, DIDEVICEINSTANCEA &out, DWORD size);

// HID usage page and usage of an object.
void object_usage(const DevObject &o, WORD &page, WORD &usage);

}  // namespace gsim
