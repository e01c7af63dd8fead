// IDirectInputDevice8A::GetProperty / SetProperty.
#include "sim_objects.h"
#include "sim_state.h"

#include <algorithm>
#include <cstring>

namespace gsim {

namespace {

UINT_PTR prop_id(REFGUID prop) { return reinterpret_cast<UINT_PTR>(&prop); }
bool is_pseudo(UINT_PTR id) { return (id >> 16) == 0; }

// Which record each property travels in.
DWORD record_size(UINT_PTR id) {
    switch (id) {
    case 9:   // DIPROP_AUTOCENTER
    case 5:   // DIPROP_DEADZONE
    case 6:   // DIPROP_SATURATION
    case 7:   // DIPROP_FFGAIN
    case 24:  // DIPROP_VIDPID
        return sizeof(DIPROPDWORD);
    case 4:  // DIPROP_RANGE
        return sizeof(DIPROPRANGE);
    case 19:  // DIPROP_PRODUCTNAME
    case 20:  // DIPROP_INSTANCENAME
        return sizeof(DIPROPSTRING);
    default:
        return 0;
    }
}

bool device_wide(UINT_PTR id) { return id == 9 || id == 7 || id == 24 || id == 19 || id == 20; }
bool per_axis(UINT_PTR id) { return id == 4 || id == 5 || id == 6; }

void record_header(CallScope &call, REFGUID prop, const DIPROPHEADER *h) {
    GSIM_CALL *c = call.rec();
    if (!c) return;
    c->property = prop_id(prop);
    c->null_out = h == nullptr;
    if (!h) return;
    c->prop_header = *h;
}

void record_data(CallScope &call, const DIPROPHEADER *h) {
    GSIM_CALL *c = call.rec();
    if (!c || !h || h->dwSize <= sizeof(DIPROPHEADER) || h->dwHeaderSize != sizeof(DIPROPHEADER)) return;
    c->prop_data_size = std::min<DWORD>(h->dwSize - sizeof(DIPROPHEADER), sizeof(c->prop_data));
    std::memcpy(c->prop_data, reinterpret_cast<const BYTE *>(h) + sizeof(DIPROPHEADER), c->prop_data_size);
}

}  // namespace

// Checks shared by both directions; fills `target` with the object index
// for per-object properties (-1: all axes).
static HRESULT check_property(SimDevice &d, const std::vector<DevObject> &objs, UINT_PTR id,
                              const DIPROPHEADER *h, bool set, int &target) {
    target = -1;
    if (h->dwHow > DIPH_BYUSAGE) return DIERR_INVALIDPARAM;
    if (h->dwHow == DIPH_BYUSAGE && !(d.dev->desc.dev_type & DIDEVTYPE_HID)) return DIERR_UNSUPPORTED;
    if (h->dwHow == DIPH_BYOFFSET && !d.format.set) return DIERR_NOTFOUND;
    if (h->dwHow != DIPH_DEVICE) {
        target = d.find_object(objs, h->dwObj, h->dwHow);
        if (target < 0) return DIERR_NOTFOUND;
    }
    DWORD size = record_size(id);
    if (size == 0) return DIERR_UNSUPPORTED;
    if (h->dwSize != size) return DIERR_INVALIDPARAM;
    if (device_wide(id)) {
        if (h->dwHow != DIPH_DEVICE) return DIERR_UNSUPPORTED;
        if (h->dwObj) return DIERR_INVALIDPARAM;
    }
    if (per_axis(id)) {
        if (h->dwHow == DIPH_DEVICE && !set) return DIERR_UNSUPPORTED;
        if (!count_axes(d.dev->desc)) return DIERR_UNSUPPORTED;
        if (target >= 0 && (objs[target].kind != ObjKind::Axis || objs[target].listed < 0)) return DIERR_NOTFOUND;
    }
    return DI_OK;
}

namespace {

// Where a property call lands once its header has been checked.
struct PropertyTarget {
    UINT_PTR id = 0;
    bool known = false;            // a DIPROP_ the simulator handles; other GUIDs succeed idly
    std::vector<DevObject> objs;   // the objects as the program's data format sees them
    int target = -1;               // the addressed object, -1 for the whole device
};

// What GetProperty and SetProperty share before they touch the value.
HRESULT resolve_property(SimDevice &d, REFGUID prop, const DIPROPHEADER *h, bool set, PropertyTarget &t) {
    if (!h || h->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    t.id = prop_id(prop);
    if (!is_pseudo(t.id)) return DI_OK;
    t.known = true;
    t.objs = flatten_objects(d.dev->desc);
    if (d.format.set && d.format.matched_version != d.dev->version) match_format(d.format, t.objs, d.dev->version);
    return check_property(d, t.objs, t.id, h, set, t.target);
}

}  // namespace

STDMETHODIMP SimDevice::GetProperty(REFGUID prop, LPDIPROPHEADER h) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETPROPERTY, shell);
    CallScope call(GSIM_M_DEV_GETPROPERTY, &shell, dev.get());
    record_header(call, prop, h);
    if (call.faulted()) return call.fault_hr();
    PropertyTarget t;
    const HRESULT hr = resolve_property(*this, prop, h, false, t);
    if (FAILED(hr) || !t.known) return call.finish(hr);
    const UINT_PTR id = t.id;
    const std::vector<DevObject> &objs = t.objs;
    const int target = t.target;

