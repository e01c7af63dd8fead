// IDirectInputDevice8A: what the device says about itself (capabilities,
// instance, objects, effects).
#include "effect_catalog.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <cstring>

namespace gsim {

STDMETHODIMP SimDevice::GetCapabilities(LPDIDEVCAPS caps) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETCAPABILITIES, shell);
    CallScope call(GSIM_M_DEV_GETCAPABILITIES, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->null_out = caps == nullptr;
        if (caps) c->size = caps->dwSize;
    }
    if (call.faulted()) return call.fault_hr();
    if (!caps) return call.finish(E_POINTER);
    DWORD size = caps->dwSize;
    if (size != sizeof(DIDEVCAPS) && size != sizeof(DIDEVCAPS_DX3)) return call.finish(DIERR_INVALIDPARAM);
    const GSIM_DEVICE_DESC &d = dev->desc;
    DIDEVCAPS full{};
    full.dwSize = size;
    full.dwFlags = d.caps_flags | (dev->attached() ? DIDC_ATTACHED : 0);
    full.dwDevType = d.dev_type;
    full.dwAxes = static_cast<DWORD>(count_axes(d));
    full.dwButtons = d.num_buttons;
    full.dwPOVs = d.num_povs;
    full.dwFFSamplePeriod = d.ff_sample_period;
    full.dwFFMinTimeResolution = d.ff_min_time_resolution;
    full.dwFirmwareRevision = d.firmware_revision;
    full.dwHardwareRevision = d.hardware_revision;
    full.dwFFDriverVersion = d.ff_driver_version;
    std::memcpy(caps, &full, size);
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA info) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETDEVICEINFO, shell);
    CallScope call(GSIM_M_DEV_GETDEVICEINFO, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->null_out = info == nullptr;
        if (info) c->size = info->dwSize;
    }
    if (call.faulted()) return call.fault_hr();
    if (!info) return call.finish(E_POINTER);
    if (info->dwSize != sizeof(DIDEVICEINSTANCEA) && info->dwSize != sizeof(DIDEVICEINSTANCE_DX3A))
        return call.finish(DIERR_INVALIDPARAM);
    fill_instance(*dev, *info, info->dwSize);
    return call.finish(DI_OK);
}

// The record EnumObjects and GetObjectInfo report for one object.
static DIDEVICEOBJECTINSTANCEA object_instance(const DevObject &o, LONG user_ofs) {
    DIDEVICEOBJECTINSTANCEA out{};
    out.dwSize = sizeof(out);
    out.guidType = o.obj.guidType;
    out.dwOfs = user_ofs >= 0 ? static_cast<DWORD>(user_ofs) : o.obj.dwOfs;
    out.dwType = o.obj.dwType;
    out.dwFlags = o.obj.dwFlags;
    lstrcpynA(out.tszName, o.obj.name, MAX_PATH);
    if (o.obj.dwType & DIDFT_FFACTUATOR) {
        out.dwFFMaxForce = 10000;
        out.dwFFForceResolution = 1;
    }
    object_usage(o, out.wUsagePage, out.wUsage);
    return out;
}

static int kind_rank(ObjKind k) {
    switch (k) {
    case ObjKind::Axis: return 0;
    case ObjKind::Pov: return 1;
    case ObjKind::Button: return 2;
    default: return 3;
    }
}

STDMETHODIMP SimDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA cb, LPVOID ctx, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_ENUMOBJECTS, shell);
    CallScope call(GSIM_M_DEV_ENUMOBJECTS, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->flags = flags;
        c->null_out = cb == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    const DWORD types = DIDFT_AXIS | DIDFT_POV | DIDFT_BUTTON | DIDFT_NODATA | DIDFT_COLLECTION;
    const DWORD attributes = DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER;
    if (!cb) return call.finish(DIERR_INVALIDPARAM);
    if (flags & ~(types | attributes)) return call.finish(DIERR_INVALIDPARAM);

    std::vector<DevObject> objs = flatten_objects(dev->desc);
    if (format.set && format.matched_version != dev->version) match_format(format, objs, dev->version);
    std::vector<DIDEVICEOBJECTINSTANCEA> list;
    for (int rank = 0; rank < 4; rank++) {
        for (size_t i = 0; i < objs.size(); i++) {
            const DevObject &o = objs[i];
            if (kind_rank(o.kind) != rank) continue;
            if ((flags & types) && !(o.obj.dwType & flags & types)) continue;
            if ((o.obj.dwType & flags & attributes) != (flags & attributes)) continue;
            LONG user = format.set ? format.device_to_user[i] : -1;
            list.push_back(object_instance(o, user));
        }
    }
    call.release();
    for (const auto &inst : list)
        if (cb(&inst, ctx) == DIENUM_STOP) break;
    call.reacquire();
    return call.finish(DI_OK);
}

