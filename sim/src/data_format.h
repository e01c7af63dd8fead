// The program's data format (SetDataFormat) and how it maps device objects
// to offsets in the program's state record, as DirectInput matches them.
#pragma once
#include "virtual_device.h"

#include <vector>

namespace gsim {

struct UserObject {
    bool has_guid;
    GUID guid;
    DWORD ofs;
    DWORD type;
};

struct UserFormat {
    bool set = false;
    DWORD flags = 0;
    DWORD data_size = 0;
    std::vector<UserObject> objs;
    // Derived from objs and the device's objects (recomputed when the
    // description changes): user offset of each device object or -1, and
    // the offsets of POVs the program asked for but the device lacks.
    unsigned matched_version = ~0u;
    std::vector<LONG> device_to_user;
    std::vector<DWORD> missing_povs;
};

// Copies a DIDATAFORMAT (header already checked).
void copy_format(const DIDATAFORMAT &df, UserFormat &out);
// Matches the format's objects to the device's: the first unmatched device
// object with the same GUID (or any, if the format gives none), instance
// (or any) and type. False if a non-optional object has no match.
bool match_format(UserFormat &f, const std::vector<DevObject> &objs, unsigned version);

// Whether a format has c_dfDIJoystick2's header and objects.
bool is_joystick2(const DIDATAFORMAT *df);

}  // namespace gsim
