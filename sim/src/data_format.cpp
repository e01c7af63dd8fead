#include "data_format.h"

#include <cstring>

namespace gsim {

void copy_format(const DIDATAFORMAT &df, UserFormat &out) {
    out.set = true;
    out.flags = df.dwFlags;
    out.data_size = df.dwDataSize;
    out.objs.clear();
    for (DWORD i = 0; i < df.dwNumObjs; i++) {
        const DIOBJECTDATAFORMAT &o = df.rgodf[i];
        out.objs.push_back({o.pguid != nullptr, o.pguid ? *o.pguid : GUID_NULL, o.dwOfs, o.dwType});
    }
    out.matched_version = ~0u;
}

static bool matches(const UserObject &u, const DevObject &d) {
    if (u.has_guid && !IsEqualGUID(u.guid, d.obj.guidType)) return false;
    DWORD instance = DIDFT_GETINSTANCE(u.type);
    if (instance != DIDFT_GETINSTANCE(DIDFT_ANYINSTANCE) && instance != DIDFT_GETINSTANCE(d.obj.dwType)) return false;
    return (DIDFT_GETTYPE(u.type) & DIDFT_GETTYPE(d.obj.dwType)) != 0;
}

bool match_format(UserFormat &f, const std::vector<DevObject> &objs, unsigned version) {
    f.device_to_user.assign(objs.size(), -1);
    f.missing_povs.clear();
    f.matched_version = version;
    bool complete = true;
    for (const UserObject &u : f.objs) {
        bool found = false;
        for (size_t i = 0; i < objs.size() && !found; i++) {
            if (f.device_to_user[i] != -1 || !matches(u, objs[i])) continue;
            f.device_to_user[i] = static_cast<LONG>(u.ofs);
            found = true;
        }
        if (found) continue;
        if (!(u.type & DIDFT_OPTIONAL)) complete = false;
        if (DIDFT_GETTYPE(u.type) & DIDFT_POV) f.missing_povs.push_back(u.ofs);
    }
    return complete;
}

bool is_joystick2(const DIDATAFORMAT *df) {
    const DIDATAFORMAT &ref = c_dfDIJoystick2;
    if (!df || df->dwSize != ref.dwSize || df->dwObjSize != ref.dwObjSize || df->dwFlags != ref.dwFlags ||
        df->dwDataSize != ref.dwDataSize || df->dwNumObjs != ref.dwNumObjs)
        return false;
    if (df == &ref) return true;
    if (!df->rgodf) return false;
    for (DWORD i = 0; i < ref.dwNumObjs; i++) {
        const DIOBJECTDATAFORMAT &a = df->rgodf[i], &b = ref.rgodf[i];
        if (a.dwOfs != b.dwOfs || a.dwType != b.dwType || a.dwFlags != b.dwFlags) return false;
        if ((a.pguid == nullptr) != (b.pguid == nullptr)) return false;
        if (a.pguid && !IsEqualGUID(*a.pguid, *b.pguid)) return false;
    }
    return true;
}

}  // namespace gsim