int SimDevice::find_object(const std::vector<DevObject> &objs, DWORD obj, DWORD how) const {
    for (size_t i = 0; i < objs.size(); i++) {
        const DevObject &o = objs[i];
        switch (how) {
        case DIPH_BYID:
            if ((o.obj.dwType & 0x00FFFFFF) == (obj & 0x00FFFFFF)) return static_cast<int>(i);
            break;
        case DIPH_BYOFFSET:
            if (format.set && format.device_to_user[i] >= 0 && static_cast<DWORD>(format.device_to_user[i]) == obj)
                return static_cast<int>(i);
            break;
        case DIPH_BYUSAGE: {
            WORD page, usage;
            object_usage(o, page, usage);
            if (page && static_cast<DWORD>(MAKELONG(usage, page)) == obj) return static_cast<int>(i);
            break;
        }
        }
    }
    return -1;
}

STDMETHODIMP SimDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD obj, DWORD how) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETOBJECTINFO, shell);
    CallScope call(GSIM_M_DEV_GETOBJECTINFO, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->null_out = info == nullptr;
        c->prop_header.dwObj = obj;
        c->prop_header.dwHow = how;
    }
    if (call.faulted()) return call.fault_hr();
    if (!info) return call.finish(E_POINTER);
    DWORD size = info->dwSize;
    if (size != sizeof(DIDEVICEOBJECTINSTANCEA) && size != sizeof(DIDEVICEOBJECTINSTANCE_DX3A))
        return call.finish(DIERR_INVALIDPARAM);
    if (how == DIPH_DEVICE || how > DIPH_BYUSAGE) return call.finish(DIERR_INVALIDPARAM);
    std::vector<DevObject> objs = flatten_objects(dev->desc);
    if (format.set && format.matched_version != dev->version) match_format(format, objs, dev->version);
    int i = find_object(objs, obj, how);
    if (i < 0) return call.finish(DIERR_NOTFOUND);
    DIDEVICEOBJECTINSTANCEA full = object_instance(objs[i], format.set ? format.device_to_user[i] : -1);
    std::memcpy(info, &full, size);
    info->dwSize = size;
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA cb, LPVOID ctx, DWORD type) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_ENUMEFFECTS, shell);
    CallScope call(GSIM_M_DEV_ENUMEFFECTS, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->flags = type;
        c->null_out = cb == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!cb) return call.finish(DIERR_INVALIDPARAM);
    std::vector<DIEFFECTINFOA> list;
    const GSIM_DEVICE_DESC &d = dev->desc;
    DWORD wanted = DIEFT_GETTYPE(type);
    for (DWORD i = 0; dev->force_feedback() && i < d.num_effects; i++) {
        if (wanted != DIEFT_ALL && base_type(effect_kind(d.effects[i])) != wanted) continue;
        DIEFFECTINFOA info{};
        info.dwSize = sizeof(info);
        fill_effect_info(d.effects[i], info);
        list.push_back(info);
    }
    call.release();
    for (const auto &info : list)
        if (cb(&info, ctx) == DIENUM_STOP) break;
    call.reacquire();
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_GETEFFECTINFO, shell);
    CallScope call(GSIM_M_DEV_GETEFFECTINFO, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->guid = guid;
        c->null_out = info == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!info) return call.finish(E_POINTER);
    if (info->dwSize != sizeof(DIEFFECTINFOA)) return call.finish(DIERR_INVALIDPARAM);
    if (!dev->force_feedback()) return call.finish(DIERR_DEVICENOTREG);
    const GSIM_DEVICE_DESC &d = dev->desc;
    for (DWORD i = 0; i < d.num_effects; i++) {
        if (IsEqualGUID(d.effects[i], guid)) {
            fill_effect_info(guid, *info);
            return call.finish(DI_OK);
        }
    }
    return call.finish(DIERR_DEVICENOTREG);
}

}  // namespace gsim
