// IDirectInputEffect: parameters and play state of one effect.
#include "com_lifetime.h"
#include "effect_params.h"
#include "null_ref.h"
#include "sim_objects.h"
#include "sim_state.h"
#include "strict_checks.h"

#include <algorithm>
#include <cstring>

namespace gsim {

static const DWORD kObjectFlags = DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS;
static const DWORD kDirectionFlags = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
// Groups without which an effect cannot be downloaded.
static const DWORD kComplete = DIEP_AXES | DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS;

SimEffect::SimEffect(SimDevice *dev_object, const GUID &effect_guid)
    : owner(dev_object), guid(effect_guid), st(new EffectState()) {
    Sim &s = sim();
    s.registry.enroll(shell, GSIM_KIND_EFFECT);
    s.effects.push_back(this);
    st->params.dwTriggerButton = DIEB_NOTRIGGER;
    owner->effects.push_back(this);
}

const VirtualDevice *SimEffect::device() const { return owner->dev.get(); }

void SimEffect::drop() {
    if (!st) return;
    if (st->downloaded) owner->dev->downloaded--;
    st->downloaded = false;
    st->playing = false;
    st->modified = true;
}

HRESULT SimEffect::download() {
    if (!owner->exclusively_acquired()) return owner->not_exclusive_error();
    if ((st->set_groups & kComplete) != kComplete) return DIERR_INCOMPLETEEFFECT;
    VirtualDevice &dev = *owner->dev;
    if (!st->downloaded) {
        if (dev.downloaded >= static_cast<int>(dev.desc.effect_capacity)) return DIERR_DEVICEFULL;
        dev.downloaded++;
        st->downloaded = true;
        st->modified = false;
        return DI_OK;
    }
    HRESULT hr = st->modified ? DI_OK : DI_NOEFFECT;
    st->modified = false;
    return hr;
}

HRESULT SimEffect::start(DWORD iterations, DWORD flags) {
    if (flags & ~(DIES_NODOWNLOAD | DIES_SOLO)) return DIERR_INVALIDPARAM;
    if (!owner->exclusively_acquired()) return owner->not_exclusive_error();
    if ((flags & DIES_NODOWNLOAD) && !st->downloaded) return DIERR_NOTDOWNLOADED;
    if (!(flags & DIES_NODOWNLOAD)) {
        HRESULT hr = download();
        if (FAILED(hr)) return hr;
    }
    if (flags & DIES_SOLO)
        for (SimEffect *e : owner->effects) e->st->playing = false;
    st->playing = true;
    st->start_count++;
    st->last_iterations = iterations;
    st->last_start_flags = flags;
    return DI_OK;
}

HRESULT SimEffect::stop() {
    if (!owner->exclusively_acquired()) return owner->not_exclusive_error();
    if (!st->downloaded) return DIERR_NOTDOWNLOADED;
    st->playing = false;
    return DI_OK;
}

HRESULT SimEffect::unload() {
    if (!st->downloaded) return DI_NOEFFECT;
    HRESULT hr = stop();
    if (FAILED(hr)) return hr;
    drop();
    return DI_OK;
}

// Checks a DIEFFECT against what DirectInput accepts for this effect.
static HRESULT validate(const DIEFFECT &p, DWORD flags, const EffectKind &kind, DWORD current_axes,
                        int actuators) {
    DWORD object_flags = p.dwFlags & kObjectFlags;
    DWORD direction_flags = p.dwFlags & kDirectionFlags;
    DWORD axes = current_axes;
    if (flags & DIEP_AXES) {
        if (!object_flags || !p.rgdwAxes) return DIERR_INVALIDPARAM;
        if (current_axes) return DIERR_ALREADYINITIALIZED;
        if (p.cAxes > static_cast<DWORD>(actuators)) return DIERR_INVALIDPARAM;
        axes = p.cAxes;
    }
    if (flags & DIEP_DIRECTION) {
        if (!direction_flags || !p.rglDirection) return DIERR_INVALIDPARAM;
        if (p.cAxes < axes) return DIERR_INVALIDPARAM;
        if ((direction_flags & DIEFF_POLAR) && axes != 2) return DIERR_INVALIDPARAM;
        if ((direction_flags & DIEFF_CARTESIAN) && p.cAxes != axes) return DIERR_INVALIDPARAM;
    }
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        if (!p.lpvTypeSpecificParams) return E_POINTER;
        if (!type_specific_size_ok(kind, p.cbTypeSpecificParams, axes)) return DIERR_INVALIDPARAM;
        if (base_type(kind) == DIEFT_CUSTOMFORCE) {
            auto *custom = static_cast<const DICUSTOMFORCE *>(p.lpvTypeSpecificParams);
            if (custom->cSamples && !custom->rglForceData) return DIERR_INVALIDPARAM;
        }
    }
    if ((flags & DIEP_ENVELOPE) && p.lpEnvelope && p.lpEnvelope->dwSize != sizeof(DIENVELOPE))
        return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) && p.dwSize != kEffectSize) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_TRIGGERBUTTON) && !object_flags) return DIERR_INVALIDPARAM;
    return DI_OK;
}