    const GSIM_DEVICE_DESC &d = dev->desc;
    auto *dw = reinterpret_cast<DIPROPDWORD *>(h);
    switch (id) {
    case 4: {
        auto *range = reinterpret_cast<DIPROPRANGE *>(h);
        range->lMin = props[objs[target].listed].range_min;
        range->lMax = props[objs[target].listed].range_max;
        break;
    }
    case 5: dw->dwData = props[objs[target].listed].deadzone; break;
    case 6: dw->dwData = props[objs[target].listed].saturation; break;
    case 7: dw->dwData = gain; break;
    case 9:
        if (!dev->force_feedback() || !d.autocenter_readable) return call.finish(DIERR_UNSUPPORTED);
        dw->dwData = dev->autocenter;
        break;
    case 24: dw->dwData = d.product_guid.Data1; break;
    case 19:
    case 20: {
        auto *str = reinterpret_cast<DIPROPSTRING *>(h);
        const char *name = id == 19 ? d.product_name : d.instance_name;
        MultiByteToWideChar(CP_ACP, 0, name, -1, str->wsz, MAX_PATH);
        break;
    }
    }
    record_data(call, h);
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::SetProperty(REFGUID prop, LPCDIPROPHEADER h) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_SETPROPERTY, shell);
    CallScope call(GSIM_M_DEV_SETPROPERTY, &shell, dev.get());
    record_header(call, prop, h);
    record_data(call, h);
    if (call.faulted()) return call.fault_hr();
    PropertyTarget t;
    const HRESULT hr = resolve_property(*this, prop, h, true, t);
    if (FAILED(hr) || !t.known) return call.finish(hr);
    const UINT_PTR id = t.id;
    const std::vector<DevObject> &objs = t.objs;
    const int target = t.target;

    auto *dw = reinterpret_cast<const DIPROPDWORD *>(h);
    switch (id) {
    case 9:
        if (status == Status::Acquired) return call.finish(DIERR_ACQUIRED);
        if (dw->dwData > 1) return call.finish(DIERR_INVALIDPARAM);
        if (!dev->force_feedback() || !dev->desc.autocenter_writable) return call.finish(DIERR_UNSUPPORTED);
        dev->autocenter = dw->dwData;
        break;
    case 7:
        if (dw->dwData > 10000) return call.finish(DIERR_INVALIDPARAM);
        gain = dw->dwData;
        break;
    case 24:
    case 19:
    case 20:
        return call.finish(DIERR_READONLY);
    case 4:
    case 5:
    case 6: {
        auto *range = reinterpret_cast<const DIPROPRANGE *>(h);
        if (id == 4 && range->lMin > range->lMax) return call.finish(DIERR_INVALIDPARAM);
        if (id != 4 && dw->dwData > 10000) return call.finish(DIERR_INVALIDPARAM);
        for (size_t i = 0; i < objs.size(); i++) {
            if (objs[i].kind != ObjKind::Axis || objs[i].listed < 0) continue;
            if (target >= 0 && static_cast<int>(i) != target) continue;
            AxisProps &p = props[objs[i].listed];
            if (id == 4) {
                p.range_min = range->lMin;
                p.range_max = range->lMax;
            } else if (id == 5) {
                p.deadzone = dw->dwData;
            } else {
                p.saturation = dw->dwData;
            }
        }
        break;
    }
    }
    return call.finish(DI_OK);
}

}  // namespace gsim
