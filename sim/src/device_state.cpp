// IDirectInputDevice8A::GetDeviceState: the device's raw DIJOYSTATE2,
// scaled and laid out in the program's data format.
#include "axis_scale.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <cstring>

namespace gsim {

static LONG raw_long(const DIJOYSTATE2 &state, DWORD ofs) {
    LONG v;
    std::memcpy(&v, reinterpret_cast<const BYTE *>(&state) + ofs, sizeof(v));
    return v;
}

STDMETHODIMP SimDevice::GetDeviceState(DWORD size, LPVOID data) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETDEVICESTATE, shell);
    CallScope call(GSIM_M_DEV_GETDEVICESTATE, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->size = size;
        c->null_out = data == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!data) return call.finish(DIERR_INVALIDPARAM);
    if (status == Status::Lost) return call.finish(DIERR_INPUTLOST);
    if (status != Status::Acquired) return call.finish(DIERR_NOTACQUIRED);
    if (!format.set || size != format.data_size) return call.finish(DIERR_INVALIDPARAM);

    std::vector<DevObject> objs = flatten_objects(dev->desc);
    if (format.matched_version != dev->version) match_format(format, objs, dev->version);
    BYTE *out = static_cast<BYTE *>(data);
    std::memset(out, 0, size);
    for (DWORD ofs : format.missing_povs)
        if (ofs + sizeof(DWORD) <= size) std::memset(out + ofs, 0xFF, sizeof(DWORD));
    const DIJOYSTATE2 &raw = dev->desc.state;
    for (size_t i = 0; i < objs.size(); i++) {
        LONG user = format.device_to_user[i];
        if (user < 0) continue;
        const DevObject &o = objs[i];
        DWORD ofs = static_cast<DWORD>(user);
        if (o.kind == ObjKind::Button) {
            if (ofs < size) out[ofs] = reinterpret_cast<const BYTE *>(&raw)[o.obj.dwOfs];
            continue;
        }
        if (ofs + sizeof(LONG) > size) continue;
        LONG v = raw_long(raw, o.obj.dwOfs);
        if (o.kind == ObjKind::Axis && o.listed >= 0) {
            const AxisProps &p = props[o.listed];
            LONG lmin, lmax;
            logical_range(o.obj, lmin, lmax);
            v = scale_axis(v, lmin, lmax, p.range_min, p.range_max, p.deadzone, p.saturation);
        }
        std::memcpy(out + ofs, &v, sizeof(v));
    }
    return call.finish(DI_OK);
}

}  // namespace gsim