HRESULT SimEffect::set_params(const DIEFFECT *p, DWORD flags) {
    if (!p) return E_POINTER;
    if (p->dwSize != kEffectSize && p->dwSize != kEffectSizeDx5) return DIERR_INVALIDPARAM;
    EffectKind kind = effect_kind(guid);
    HRESULT hr = validate(*p, flags, kind, st->params.cAxes, count_actuators(owner->dev->desc));
    if (FAILED(hr)) return hr;

    const DWORD groups = flags & DIEP_ALLPARAMS;
    GSIM_EFFECT_PARAMS incoming;
    capture_params(p, groups, kind, incoming);
    DWORD changed = changed_groups(st->params, incoming, groups);
    bool restart = false;
    if (st->playing && (changed & owner->dev->desc.restart_needed_flags)) {
        // This device cannot change these parameters while the effect plays.
        if (flags & DIEP_NORESTART) return DIERR_EFFECTPLAYING;
        restart = true;
    }
    merge_params(incoming, groups, st->params);
    st->set_groups |= groups;
    if (changed) st->modified = true;
    if (restart) st->restart_count++;

    if (flags & DIEP_NODOWNLOAD) return DI_DOWNLOADSKIPPED;
    hr = (flags & DIEP_START) ? start(1, 0) : download();
    if (hr == static_cast<HRESULT>(DIERR_NOTEXCLUSIVEACQUIRED)) return DI_DOWNLOADSKIPPED;
    if (FAILED(hr)) return hr;
    return restart ? DI_EFFECTRESTARTED : DI_OK;
}

STDMETHODIMP SimEffect::QueryInterface(REFIID riid, void **out) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_QUERYINTERFACE, shell);
    CallScope call(GSIM_M_EFF_QUERYINTERFACE, &shell, device(), shell.id);
    const bool ours = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInputEffect);
    return answer_query_interface(call, shell, riid, out, static_cast<IDirectInputEffect *>(this), ours);
}

STDMETHODIMP_(ULONG) SimEffect::AddRef() {
    CallScope call(GSIM_M_EFF_ADDREF, &shell, device(), shell.id);
    return add_reference(call, shell);
}

STDMETHODIMP_(ULONG) SimEffect::Release() {
    CallScope call(GSIM_M_EFF_RELEASE, &shell, device(), shell.id);
    ULONG n;
    if (!drop_reference(call, shell, n)) return 0;
    // The last reference unloads the effect and frees its slot.
    if (n == 0) {
        unload();
        drop();
    }
    wait_inside_release(call, GSIM_M_EFF_RELEASE);
    if (n == 0) {
        auto &list = owner->effects;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        sim().registry.retire(shell);
        st.reset();
    }
    return finish_release(call, n);
}

STDMETHODIMP SimEffect::Initialize(HINSTANCE, DWORD, REFGUID) { return E_NOTIMPL; }

STDMETHODIMP SimEffect::GetEffectGuid(LPGUID out) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_GETEFFECTGUID, shell);
    CallScope call(GSIM_M_EFF_GETEFFECTGUID, &shell, device(), shell.id);
    if (GSIM_CALL *c = call.rec()) c->null_out = out == nullptr;
    if (call.faulted()) return call.fault_hr();
    if (!out) return call.finish(E_POINTER);
    *out = guid;
    return call.finish(DI_OK);
}

STDMETHODIMP SimEffect::SetParameters(LPCDIEFFECT params, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_SETPARAMETERS, shell);
    CallScope call(GSIM_M_EFF_SETPARAMETERS, &shell, device(), shell.id);
    if (GSIM_CALL *c = call.rec()) {
        c->flags = flags;
        c->guid = guid;
        if (params) {
            c->has_params = TRUE;
            capture_params(params, flags & DIEP_ALLPARAMS, effect_kind(guid), c->params);
        }
    }
    strict_check_update(*this, params, flags, call);
    if (call.faulted()) return call.fault_hr();
    return call.finish(set_params(params, flags));
}

STDMETHODIMP SimEffect::Start(DWORD iterations, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_START, shell);
    CallScope call(GSIM_M_EFF_START, &shell, device(), shell.id);
    if (GSIM_CALL *c = call.rec()) {
        c->iterations = iterations;
        c->flags = flags;
    }
    if (call.faulted()) return call.fault_hr();
    return call.finish(start(iterations, flags));
}

STDMETHODIMP SimEffect::Stop() {
    if (!shell.alive) return dead_call(GSIM_M_EFF_STOP, shell);
    CallScope call(GSIM_M_EFF_STOP, &shell, device(), shell.id);
    if (call.faulted()) return call.fault_hr();
    return call.finish(stop());
}

STDMETHODIMP SimEffect::Download() {
    if (!shell.alive) return dead_call(GSIM_M_EFF_DOWNLOAD, shell);
    CallScope call(GSIM_M_EFF_DOWNLOAD, &shell, device(), shell.id);
    if (call.faulted()) return call.fault_hr();
    return call.finish(download());
}

STDMETHODIMP SimEffect::Unload() {
    if (!shell.alive) return dead_call(GSIM_M_EFF_UNLOAD, shell);
    CallScope call(GSIM_M_EFF_UNLOAD, &shell, device(), shell.id);
    if (call.faulted()) return call.fault_hr();
    return call.finish(unload());
}

STDMETHODIMP SimEffect::GetEffectStatus(LPDWORD out) {
    if (!shell.alive) return dead_call(GSIM_M_EFF_GETEFFECTSTATUS, shell);
    CallScope call(GSIM_M_EFF_GETEFFECTSTATUS, &shell, device(), shell.id);
    if (GSIM_CALL *c = call.rec()) c->null_out = out == nullptr;
    if (call.faulted()) return call.fault_hr();
    if (!out) return call.finish(E_POINTER);
    *out = 0;
    if (!owner->exclusively_acquired()) return call.finish(owner->not_exclusive_error());
    if (!st->downloaded) return call.finish(DIERR_NOTDOWNLOADED);
    *out = st->playing ? DIEGES_PLAYING : 0;
    return call.finish(DI_OK);
}

STDMETHODIMP SimEffect::Escape(LPDIEFFESCAPE) { return E_NOTIMPL; }

}  // namespace gsim
